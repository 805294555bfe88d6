// The IOHB back end: virtual operations as code for the board's I/O-handler
// coprocessor inside __IOHB__ sections (inside_ezh = 2). Every coprocessor
// instruction is 32 bits, held as two code units, low half first. Register 7
// is the accumulator, register 6 the operand register, registers 0 to 4 the
// parameters and locals of a handler routine.
#pragma once
#include <climits>
#include <cstdint>

// The value of ezhVarStart while no I/O-handler routine is being defined:
// no word index reaches it, so every variable is global, and a call saves
// no registers (g_VSP - ezhVarStart is negative).
constexpr int32_t EZH_NO_LOCALS = INT32_MAX;

struct IoHandlerState {
  // Offset of the handler's code as the coprocessor addresses it, set by
  // __MAP__ __IOHB__ CODE; a code unit p is at IOHBcode + codeStart + 2p.
  int32_t IOHBcode = 0;
  // Set by __MAP__ __IOHB__ DATA.
  int32_t IOHBdata = 0;
  // Peripheral address of the pending word store, set when a `*` store
  // names a peripheral register (op 54 reads it).
  int32_t ezh_vpbaddr = 0;
  // 1 while a tight counted loop (op 228 .. op 229) is open.
  uint8_t inside_tightLoop = 0;
  // The first variable number of the routine being defined in an
  // I/O-handler section: its parameters and locals live in registers.
  int32_t ezhVarStart = EZH_NO_LOCALS;
  // Set while a call's arguments are compiled.
  uint8_t ezh_calling = 0;
};
extern IoHandlerState ioh;

// The address the coprocessor knows code unit i by.
uint32_t ioh_code_address(int32_t i);
// The coprocessor's jump to code unit i: the target's address above a
// fixed opcode.
uint32_t ioh_jump_to(int32_t i);

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

// Back to the state before the first I/O-handler section of a program.
void reset_io_handler();
