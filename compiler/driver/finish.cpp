#include <cstdio>
#include <cstdlib>

#include "codegen/emit.h"
#include "driver/driver.h"
#include "driver/hex_output.h"
#include "driver/state.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

namespace {
constexpr uint16_t OP_END = 124;

[[noreturn]] void finish_with(int status) {
  fflush(stdout);
  exit(status);
}
}  // namespace

void quit_dump() {
  add_op(OP_END, 0);
  if (error_seen) {
    printf("\r\n-%s :%d\r\n", "First ERROR at line ", firstERR);
    finish_with(1);
  }
  if (!check_labels(1, g_symbolcount)) finish_with(2);
  if (first_functionsub != 0 &&
      (first_gotosubwhiledo == 0 || first_gotosubwhiledo > first_functionsub)) {
    print_error_ln("Function/Sub requires GOTO around or MAIN:");
    finish_with(3);
  }
  optimizeTJ(0, 1);
  write_image();
  // END no longer counts; a target whose back end emitted nothing has no
  // unit to take back.
  if (fCODE > 0) fCODE--;
  bool thumb = !arm_class();
  printf("\"... (%5.2fK code +%5.2fK const)/%dK %6.2f/%d%s\n\"\n\n",
         thumb ? fCODE / 512.0 : fCODE / 256.0, (0x20000 - ConstantStringPtr) / 1024.0,
         thumb ? codeSize >> 9 : codeSize >> 8, (g_VSP + varSpace - g_VSPdim) / 256.0,
         varSpace >> 8, "K data programmed\r\n");
  if (mapfound) {
    printf("\n\"MAP CODE (bytes):&H%x CONST:&H%x DATA:&H%x STRING:&H%x\"\n\n\n",
           static_cast<unsigned>(f_table[4] * 16u + fCODE * (thumb ? 2u : 4u)),
           static_cast<unsigned>(string_area_top() + static_cast<uint32_t>(ConstantStringPtr) - 0x20000u),
           static_cast<unsigned>(g_VSP * 4), static_cast<unsigned>(g_VSPdim * 4));
  }
  sym_dump("", 0, g_symbolcount);
  finish_with(0);
}
