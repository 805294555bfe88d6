// The flash as one run of raw bytes, for tools that take a binary file and
// a load address.
#pragma once
#include <cstdint>
#include <vector>

#include "image/program.h"

namespace image {

struct RawBinary {
  uint32_t address = 0;  // where the first byte goes
  std::vector<uint8_t> bytes;
};

// From the start of the code to the end of the constant strings (to the end
// of the code when there are none), erased flash (0xFF) in the gaps. The
// symbol page is not part of it. Empty when the program has no code.
RawBinary raw_binary(const Program &p);

}  // namespace image
