// Assignments, PRINT and PRINTF.
#pragma once
#include <cstdint>

struct AssignmentState {
  // The word index a scalar target of do_lvalue stores to.
  int32_t lvalue_var_addr = 0;
};
extern AssignmentState assignment;

int do_assignment();
uint16_t do_lvalue();
int do_print(int32_t operand);
int do_printf(uint16_t op);
