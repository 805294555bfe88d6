// The IOHA form of the I/O-handler translation: inline constant loads and
// peripheral access by address halves.
#include "codegen/emit.h"
#include "codegen/ioh/ioh.h"
#include "codegen/ioha/ioha.h"

namespace {

struct IohaRegister {
  uint8_t code;
  uint16_t select;  // names the register for a 16-bit load
  bool framed;      // a full 32-bit load is built in the accumulator and moved
};

constexpr IohaRegister ioha_registers[] = {
    {IOHA_ACCUM, 0x0140, false},
    {IOHA_OPERAND, 0x014C, true},
};

// Loads of a byte or a halfword.
constexpr uint16_t LOAD = 0x0154;
// A full 32-bit value is built in the accumulator: its high half, a shift
// by 16, its low half. For the operand register the build is framed by a
// move of the accumulator.
constexpr uint16_t FRAME[] = {0x0005, 0x0000};
constexpr uint16_t BUILD_START[] = {0x0154, 0x0080};
constexpr uint16_t HALF_LOAD = 0x0140;
constexpr uint16_t SHIFT_BY_16[] = {0x037C, 0x0000};

const IohaRegister *find_register(uint8_t code) {
  for (const IohaRegister &r : ioha_registers)
    if (r.code == code) return &r;
  return nullptr;
}

void ioha_load(IohRegister reg, int32_t value) {
  IOHAconstant(reg == IohRegister::Accum ? IOHA_ACCUM : IOHA_OPERAND, value);
}

void ioha_read_peripheral(int32_t n) {
  emit_ioh_instruction((static_cast<uint32_t>(n) & 0xFFFCu) + 1u, static_cast<uint32_t>(n >> 16));
}

void ioha_write_peripheral(int32_t n) {
  emit_ioh_instruction((static_cast<uint32_t>(n) & 0xFFFCu) + 2u, static_cast<uint32_t>(n >> 16));
}

constexpr IohForm ioha_form = {
    ioha_load, ioha_read_peripheral, ioha_write_peripheral, 0, {}, false,
};

}  // namespace

void IOHAconstant(uint8_t reg, int32_t value) {
  const IohaRegister *r = find_register(reg);
  if (r == nullptr) return;
  // The register code enters a unit as a signed byte: 0x80 is -128.
  int32_t code = static_cast<int8_t>(reg);
  uint32_t v = static_cast<uint32_t>(value);
  if (value >= 0 && value <= 255) {
    emit_ioh_instruction(LOAD, (static_cast<uint32_t>(code) + v * 256u) & 0xFFFFu);
  } else if (value >= 256 && value <= 0xFFFF) {
    emit_ioh_instruction(LOAD, static_cast<uint32_t>(code) & 0xFFFFu);
    emit_ioh_instruction(r->select, v);
  } else {
    // Any other value, negative or above 16 bits, is built from its two
    // halves.
    if (r->framed) emit_ioh_units(FRAME, 2);
    emit_ioh_units(BUILD_START, 2);
    emit_ioh_instruction(HALF_LOAD, v >> 16);
    emit_ioh_units(SHIFT_BY_16, 2);
    emit_ioh_instruction(HALF_LOAD, v & 0xFFFFu);
    if (r->framed) emit_ioh_units(FRAME, 2);
  }
}

void add_IOHA_op(uint16_t op, int32_t operand) { translate_ioh_op(op, operand, ioha_form); }
