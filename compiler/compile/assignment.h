// Assignments, PRINT and PRINTF.
#pragma once
#include <cstdint>

// The word index a scalar target of do_lvalue stores to.
extern int32_t lvalue_var_addr;
// The 16-word parameter block shared by every PRINTF and SPRINTF (0 until
// the first one).
extern int32_t printfLocal;

int do_assignment();
uint16_t do_lvalue();
int do_print(int32_t operand);
int do_printf(uint16_t op);

// Takes words from the top of the array area; false, after "Too Many
// Variables", when they would meet the simple variables.
bool allocate_array_words(int32_t words);
