// IOHB constants: the register-immediate form, its inverted form, and the
// pool with its jump over it.
#include "codegen/emit.h"
#include "codegen/ioh/ioh.h"
#include "codegen/iohb/iohb.h"
#include "codegen/literal_pool.h"

namespace {

// The immediate is 11 bits wide and may be shifted left by 0 to 21.
constexpr uint32_t IMMEDIATE_MASK = 0x7FF;
constexpr uint32_t LAST_SHIFT = 21;

// The load from the pool before compileConstants puts its word offset into
// bits 8 to 15 of the second unit.
constexpr uint32_t POOL_LOAD = 0x4001, POOL_LOAD_TAIL = 0x0007;

// The jump over a pool placed in the middle of code; the distance in units
// goes above bit 7 of the second unit.
constexpr uint32_t POOL_JUMP = 0x7406, POOL_JUMP_TAIL = 0x0007;

void place_pool_behind_jump() {
  uint32_t v = emit.fCODE;
  emit_ioh_instruction(0, 0);
  compileConstants();
  put_unit(v, POOL_JUMP);
  put_unit(v + 1, static_cast<int32_t>((((emit.fCODE - v - 2) << 7) + POOL_JUMP_TAIL) & 0xFFFFu));
}

}  // namespace

int checkImmShftIOHB(uint8_t reg, uint8_t invert, int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  for (uint32_t s = 0; s <= LAST_SHIFT; s++) {
    if ((v & ~(IMMEDIATE_MASK << s)) != 0) continue;
    // The shift is split: bits 0-1 into the first unit's top bits, bits
    // 2-3 into the second unit's bits 0-1, bit 4 into its bit 3.
    emit_ioh_instruction((s & 3u) * 16384u + reg * 1024u,
                         (invert ? 32768u : 0u) + (v >> s) * 16u + (s & 16u) / 2u + (s & 12u) / 4u + 4u);
    return 1;
  }
  return 0;
}

void IOHBconstant(uint8_t reg, int32_t value) {
  if (checkImmShftIOHB(reg, 0, value)) return;
  if (checkImmShftIOHB(reg, 1, ~value)) return;
  if (pool.nextConst >= POOL_SIZE) place_pool_behind_jump();
  add_pool_constant(value);
  emit_ioh_instruction(POOL_LOAD + reg * 1024u, POOL_LOAD_TAIL);
}

void IOHB_flush_pool_if_due() {
  if (pool.nextConst > 0 && static_cast<int64_t>(emit.fCODE) - patchaddr[0] > IOHB_POOL_REACH) place_pool_behind_jump();
}
