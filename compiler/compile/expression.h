// The expression compiler: numeric expressions into operations, constant
// expressions evaluated at compile time, and ADDRESSOF.
#pragma once
#include <cstdint>

// Expression type flags: integer or SINGLE, bitwise or logical. Statements
// set them before an expression; add_op records integer_ops with every typed
// operation.
extern uint8_t integer_ops;
extern uint8_t bitwise_ops;

extern int32_t const_expr_value;
extern int32_t the_addr;

// A named constant (symbol type 7) keeps its value in g_symboladdr; its size
// field tells whether the value is a SINGLE's bits.
constexpr int32_t CONST_IS_SINGLE = 1;

int do_expr(uint8_t typeCheck);
int is_const_expr(uint8_t typeCheck);
int do_const_expr(uint8_t typeCheck);
int do_addr();
void lookahead4float();
int end_of_expr(uint16_t t);
uint16_t overloaded_ops(uint16_t op);
int32_t compute_op(int32_t left, uint16_t op, int32_t right);
int const_op_const(int32_t left, uint16_t op, int32_t right);
int compile_op(int32_t left, uint16_t op, int32_t right, uint8_t accFree);

// Value conversions between the two number kinds, as the compiler folds them.
uint32_t int_to_single_bits(int32_t v);
int32_t single_bits_to_int(uint32_t bits);
// A named constant's value in the current expression mode.
int32_t named_const_value(int symbol);
