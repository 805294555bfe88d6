// DWARF debugging information for the ELF image: a line program that maps
// code addresses to source lines and back, and the one compile unit a
// debugger needs to find it. DWARF version 4, 32-bit format, 4-byte
// addresses, little-endian.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image/program.h"

namespace image {

struct DebugSections {
  std::vector<uint8_t> line;     // .debug_line
  std::vector<uint8_t> info;     // .debug_info
  std::vector<uint8_t> abbrev;   // .debug_abbrev
  std::vector<uint8_t> aranges;  // .debug_aranges
};

// The line program holds one sequence per code span, made of the rows of
// code_lines(p); the compile unit is named after files[0] and covers the
// code spans, with one subprogram for each code symbol of known size.
// Empty sections when the program has no line positions in its code.
DebugSections debug_sections(const Program &p, const std::string &producer);

// The line program's fixed parameters, which its reader needs too.
constexpr int LINE_BASE = -5;
constexpr int LINE_RANGE = 14;
constexpr int OPCODE_BASE = 13;

}  // namespace image
