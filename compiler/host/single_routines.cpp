// SINGLE arithmetic: the registers hold IEEE single bits; arithmetic is
// done in double precision and rounded to single.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "host/interpreter.h"
#include "host/runtime.h"

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

void flt_add() { vm.reg_accum = single_arith(vm.reg_accum, vm.reg_operand, '+'); }
void flt_sub() { vm.reg_accum = single_arith(vm.reg_accum, vm.reg_operand, '-'); }
void flt_mul() { vm.reg_accum = single_arith(vm.reg_accum, vm.reg_operand, '*'); }
void flt_div() { vm.reg_accum = single_arith(vm.reg_accum, vm.reg_operand, '/'); }

void flt_neg() {
  // Only the sign bit changes, so -(-1.5) is 1.5; 0.0 is left as it is.
  if (vm.reg_accum != 0) vm.reg_accum = static_cast<int32_t>(static_cast<uint32_t>(vm.reg_accum) ^ 0x80000000u);
}

void flt_2int() { vm.reg_accum = truncated(vm.reg_accum); }
void flt_n2int() { vm.reg_operand = truncated(vm.reg_operand); }
void flt_2float() { vm.reg_accum = single_bits(vm.reg_accum); }
void flt_n2float() { vm.reg_operand = single_bits(vm.reg_operand); }

void set_f_val() {
  vm.f_accum = as_single(vm.reg_accum);
  vm.f_operand = as_single(vm.reg_operand);
}

void flt_eq() {
  set_f_val();
  vm.reg_accum = vm.f_accum == vm.f_operand ? 1 : 0;
}
void flt_ne() {
  set_f_val();
  vm.reg_accum = vm.f_accum != vm.f_operand ? 1 : 0;
}
void flt_lt() {
  set_f_val();
  vm.reg_accum = vm.f_accum < vm.f_operand ? 1 : 0;
}
void flt_gt() {
  set_f_val();
  vm.reg_accum = vm.f_accum > vm.f_operand ? 1 : 0;
}
void flt_le() {
  set_f_val();
  vm.reg_accum = vm.f_accum <= vm.f_operand ? 1 : 0;
}
void flt_ge() {
  set_f_val();
  vm.reg_accum = vm.f_accum >= vm.f_operand ? 1 : 0;
}

void flt_print() { printf("%1.6G", static_cast<double>(as_single(vm.reg_accum))); }

void flt_2str() {
  char text[64];
  int n = snprintf(text, sizeof text, "%1.6G", static_cast<double>(as_single(vm.reg_accum)));
  if (n < 0) n = 0;
  if (n >= static_cast<int>(sizeof text)) n = sizeof text - 1;
  append_to_accum(text, static_cast<uint32_t>(n));
}
