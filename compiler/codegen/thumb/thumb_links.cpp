#include <cstdint>

#include "codegen/emit.h"
#include "codegen/ioh/ioh.h"
#include "codegen/links.h"
#include "codegen/thumb/thumb.h"
#include "codegen/thumb/thumb_encoding.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

uint32_t TH_link_word(int32_t p) {
  return static_cast<uint32_t>(Flash_codes[p]) + 65536u * static_cast<uint32_t>(Flash_codes[p + 1]);
}

void THoptimizeTJ(uint32_t first) {
  for (int64_t index = first; index < links.nextLink && index < MISSING_LINK_SIZE; index++) {
    int32_t p = missingLink[index];
    if (p < 0 || p + 1 >= FLASH_CODES_SIZE) continue;
    uint32_t w = TH_link_word(p);
    bool label = (w & LINK_LABEL) != 0;
    int32_t x = 0;
    if (w & LINK_IOH) {
      if (!link_target_unit(label, w & 0x1FFFFFFFu, x)) {
        print_error_ln("Jump to an unknown label");
        continue;
      }
      uint32_t v = ioh_jump_to(x);
      put_unit(static_cast<uint32_t>(p), static_cast<int32_t>(v & 0xFFFF));
      put_unit(static_cast<uint32_t>(p + 1), static_cast<int32_t>(v) >> 16);
      continue;
    }
    if (!link_target_unit(label, w & 0x3FFFFFFFu, x)) {
      print_error_ln("Jump to an unknown label");
      continue;
    }
    // A user label starts with a branch over its subroutine prologue: GOTO
    // enters behind both, GOSUB at the prologue.
    if (!label) x += (w & LINK_GOTO) ? 2 : 1;
    INT_addrs[p + 1] = x;
    ThumbPair pair = thumb_bl(static_cast<int32_t>(static_cast<int64_t>(x) - p - 2));
    put_unit(static_cast<uint32_t>(p), pair.first);
    put_unit(static_cast<uint32_t>(p + 1), pair.second);
  }
}
