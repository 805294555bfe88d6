// The translation both I/O-handler back ends share: one table from virtual
// operations to coprocessor code, with the few places where the IOHA form
// differs from the IOHB form passed in as an IohForm.
#pragma once
#include <cstdint>

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
