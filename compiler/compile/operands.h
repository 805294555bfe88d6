// Operands of numeric expressions other than plain variables and literals,
// calls of FUNCTIONs and SUBs, and the parenthesised-argument parsers.
#pragma once
#include <cstdint>

// I/O-handler calls: set while a call's arguments are compiled, and the
// first variable number of the routine being defined in an I/O-handler
// section (its parameters and locals live in registers); EZH_NO_LOCALS
// outside such a routine.
extern uint8_t ezh_calling;
extern int32_t ezhVarStart;

int do_int_operand();
int do_flt_operand();
int do_anytype_operand();
int do_function_operand(uint16_t context);
int do_integer_parameter();
int do_anytype_parameter();
int is_constant_parameter();
