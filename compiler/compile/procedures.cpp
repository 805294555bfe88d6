#include "compile/procedures.h"

#include "compile/assignment.h"
#include "compile/builtins.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"
#include "frontend/tokens.h"

uint8_t localType[LOCALS_MAX];
int32_t localAddr[LOCALS_MAX];
uint16_t fsStart[PROCEDURES_MAX];
Procedures procs;

void reset_procedures() {
  // Routines without a descriptor of their own share two: descriptor 0 for
  // a SUB (no result) and descriptor 1 for an INTEGER FUNCTION, each a
  // result entry followed directly by its end entry, so that both are
  // called without arguments.
  fsStart[0] = 0;
  localType[0] = 0;
  localAddr[0] = 0;
  localType[1] = 0;
  localAddr[1] = 0;
  fsStart[1] = 2;
  localType[2] = SYM_INTEGER;
  localAddr[2] = 0;
  localType[3] = 0;
  localAddr[3] = 0;
  procs = Procedures{};
}

int function_first_slot(uint16_t t) { return fsStart[g_symbol_type[symbol_of(t)] & 0x7F]; }

uint8_t function_result(uint16_t t) { return localType[function_first_slot(t)]; }

int load_globalparam() {
  if (vars.globalstart == 0) {
    if (!allocate_array_words(PARAM_BLOCK_WORDS)) return 0;
    vars.globalstart = vars.g_VSPdim;
  }
  return do_param_array(vars.globalstart);
}

