// What both I/O-handler back ends (IOHA and IOHB) share: the state of
// I/O-handler sections and routines, and the translation, one table from
// virtual operations to coprocessor code with the few places where the
// IOHA form differs from the IOHB form passed in as an IohForm.
#pragma once
#include <climits>
#include <cstdint>

#include "codegen/emit.h"

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

// In I/O-handler code a word access at a constant address from 0x40000000
// to 0x400FFFFF reaches a peripheral register directly; its operations
// carry the register's offset, word-aligned, in the low 20 bits.
inline bool ioh_peripheral(int32_t address) {
  return emit.inside_ezh != 0 && (static_cast<uint32_t>(address) >> 20) == 0x400;
}
inline int32_t peripheral_register(int32_t address) {
  return static_cast<int32_t>(static_cast<uint32_t>(address) & 0xFFFFCu);
}

// The address the coprocessor knows code unit i by.
uint32_t ioh_code_address(int32_t i);
// The coprocessor's jump to code unit i: the target's address above a
// fixed opcode.
uint32_t ioh_jump_to(int32_t i);

// Back to the state before the first I/O-handler section of a program.
void reset_io_handler();

// The two virtual-machine registers an I/O-handler constant load targets.
enum class IohRegister : uint8_t { Accum, Operand };

struct IohForm {
  // Loads a 32-bit value into the accumulator or the operand register.
  void (*load)(IohRegister reg, int32_t value);
  // Ops 53 and 54: read and write the peripheral register at address n.
  void (*read_peripheral)(int32_t n);
  void (*write_peripheral)(int32_t n);
  // Units op 142 emits after aligning to an instruction boundary.
  uint8_t entry_count;
  uint16_t entry_units[2];
  // Whether the form has a constant pool to place at op 208 and op 124.
  bool has_pool;
};

// Emits the code of one operation and leaves last_op/last_addr behind it.
void translate_ioh_op(uint16_t op, int32_t operand, const IohForm &form);

// Helpers the forms use for their own units.
// One coprocessor instruction, the word first + 65536 * second, as its two
// units. A field that the first half's formula places above bit 15 belongs
// to the second half's bits; it is carried there, not cut off.
void emit_ioh_instruction(uint32_t first, uint32_t second);
// A run of instructions given as units, two per instruction.
void emit_ioh_units(const uint16_t *units, int count);
