// The expression compiler: numeric expressions into operations, constant
// expressions evaluated at compile time, and ADDRESSOF.
#pragma once
#include <cstdint>

// The expression type flags, integer_ops and bitwise_ops, are the
// emitter's (codegen/emit.h): add_op records the first with every typed
// operation, and the back ends read both.
#include "codegen/emit.h"

// Values the constant evaluators hand back.
struct ExpressionState {
  // The value of the last constant expression.
  int32_t const_expr_value = 0;
  // The address ADDRESSOF found.
  int32_t the_addr = 0;
};
extern ExpressionState expr;

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
