// SINGLE arithmetic: the registers hold IEEE single bits; arithmetic is
// done in double precision and rounded to single.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "host/interpreter.h"
#include "host/runtime.h"

float f_accum = 0.0f;
float f_operand = 0.0f;

namespace {

float as_single(int32_t bits) { return std::bit_cast<float>(bits); }
int32_t single_bits(double value) { return std::bit_cast<int32_t>(static_cast<float>(value)); }

// Truncation towards zero that saturates instead of overflowing; NaN has no
// integer and gives 0.
int32_t truncated(int32_t bits) {
  double d = as_single(bits);
  if (std::isnan(d)) return 0;
  if (d >= 2147483648.0) return INT32_MAX;
  if (d < -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(d);
}

}  // namespace

void flt_add() { reg_accum = single_bits(static_cast<double>(as_single(reg_accum)) + as_single(reg_operand)); }
void flt_sub() { reg_accum = single_bits(static_cast<double>(as_single(reg_accum)) - as_single(reg_operand)); }
void flt_mul() { reg_accum = single_bits(static_cast<double>(as_single(reg_accum)) * as_single(reg_operand)); }
void flt_div() { reg_accum = single_bits(static_cast<double>(as_single(reg_accum)) / as_single(reg_operand)); }

void flt_neg() {
  // Only the sign bit changes, so -(-1.5) is 1.5; 0.0 is left as it is.
  if (reg_accum != 0) reg_accum = static_cast<int32_t>(static_cast<uint32_t>(reg_accum) ^ 0x80000000u);
}

void flt_2int() { reg_accum = truncated(reg_accum); }
void flt_n2int() { reg_operand = truncated(reg_operand); }
void flt_2float() { reg_accum = single_bits(reg_accum); }
void flt_n2float() { reg_operand = single_bits(reg_operand); }

void set_f_val() {
  f_accum = as_single(reg_accum);
  f_operand = as_single(reg_operand);
}

void flt_eq() {
  set_f_val();
  reg_accum = f_accum == f_operand ? 1 : 0;
}
void flt_ne() {
  set_f_val();
  reg_accum = f_accum != f_operand ? 1 : 0;
}
void flt_lt() {
  set_f_val();
  reg_accum = f_accum < f_operand ? 1 : 0;
}
void flt_gt() {
  set_f_val();
  reg_accum = f_accum > f_operand ? 1 : 0;
}
void flt_le() {
  set_f_val();
  reg_accum = f_accum <= f_operand ? 1 : 0;
}
void flt_ge() {
  set_f_val();
  reg_accum = f_accum >= f_operand ? 1 : 0;
}

void flt_print() { printf("%1.6G", static_cast<double>(as_single(reg_accum))); }

void flt_2str() {
  char text[64];
  int n = snprintf(text, sizeof text, "%1.6G", static_cast<double>(as_single(reg_accum)));
  if (n < 0) n = 0;
  if (n >= static_cast<int>(sizeof text)) n = sizeof text - 1;
  append_to_accum(text, static_cast<uint32_t>(n));
}
