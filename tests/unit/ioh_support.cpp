#include "ioh_support.h"

#include <gtest/gtest.h>

#include <cctype>

#include "codegen/iohb/iohb.h"

void fresh_handler(uint8_t kind) {
  fresh_target();
  full_firmware_table();
  emit.inside_ezh = kind;
}

void small_ram_base() {
  f_table[6] = SMALL_RAM_BASE;
  f_table[7] = 0;
  compute_firmware_facts();
}

Units halfwords(uint32_t from, uint32_t to) {
  Units v;
  for (uint32_t i = from; i < to; i++) v.push_back(Flash_codes[i] & 0xFFFF);
  return v;
}

Units emitted16(uint16_t op, int32_t operand, Messages *reported) {
  uint32_t start = emit.fCODE;
  Messages m = messages_of([&] { add_op(op, operand); });
  if (reported) *reported = m;
  return halfwords(start, emit.fCODE);
}

Messages messages_of(const std::function<void()> &action) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  action();
  std::string out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  // A report is the source line, then "-ERROR  file: line: message".
  Messages m;
  const std::string mark = "-ERROR  ";
  for (size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + 1)) {
    size_t end = out.find('\n', at);
    if (end == std::string::npos) end = out.size();
    std::string report = out.substr(at + mark.size(), end - at - mark.size());
    // The message follows the first ": digits: ".
    for (size_t c = report.find(": "); c != std::string::npos; c = report.find(": ", c + 1)) {
      size_t d = c + 2;
      while (d < report.size() && isdigit(static_cast<unsigned char>(report[d]))) d++;
      if (d > c + 2 && report.compare(d, 2, ": ") == 0) {
        m.push_back(report.substr(d + 2));
        break;
      }
    }
  }
  return m;
}

Units word_units(uint32_t w) { return {static_cast<int32_t>(w & 0xFFFF), static_cast<int32_t>(w >> 16)}; }

Units concat(std::initializer_list<Units> parts) {
  Units all;
  for (const Units &p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
