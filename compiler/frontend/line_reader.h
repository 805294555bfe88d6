// The line reader: standard input, one source or command line at a time.
#pragma once
#include <cstdint>

constexpr int LINE_SIZE = 256;
constexpr int FILENAME_SIZE = 256;

struct LineReader {
  // The line being compiled, as read.
  char line[LINE_SIZE] = "";
  // Set when the last physical line was longer than 255 characters.
  uint8_t line_was_cut = 0;
  // The source file the last line marker named.
  char current_filename[FILENAME_SIZE] = "";
};
extern LineReader reader;

// Reads one line of standard input (or of hooks.next_char) into buffer (at most 255 characters and a
// NUL; the rest of a longer physical line is discarded and line_was_cut set).
// A trailing carriage return is dropped. At the end of input it flushes
// standard output and ends the process with status 0.
int32_t BASICgetln(char *buffer);
