#include "compile/expression.h"

uint8_t integer_ops = 1;
uint8_t bitwise_ops = 1;
