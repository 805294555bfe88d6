// Error reports and the symbol map.
#pragma once

#include <cstdint>

// Errors reported since the program started; lets a compiler tell whether
// a routine that failed has already said why.
extern uint32_t error_count;

void print_error_ln(const char *msg);
void sym_dump(const char *prefix, int first, int last);
