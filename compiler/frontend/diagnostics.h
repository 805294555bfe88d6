// Error reports.
#pragma once

#include <cstdint>

#include "core/process.h"

struct Diagnostics {
  // The number of the line being compiled, as errors report it.
  uint16_t g_linenum = 0;
  // The line of the first error of the program (0 for none) and whether
  // there was one: firstERR alone cannot tell an error on line 0.
  int32_t firstERR = 0;
  uint8_t error_seen = 0;
  // Errors reported since the process started, kept across CLEAR; lets a
  // compiler tell whether a routine that failed has already said why.
  uint32_t error_count = 0;
};
extern Diagnostics diag;

// Back to no errors and line 0 for a new program.
void reset_diagnostics();

void print_error_ln(const char *msg);
// Reports msg and gives 0, the result of a compiler that failed.
inline int report(const char *msg) {
  print_error_ln(msg);
  return 0;
}
// An error the protocol reports as one text on standard output alone, not
// in print_error_ln's form: printed goes there, or message to hooks.report
// (core/hooks.h). It counts as no error of the program.
void report_plain_error(const char *printed, const char *message);
// A warning about the current line. Only an in-process compile's
// diagnostics sink (hooks.report) receives warnings: the standard-input
// protocol has none, and prints nothing for them.
void report_warning(const char *message);
// Reports msg as print_error_ln does and ends the process with status.
[[noreturn]] void fatal_error(const char *msg, ExitStatus status);
