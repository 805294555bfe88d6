// Encodings shared by the parts of the Thumb back end.
#pragma once
#include <cstdint>

struct ThumbPair {
  int32_t first, second;
};

// BL as a pair of halfwords for the halfword offset t, counted from the
// pair's address plus 4. BL reaches any code or firmware address, so it
// also serves as the long jump.
constexpr ThumbPair thumb_bl(int32_t t) {
  return {0xF000 + ((t >> 11) & 0x7FF), 0xF800 + (t & 0x7FF)};
}

// The BL pair at unit p that reaches byte address target.
ThumbPair thumb_bl_to_address(uint32_t p, int64_t target);
// The BL pair at unit p that reaches code unit x.
ThumbPair thumb_bl_to_unit(uint32_t p, int64_t x);
// Emits a BL pair at fCODE.
void emit_thumb_pair(ThumbPair pair);
