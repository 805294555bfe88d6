#include <cstdio>

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "compile/statement.h"
#include "compile/symbol_map.h"
#include "core/firmware.h"
#include "core/hooks.h"
#include "core/process.h"
#include "driver/driver.h"
#include "driver/hex_output.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"

void quit_dump() {
  add_op(OP_END, 0);
  if (diag.error_seen) {
    fprintf(text_stream(), "\r\n-%s :%d\r\n", "First ERROR at line ", diag.firstERR);
    end_process(ExitStatus::ProgramErrors);
  }
  if (!check_labels(1, symtab.g_symbolcount)) end_process(ExitStatus::UndefinedLabels);
  if (program.first_functionsub != 0 &&
      (program.first_gotosubwhiledo == 0 || program.first_gotosubwhiledo > program.first_functionsub)) {
    fatal_error("Function/Sub requires GOTO around or MAIN:", ExitStatus::RoutineRunInto);
  }
  optimizeTJ(0, 1);
  write_image();
  // END no longer counts; a target whose back end emitted nothing has no
  // unit to take back.
  if (emit.fCODE > 0) emit.fCODE--;
  bool thumb = !arm_class();
  fprintf(text_stream(), "\"... (%5.2fK code +%5.2fK const)/%dK %6.2f/%d%s\n\"\n\n",
          thumb ? emit.fCODE / 512.0 : emit.fCODE / 256.0, (0x20000 - cstrings.ConstantStringPtr) / 1024.0,
          thumb ? firmware.codeSize >> 9 : firmware.codeSize >> 8,
          (vars.g_VSP + firmware.varSpace - vars.g_VSPdim) / 256.0, firmware.varSpace >> 8, "K data programmed\r\n");
  if (program.mapfound) print_memory_map_line();
  sym_dump("", 0, symtab.g_symbolcount);
  end_process(ExitStatus::Done);
}
