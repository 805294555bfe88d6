#include "compile/procedures.h"

#include "frontend/symbols.h"

uint8_t localType[LOCALS_MAX];
int32_t localAddr[LOCALS_MAX];
uint16_t fsStart[PROCEDURES_MAX];
int32_t fsPointer = 0;
int32_t nextLocal = 0;

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
