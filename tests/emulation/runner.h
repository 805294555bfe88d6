// Runs a program image on the emulated CPU with the simulated firmware.
#pragma once
#include <cstdint>
#include <string>

#include "code_check.h"
#include "hex_image.h"
#include "target.h"

namespace emu {

struct RunResult {
  bool ok = false;
  std::string output;     // what the program printed
  std::string error;      // why the run failed
  uint64_t instructions = 0;
};

// Loads the image, enters the code at code_start (in Thumb or ARM state, as
// the target says) with the variable base in its register and, on the stack,
// the index register's value and the return address that END pops, and runs
// until END returns there. Every instruction executed in the
// code must be one that map found. The run is bounded by `limit`
// instructions, not by time.
RunResult run_image(const Target &t, const HexImage &image, const CodeMap &map, uint64_t limit);

}  // namespace emu
