// Integer, logical and comparison routines, and the word read and write by
// address.
#include <cstdint>
#include <cstdio>

#include "frontend/tokenizer.h"
#include "host/host_memory.h"
#include "host/interpreter.h"
#include "host/runtime.h"

void f_div() {
  if (vm.reg_operand == 0) {
    divide_error();
    return;
  }
  // INT_MIN / -1 does not fit; it wraps to itself, as the negation does.
  if (vm.reg_operand == -1) {
    vm.reg_accum = static_cast<int32_t>(0u - static_cast<uint32_t>(vm.reg_accum));
    return;
  }
  vm.reg_accum /= vm.reg_operand;
}

void f_mod() {
  if (vm.reg_operand == 0) {
    divide_error();
    return;
  }
  if (vm.reg_operand == -1) {
    vm.reg_accum = 0;
    return;
  }
  vm.reg_accum %= vm.reg_operand;
}

void f_logand() { vm.reg_accum = (vm.reg_accum != 0 && vm.reg_operand != 0) ? 1 : 0; }
void f_logor() { vm.reg_accum = (vm.reg_accum != 0 || vm.reg_operand != 0) ? 1 : 0; }

void f_logxor() {
  vm.reg_operand = vm.reg_operand != 0 ? 1 : 0;
  vm.reg_accum = (vm.reg_accum != 0 ? 1 : 0) ^ vm.reg_operand;
}

void f_lognot() { vm.reg_accum = vm.reg_accum == 0 ? 1 : 0; }

void f_abs() {
  if (vm.reg_accum < 0) vm.reg_accum = static_cast<int32_t>(0u - static_cast<uint32_t>(vm.reg_accum));
}

void f_eq() { vm.reg_accum = vm.reg_accum == vm.reg_operand ? 1 : 0; }
void f_ne() { vm.reg_accum = vm.reg_accum != vm.reg_operand ? 1 : 0; }
void f_lt() { vm.reg_accum = vm.reg_accum < vm.reg_operand ? 1 : 0; }
void f_le() { vm.reg_accum = vm.reg_accum <= vm.reg_operand ? 1 : 0; }
void f_gt() { vm.reg_accum = vm.reg_accum > vm.reg_operand ? 1 : 0; }
void f_ge() { vm.reg_accum = vm.reg_accum >= vm.reg_operand ? 1 : 0; }

void f_rev() {
  // A word has 32 bits to reverse; a count beyond that reverses them all.
  int32_t n = vm.reg_operand > 32 ? 32 : vm.reg_operand;
  if (n <= 0) return;
  uint32_t old = static_cast<uint32_t>(vm.reg_accum);
  uint32_t low_mask = n == 32 ? 0xFFFFFFFFu : (1u << n) - 1u;
  uint32_t reversed = 0;
  for (int32_t i = 0; i < n; i++)
    if (old & (1u << (n - 1 - i))) reversed |= 1u << i;
  vm.reg_accum = static_cast<int32_t>((old & ~low_mask) | reversed);
}

void f_peekw() {
  uint32_t ref = static_cast<uint32_t>(vm.reg_accum);
  uint32_t avail = 0;
  const uint8_t *p = peek_bytes(ref, avail, false);
  if (p && avail >= 4) {
    // Constant word tables are stored little-endian, as on the board.
    vm.reg_accum = static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                        static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
  } else if (ref < static_cast<uint32_t>(STRINGTABLE_SIZE)) {
    vm.reg_accum = static_cast<int8_t>(g_stringtable[ref]);
  } else {
    vm.reg_accum = 0;
  }
}

void f_pokew() {
  printf("call POKE( %x <= %x )\n", static_cast<uint32_t>(vm.reg_lindex), static_cast<uint32_t>(vm.reg_accum));
  fflush(stdout);
}
