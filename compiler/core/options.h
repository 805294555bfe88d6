// How the compiler was started.
#pragma once
#include <cstdint>

struct Options {
  // -demo: no symbol map, and the program ends after its first RUN.
  uint8_t DEMOmode = 0;
};
extern Options options;
