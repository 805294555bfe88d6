#include "disassembly_rows.h"

#include <map>
#include <regex>
#include <sstream>

#include "tool_support.h"

namespace image_test {

namespace {

// Each hexadecimal group is one little-endian unit.
std::vector<uint8_t> unit_bytes(const std::string &groups) {
  std::vector<uint8_t> out;
  std::istringstream in(groups);
  for (std::string g; in >> g;) {
    uint32_t v = static_cast<uint32_t>(std::stoul(g, nullptr, 16));
    for (size_t k = 0; k < g.size() / 2; k++) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
  }
  return out;
}

// objdump marks 16-bit Thumb forms with ".n" and writes some ARM
// instructions under their older names.
std::string same_name(std::string m) {
  if (m.size() > 2 && m.compare(m.size() - 2, 2, ".n") == 0) m.resize(m.size() - 2);
  static const std::map<std::string, std::string> aliases = {{"stmfd", "stmdb"}, {"ldmfd", "ldm"}, {"nop", "mov"}};
  auto it = aliases.find(m);
  return it == aliases.end() ? m : it->second;
}

// The lines that match row: address, unit groups, mnemonic.
std::vector<Row> rows_of(const std::vector<std::string> &lines, const std::regex &row) {
  std::vector<Row> rows;
  for (const std::string &l : lines) {
    std::smatch m;
    if (std::regex_search(l, m, row))
      rows.push_back({static_cast<uint32_t>(std::stoul(m[1], nullptr, 16)), unit_bytes(m[2]), same_name(m[3])});
  }
  return rows;
}

}  // namespace

std::ostream &operator<<(std::ostream &os, const Row &r) {
  os << std::hex << r.address << " [";
  for (uint8_t b : r.bytes) os << ' ' << static_cast<int>(b);
  return os << " ] " << r.mnemonic;
}

std::vector<Row> listing_rows(const std::string &listing) {
  static const std::regex listed(R"(^  ([0-9A-F]{8})  ((?:[0-9A-F]{4,8} ?)+) +(\S+))");
  return rows_of(lines_of(listing), listed);
}

std::vector<Row> objdump_rows(const std::string &elf) {
  static const std::regex dumped(R"(^([0-9a-f]+): ((?:[0-9a-f]{4,8} )+)(\S+))");
  return rows_of(objdump_instructions(elf), dumped);
}

}  // namespace image_test
