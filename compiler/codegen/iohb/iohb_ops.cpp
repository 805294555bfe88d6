// The IOHB form of the I/O-handler translation: constants through the
// immediate forms or the pool, and peripheral access by shifted fields.
#include "codegen/emit.h"
#include "codegen/iohb/iohb.h"

namespace {

constexpr uint8_t ACCUM_REGISTER = 7, OPERAND_REGISTER = 6;

void iohb_load(IohRegister reg, int32_t value) {
  IOHBconstant(reg == IohRegister::Accum ? ACCUM_REGISTER : OPERAND_REGISTER, value);
}

void iohb_read_peripheral(int32_t n) {
  uint32_t a = static_cast<uint32_t>(n);
  emit_ioh_instruction(((a * 4096u) & 0xC000u) + 0x1C04u, static_cast<uint32_t>(n >> 4));
}

// The address comes from the `*` store that set ezh_vpbaddr, not from the
// operand.
void iohb_write_peripheral(int32_t) {
  uint32_t a = static_cast<uint32_t>(ioh.ezh_vpbaddr);
  emit_ioh_instruction(((a & 0xFFCu) << 8) + 5u, ((a & 0xFF000u) >> 4) + 0x70u);
}

constexpr IohForm iohb_form = {
    iohb_load, iohb_read_peripheral, iohb_write_peripheral, 2, {0x0402, 0x01FF}, true,
};

}  // namespace

void add_IOHB_op(uint16_t op, int32_t operand) {
  IOHB_flush_pool_if_due();
  translate_ioh_op(op, operand, iohb_form);
}
