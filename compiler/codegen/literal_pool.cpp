#include "codegen/literal_pool.h"

#include <cstdio>

#include "codegen/emit.h"
#include "core/process.h"
#include "frontend/diagnostics.h"

int32_t patchconst[POOL_SIZE];
int32_t patchaddr[POOL_SIZE];
int32_t dupConst[POOL_SIZE];
PoolState pool;

void add_pool_constant(int32_t value) {
  if (pool.nextConst >= POOL_SIZE) {
    // The back ends flush before this can happen; refuse rather than write
    // past the pool.
    fatal_error("Too many pending constants", ExitStatus::NoRoom);
  }
  patchaddr[pool.nextConst] = static_cast<int32_t>(emit.fCODE);
  patchconst[pool.nextConst] = value;
  pool.nextConst++;
}

int32_t look4duplicateConst(int32_t i) {
  if (i < 0 || i >= POOL_SIZE) return -1;
  for (int32_t j = 0; j < i; j++)
    if (patchconst[j] == patchconst[i]) return j;
  return -1;
}

namespace {

// Fills in the offset of the load at unit p so that it reaches the value at
// unit t.
void patch_load(int32_t p, int32_t t, bool duplicate) {
  if (p < 0 || p + 1 >= FLASH_CODES_SIZE) return;
  if (emit.inside_ezh == 0) {
    // A Thumb PC-relative load counts words from its own address plus 4,
    // rounded down to a word.
    int32_t offset = ((t - p + 1) >> 1) - 1;
    if (offset > 255)
      print_error_ln(duplicate ? "constant is too far away -- send this code sample to Velmora"
                               : "constant too far away -- send this code sample to Velmora");
    put_unit(static_cast<uint32_t>(p), Flash_codes[p] | (offset & 0xFF));
  } else {
    // The I/O handler's 32-bit load keeps its word offset in the high byte
    // of its second halfword.
    int32_t offset = ((t - p) >> 1) - 2;
    if (offset > 127) print_error_ln("IOHB constant too far away -- send this code sample to Velmora");
    put_unit(static_cast<uint32_t>(p + 1), Flash_codes[p + 1] | ((offset & 0xFF) << 8));
  }
}

}  // namespace

void compileConstants() {
  // The pool holds words, so it starts on a word boundary.
  if (emit.fCODE & 1) emit_data_unit(0);
  for (int32_t i = 0; i < pool.nextConst; i++) {
    int32_t d = look4duplicateConst(i);
    if (d < 0) {
      patch_load(patchaddr[i], static_cast<int32_t>(emit.fCODE), false);
      dupConst[i] = static_cast<int32_t>(emit.fCODE);
      emit_data_value32(patchconst[i]);
    } else {
      patch_load(patchaddr[i], dupConst[d], true);
      dupConst[i] = 0;
    }
  }
  pool.nextConst = 0;
  pool.pool_placed_end = emit.fCODE;
}

void reset_literal_pool() {
  for (int32_t i = 0; i < POOL_SIZE; i++) {
    patchconst[i] = 0;
    patchaddr[i] = 0;
    dupConst[i] = 0;
  }
  pool = PoolState{};
}
