// Small programs built by hand, with code whose disassembly is known.
#pragma once
#include "image/program.h"

namespace image_test {

// Thumb code at 0x8000: a BL over a two-instruction routine, MAIN with a
// literal load from a pool; constant strings below 0x40000, the symbol page
// at 0x40000; two files, the second one included.
image::Program thumb_sample();
// The same shape in ARM code.
image::Program arm_sample();

// Appends bytes at address to the program's segments, merged with the last
// segment when they follow it.
void add_bytes(image::Program &p, uint32_t address, const std::vector<uint8_t> &bytes);
// Little-endian units of width 2 or 4.
std::vector<uint8_t> units16(std::initializer_list<uint16_t> units);
std::vector<uint8_t> words32(std::initializer_list<uint32_t> words);

}  // namespace image_test
