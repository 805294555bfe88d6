#include "codegen_support.h"

#include <unistd.h>

#include <cstdio>

void fresh_target(uint16_t version, uint16_t format) {
  reset_firmware();
  for (uint16_t &w : f_table) w = 0;
  f_table[0] = version;
  f_table[1] = format;
  f_table[2] = 0x2138;
  f_table[3] = 0x1C00;
  f_table[4] = TEST_CODE_START / 16;
  f_table[5] = 5;
  reset_program();
}

void full_firmware_table() {
  f_table[1] = 95;
  for (int n = 8; n < F_TABLE_WORDS; n++) f_table[n] = static_cast<uint16_t>(entry_address(n));
  f_table[6] = 0x0040;
  f_table[7] = 0x1000;
  compute_firmware_facts();
}

std::vector<int32_t> units(uint32_t from, uint32_t to) {
  std::vector<int32_t> v;
  for (uint32_t i = from; i < to; i++) v.push_back(Flash_codes[i]);
  return v;
}

std::vector<int32_t> emitted(uint16_t op, int32_t operand) {
  uint32_t start = emit.fCODE;
  add_op(op, operand);
  return units(start, emit.fCODE);
}

std::vector<int32_t> bl_pair_to_unit(int64_t p, int64_t x) {
  int64_t t = x - p - 2;
  return {static_cast<int32_t>(0xF000 + ((t >> 11) & 0x7FF)), static_cast<int32_t>(0xF800 + (t & 0x7FF))};
}

std::string capture_stdout(const std::function<void()> &action) {
  fflush(stdout);
  FILE *file = tmpfile();
  int saved = dup(fileno(stdout));
  dup2(fileno(file), fileno(stdout));
  action();
  fflush(stdout);
  dup2(saved, fileno(stdout));
  close(saved);
  std::string text;
  rewind(file);
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  fclose(file);
  return text;
}
