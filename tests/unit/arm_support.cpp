#include "arm_support.h"

void arm_target(uint16_t version) {
  fresh_target(version);
  f_table[1] = 95;
  for (int n = 8; n < F_TABLE_WORDS; n++) f_table[n] = static_cast<uint16_t>(arm_entry(n));
  f_table[6] = 0x0040;
  f_table[7] = 0x1000;
  compute_firmware_facts();
}

std::vector<int32_t> words(std::initializer_list<uint32_t> list) {
  std::vector<int32_t> v;
  for (uint32_t w : list) v.push_back(static_cast<int32_t>(w));
  return v;
}

uint32_t bl_to_address(int64_t p, int64_t target) {
  int64_t offset = (target - (TEST_CODE_START + 4 * p) - 8) / 4;
  // Round toward minus infinity, as the hardware's offset is a plain
  // two's-complement word count.
  if ((target - (TEST_CODE_START + 4 * p) - 8) % 4 < 0) offset--;
  return 0xEB000000u | (static_cast<uint32_t>(offset) & 0xFFFFFFu);
}

uint32_t branch_to_unit(uint32_t opcode, int64_t p, int64_t x) {
  return opcode | (static_cast<uint32_t>(x - p - 2) & 0xFFFFFFu);
}
