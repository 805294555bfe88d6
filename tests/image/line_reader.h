// Decodes a DWARF 4 line program (32-bit format) into its rows: the check
// of the image library's own encoder, written from the DWARF rules.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace image_test {

struct LineRow {
  uint32_t address;
  uint32_t file;  // as in the program: 1 is the first file entry
  int64_t line;
  bool end_sequence;
  bool operator==(const LineRow &) const = default;
};

struct LineTable {
  std::vector<std::string> files;
  std::vector<LineRow> rows;
};

// Throws std::runtime_error on anything it does not understand.
LineTable read_line_program(const std::vector<uint8_t> &section);

}  // namespace image_test
