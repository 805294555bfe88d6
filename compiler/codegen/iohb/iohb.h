// The IOHB back end: virtual operations as code for the board's I/O-handler
// coprocessor inside __IOHB__ sections (inside_ezh = 2). Every coprocessor
// instruction is 32 bits, held as two code units, low half first. Register 7
// is the accumulator, register 6 the operand register, registers 0 to 4 the
// parameters and locals of a handler routine.
#pragma once
#include <cstdint>

#include "codegen/ioh/ioh.h"

// The most distance, in units, between the first pending pool load and
// the next operation before the pool is placed behind a jump.
constexpr int64_t IOHB_POOL_REACH = 240;

void add_IOHB_op(uint16_t op, int32_t operand);

// Emits the register-immediate load of value into register reg when value
// fits an 11-bit immediate shifted by 0 to 21; with invert set the
// coprocessor loads the complement of that immediate. Returns 1 if it
// emitted, 0 (and nothing emitted) if value does not fit.
int checkImmShftIOHB(uint8_t reg, uint8_t invert, int32_t value);
// Loads any 32-bit value into register reg: the immediate form, the
// inverted immediate form of NOT value, else a load from the pool.
void IOHBconstant(uint8_t reg, int32_t value);
// Places the pool behind a jump over it when its first pending load would
// otherwise fall out of reach.
void IOHB_flush_pool_if_due();
