#include <cstdint>

#include "codegen/arm/arm.h"
#include "codegen/arm/arm_encoding.h"
#include "codegen/emit.h"
#include "codegen/links.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"

namespace {

// Bits 31 to 29 of an ARM link word are flags; the rest names the target.
constexpr uint32_t LINK_TARGET_MASK = 0x1FFFFFFFu;

}  // namespace

uint32_t ARM_link_word(int32_t p) { return static_cast<uint32_t>(Flash_codes[p]); }

void ARMoptimizeTJ(uint32_t first) {
  bool old = firmware.kind == TargetKind::OldArm;
  for (int64_t index = first; index < links.nextLink && index < MISSING_LINK_SIZE; index++) {
    int32_t p = missingLink[index];
    if (p < 0 || p >= FLASH_CODES_SIZE) continue;
    uint32_t w = ARM_link_word(p);
    bool label = (w & LINK_LABEL) != 0;
    int32_t x = 0;
    if (!link_target_unit(label, w & LINK_TARGET_MASK, x)) {
      print_error_ln("Jump to an unknown label");
      continue;
    }
    uint32_t instruction = ARM_B;
    if (label) {
      // Bit 29 marks the jump behind a compare: taken when r7 was 0.
      if (w & ARM_LINK_BEQ) instruction = ARM_BEQ;
    } else if (w & LINK_GOTO) {
      // A user label starts with a branch over its prologue: GOTO enters
      // behind both, GOSUB at the prologue.
      x += 2;
    } else {
      x += 1;
      instruction = ARM_BL;
    }
    INT_addrs[p] = x;
    // Old firmware calls through its own routine; the placeholder is that
    // call's data word, the target's address.
    if (instruction == ARM_BL && old)
      put_data_unit(static_cast<uint32_t>(p), static_cast<int32_t>(code_unit_address(static_cast<uint32_t>(x))));
    else
      put_unit(static_cast<uint32_t>(p), static_cast<int32_t>(arm_branch(instruction, p, x)));
  }
}
