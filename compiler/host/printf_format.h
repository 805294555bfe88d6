// The PRINTF/SPRINTF formatter: our own walk of the format string, so that
// no word of a program ever reaches the C library as a pointer or as part of
// an unchecked format. Conversions d i c u x X o e f g E G s and %%, each
// taking one argument word (SINGLE bits for the floating ones, a string
// reference for s); C's flags, filtered to those each conversion defines;
// width and precision from digits or "*" (a negative "*" width
// left-aligns), both capped at 255; anything else stands as text and gives
// back the arguments its "*" took. After the last word an argument is 0.
#pragma once
#include <cstdint>

struct PrintfText {
  // The text of a string argument; false stops the formatting.
  bool (*read_string)(void *context, uint32_t reference, const char *&text, uint32_t &length);
  // Takes the formatted output piece by piece.
  void (*put)(void *context, const char *text, uint32_t length);
  void *context;
};

// False when a string argument could not be read.
bool format_printf(const char *format, uint32_t format_length, const int32_t *args, uint32_t nargs,
                   const PrintfText &out);
