#include "ioh_support.h"

#include <gtest/gtest.h>

#include <regex>

#include "codegen/iohb/iohb.h"
#include "compile/operands.h"

void fresh_handler(uint8_t kind) {
  fresh_target();
  full_firmware_table();
  inside_ezh = kind;
  ezhVarStart = EZH_NO_LOCALS;
  ezh_calling = 0;
}

void small_ram_base() {
  f_table[6] = SMALL_RAM_BASE;
  f_table[7] = 0;
}

Units halfwords(uint32_t from, uint32_t to) {
  Units v;
  for (uint32_t i = from; i < to; i++) v.push_back(Flash_codes[i] & 0xFFFF);
  return v;
}

Units emitted16(uint16_t op, int32_t operand, Messages *reported) {
  uint32_t start = fCODE;
  Messages m = messages_of([&] { add_op(op, operand); });
  if (reported) *reported = m;
  return halfwords(start, fCODE);
}

Messages messages_of(const std::function<void()> &action) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  action();
  std::string out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  // A report is the source line, then "-ERROR  file: line: message".
  static const std::regex report(R"(-ERROR  [^\n]*?: \d+: ([^\n]*))");
  Messages m;
  for (std::sregex_iterator i(out.begin(), out.end(), report), end; i != end; ++i) m.push_back((*i)[1]);
  return m;
}

Units word_units(uint32_t w) { return {static_cast<int32_t>(w & 0xFFFF), static_cast<int32_t>(w >> 16)}; }

Units concat(std::initializer_list<Units> parts) {
  Units all;
  for (const Units &p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
