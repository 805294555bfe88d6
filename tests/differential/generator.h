// The random-program generator: from a seed, a valid program whose output
// RUN and the boards must agree on. It leaves out by construction what the
// host and a board cannot agree on: division by zero (every divisor is
// (x OR 1) or a non-zero literal), reads outside an array (every index is
// (x AND 7) or a constant inside the array), uninitialised variables, memory by
// target address, pins, timers, serial ports and interrupts; every loop has
// a bounded trip count and no routine calls itself.
#pragma once
#include <cstdint>

#include "program.h"

namespace difftest {

Node generate_program(uint64_t seed);

}  // namespace difftest
