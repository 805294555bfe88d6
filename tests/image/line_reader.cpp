#include "line_reader.h"

#include <stdexcept>

namespace image_test {

namespace {

struct Cursor {
  const std::vector<uint8_t> &b;
  size_t at = 0;
  uint8_t u8() {
    if (at >= b.size()) throw std::runtime_error("line program ends early");
    return b[at++];
  }
  uint32_t un(int n) {
    uint32_t v = 0;
    for (int k = 0; k < n; k++) v |= static_cast<uint32_t>(u8()) << (8 * k);
    return v;
  }
  uint64_t uleb() {
    uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
      uint8_t x = u8();
      v |= static_cast<uint64_t>(x & 0x7F) << shift;
      if (!(x & 0x80)) return v;
    }
  }
  int64_t sleb() {
    int64_t v = 0;
    int shift = 0;
    uint8_t x;
    do {
      x = u8();
      v |= static_cast<int64_t>(x & 0x7F) << shift;
      shift += 7;
    } while (x & 0x80);
    if (shift < 64 && (x & 0x40)) v |= -(int64_t{1} << shift);
    return v;
  }
  std::string str() {
    std::string s;
    for (char c; (c = static_cast<char>(u8())) != 0;) s += c;
    return s;
  }
};

}  // namespace

LineTable read_line_program(const std::vector<uint8_t> &section) {
  Cursor c{section};
  LineTable t;
  uint32_t unit_length = c.un(4);
  size_t unit_end = c.at + unit_length;
  if (unit_end != section.size()) throw std::runtime_error("one unit expected");
  if (c.un(2) != 4) throw std::runtime_error("version 4 expected");
  uint32_t header_length = c.un(4);
  size_t program_start = c.at + header_length;
  uint8_t min_inst = c.u8();
  if (c.u8() != 1) throw std::runtime_error("one operation per instruction expected");
  bool default_is_stmt = c.u8() != 0;
  int8_t line_base = static_cast<int8_t>(c.u8());
  uint8_t line_range = c.u8();
  uint8_t opcode_base = c.u8();
  std::vector<uint8_t> lengths(opcode_base, 0);
  for (int k = 1; k < opcode_base; k++) lengths[k] = c.u8();
  while (!c.str().empty()) {
  }
  for (std::string name; !(name = c.str()).empty();) {
    t.files.push_back(name);
    c.uleb();
    c.uleb();
    c.uleb();
  }
  if (c.at != program_start) throw std::runtime_error("header length does not match the header");

  uint32_t address = 0, file = 1;
  int64_t line = 1;
  (void)default_is_stmt;
  auto emit = [&](bool end) { t.rows.push_back({address, file, line, end}); };
  auto reset = [&] {
    address = 0;
    file = 1;
    line = 1;
  };
  while (c.at < unit_end) {
    uint8_t op = c.u8();
    if (op >= opcode_base) {
      uint8_t adjusted = static_cast<uint8_t>(op - opcode_base);
      address += (adjusted / line_range) * min_inst;
      line += line_base + adjusted % line_range;
      emit(false);
    } else if (op == 0) {
      uint64_t n = c.uleb();
      size_t end = c.at + n;
      uint8_t sub = c.u8();
      if (sub == 1) {
        emit(true);
        reset();
      } else if (sub == 2) {
        address = c.un(4);
      } else {
        throw std::runtime_error("unexpected extended opcode " + std::to_string(sub));
      }
      if (c.at != end) throw std::runtime_error("extended opcode of wrong length");
    } else if (op == 1) {
      emit(false);
    } else if (op == 2) {
      address += static_cast<uint32_t>(c.uleb() * min_inst);
    } else if (op == 3) {
      line += c.sleb();
    } else if (op == 4) {
      file = static_cast<uint32_t>(c.uleb());
    } else {
      // Standard opcodes this encoder does not use are skipped by their
      // operand counts, as any reader must.
      for (int k = 0; k < lengths[op]; k++) c.uleb();
    }
  }
  return t;
}

}  // namespace image_test
