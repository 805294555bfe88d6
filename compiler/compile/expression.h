// Expression type flags: integer or SINGLE, bitwise or logical. Statements
// set them before an expression; add_op records integer_ops with every typed
// operation.
#pragma once
#include <cstdint>

extern uint8_t integer_ops;
extern uint8_t bitwise_ops;
