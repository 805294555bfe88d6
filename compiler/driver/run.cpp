#include <cstdio>

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "core/clock.h"
#include "core/firmware.h"
#include "core/hooks.h"
#include "core/options.h"
#include "core/process.h"
#include "driver/driver.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"
#include "host/interpreter.h"

void run_on_host() {
  if (emit.fCODE == 0) return;
  // ARM-class code is counted in words: the figure is in halfwords. fCODE
  // itself must stay the stream length, or a second RUN would run off it.
  uint32_t units = arm_class() ? 2 * emit.fCODE : emit.fCODE;
  double code;
  if (f_table[2] == 0x2103)
    code = static_cast<uint32_t>(units - static_cast<uint32_t>(cstrings.ConstantStringPtr >> 2) + 1024u) / 256.0;
  else
    code = units / 256.0;
  fprintf(text_stream(), "\"... %6.2fK code %6.2f%s\n\"\n\n", code,
          (vars.g_VSP + firmware.varSpace - vars.g_VSPdim) / 256.0, "K data programmed\r\n");
  if (diag.error_seen) {
    fprintf(text_stream(), "\r\n%s %s:%d", "First ERROR at line ", reader.current_filename, diag.firstERR);
    return;
  }
  if (!check_labels(1, symtab.g_symbolcount)) return;
  add_op(OP_END, 0);
  optimizeTJ(0, 1);
  fprintf(text_stream(), "Executing on the PC...\n");
  uint32_t start = getTickCount();
  runINT();
  fprintf(text_stream(), "\r\n... Finished on the PC in %d ms\r\n", static_cast<int>(getTickCount() - start));
  emit.iCODE--;
  if (options.DEMOmode) {
    end_process(ExitStatus::Done);
  }
}
