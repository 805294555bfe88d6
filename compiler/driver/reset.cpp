#include "codegen/emit.h"
#include "compile/assignment.h"
#include "compile/operands.h"
#include "compile/procedures.h"
#include "compile/statement.h"
#include "codegen/iohb/iohb.h"
#include "driver/driver.h"
#include "driver/state.h"
#include "frontend/symbols.h"

namespace {
constexpr uint16_t OP_STARTUP = 139;
}

void init_compiler() {
  reset_generation++;
  codeStart = f_table[4] * 16;
  DATAstart = f_table[3] * 16;
  g_VSPdim = static_cast<int16_t>(varSpace);
  if (f_table[1] > 10) FlashEnd = f_table[41] * 16;
  ConstantStringPtr = 0x20000;
  ConstantStringCounter = 0;
  if (f_table[2] == 0x3200) FlashEnd |= 0x20000000;

  // State a finished or abandoned program may have left behind.
  CONSToffset = 0x20000;
  CODEoffset = 0;
  mapfound = 0;
  error_seen = 0;
  requireDIM = 0;
  first_gotosubwhiledo = 0;
  first_functionsub = 0;
  iCODE = 0;
  printfLocal = 0;
  globalstart = 0;
  inside_function = 0;
  this_function = 0;
  inside_interrupt = 0;
  ezh_calling = 0;
  ezhVarStart = EZH_NO_LOCALS;
  reset_codegen();

  jmpPTR = 1;
  g_symbolcount = 1;
  g_VSP = 1;
  fCODE = 0;
  g_symbol_type[0] = SYM_UNDEF_LABEL;
  g_symboladdr[0] = arm_class() ? 1 : 2;

  uint16_t version = f_table[0];
  if (version > 2053) {
    add_op(OP_STARTUP, 2);
  } else if (version >= 2048) {
    add_op(OP_STARTUP, 2);
    add_op(OP_STARTUP, 4);
  } else if (version >= 1829) {
    add_op(OP_STARTUP, 1);
  } else {
    for (int k = 0; k < 4; k++) add_op(OP_STARTUP, static_cast<int32_t>(fCODE + 1));
  }

  nextLink = 0;
  reset_procedures();

  g_STP = 0;
  g_linenum = 0;
  firstERR = 0;
  localoffset = 0;
  localcnt = 0;
}
