// Operands of numeric expressions other than plain variables and literals,
// calls of FUNCTIONs and SUBs, and the parenthesised-argument parsers.
#pragma once
#include <cstdint>

int do_int_operand();
int do_flt_operand();
int do_anytype_operand();
int do_function_operand(uint16_t context);
// An element or byte of an array or string at the cursor's "(index)": a
// constant index k gives one constOp with base + k; otherwise the index
// expression, baseOp with the base and addOp adding them. The cursor ends
// on the ")".
bool indexed(uint16_t constOp, uint16_t baseOp, uint16_t addOp, int32_t base);
// "(index)" added to the address a pointer variable holds.
bool indexed_by_pointer(int32_t pointer);

int do_integer_parameter();
int do_anytype_parameter();
int is_constant_parameter();
