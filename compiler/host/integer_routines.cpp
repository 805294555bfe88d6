// Integer, logical and comparison routines, and the word read and write by
// address.
#include <cstdint>
#include <cstdio>

#include "frontend/tokenizer.h"
#include "host/host_memory.h"
#include "host/interpreter.h"
#include "host/runtime.h"

void f_div() {
  if (reg_operand == 0) {
    divide_error();
    return;
  }
  // INT_MIN / -1 does not fit; it wraps to itself, as the negation does.
  if (reg_operand == -1) {
    reg_accum = static_cast<int32_t>(0u - static_cast<uint32_t>(reg_accum));
    return;
  }
  reg_accum /= reg_operand;
}

void f_mod() {
  if (reg_operand == 0) {
    divide_error();
    return;
  }
  if (reg_operand == -1) {
    reg_accum = 0;
    return;
  }
  reg_accum %= reg_operand;
}

void f_logand() { reg_accum = (reg_accum != 0 && reg_operand != 0) ? 1 : 0; }
void f_logor() { reg_accum = (reg_accum != 0 || reg_operand != 0) ? 1 : 0; }

void f_logxor() {
  reg_operand = reg_operand != 0 ? 1 : 0;
  reg_accum = (reg_accum != 0 ? 1 : 0) ^ reg_operand;
}

void f_lognot() { reg_accum = reg_accum == 0 ? 1 : 0; }

void f_abs() {
  if (reg_accum < 0) reg_accum = static_cast<int32_t>(0u - static_cast<uint32_t>(reg_accum));
}

void f_eq() { reg_accum = reg_accum == reg_operand ? 1 : 0; }
void f_ne() { reg_accum = reg_accum != reg_operand ? 1 : 0; }
void f_lt() { reg_accum = reg_accum < reg_operand ? 1 : 0; }
void f_le() { reg_accum = reg_accum <= reg_operand ? 1 : 0; }
void f_gt() { reg_accum = reg_accum > reg_operand ? 1 : 0; }
void f_ge() { reg_accum = reg_accum >= reg_operand ? 1 : 0; }

void f_rev() {
  // A word has 32 bits to reverse; a count beyond that reverses them all.
  int32_t n = reg_operand > 32 ? 32 : reg_operand;
  if (n <= 0) return;
  uint32_t old = static_cast<uint32_t>(reg_accum);
  uint32_t low_mask = n == 32 ? 0xFFFFFFFFu : (1u << n) - 1u;
  uint32_t reversed = 0;
  for (int32_t i = 0; i < n; i++)
    if (old & (1u << (n - 1 - i))) reversed |= 1u << i;
  reg_accum = static_cast<int32_t>((old & ~low_mask) | reversed);
}

void f_peekw() {
  uint32_t ref = static_cast<uint32_t>(reg_accum);
  uint32_t avail = 0;
  const uint8_t *p = peek_bytes(ref, avail, false);
  if (p && avail >= 4) {
    // Constant word tables are stored little-endian, as on the board.
    reg_accum = static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                     static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
  } else if (ref < static_cast<uint32_t>(STRINGTABLE_SIZE)) {
    reg_accum = static_cast<int8_t>(g_stringtable[ref]);
  } else {
    reg_accum = 0;
  }
}

void f_pokew() {
  printf("call POKE( %x <= %x )\n", static_cast<uint32_t>(reg_lindex), static_cast<uint32_t>(reg_accum));
  fflush(stdout);
}
