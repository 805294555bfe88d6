#include "compile/procedures.h"

#include "compile/assignment.h"
#include "compile/builtins.h"
#include "driver/state.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

uint8_t localType[LOCALS_MAX];
int32_t localAddr[LOCALS_MAX];
uint16_t fsStart[PROCEDURES_MAX];
int32_t fsPointer = 0;
int32_t nextLocal = 0;
uint16_t inside_function = 0;
int32_t this_function = 0;
uint8_t inside_interrupt = 0;
int32_t globalstart = 0;

void reset_procedures() {
  // Descriptor 0 is empty, descriptor 1 is the integer result slot of the
  // main program's frame, descriptor 2 starts the first definition.
  fsPointer = 0;
  nextLocal = 0;
  fsStart[0] = 0;
  localType[0] = 0;
  localAddr[0] = 0;
  localType[1] = 'A';
  localAddr[1] = 1;
  fsPointer = 1;
  fsStart[1] = 1;
  localAddr[2] = 0;
  nextLocal = 3;
}

int function_first_slot(uint16_t t) { return fsStart[g_symbol_type[t & 0x7FFF] & 0x7F]; }

uint8_t function_result(uint16_t t) { return localType[function_first_slot(t)]; }

int load_globalparam() {
  if (globalstart == 0) {
    if (!allocate_array_words(16)) return 0;
    globalstart = g_VSPdim;
  }
  return do_param_array(globalstart);
}

// FUNCTION and SUB definitions are not compiled yet; the header is refused
// rather than its body being compiled as part of the main program.
void do_subfunc(uint8_t interrupt) {
  (void)interrupt;
  print_error_ln("FUNCTION and SUB are not supported yet");
}
