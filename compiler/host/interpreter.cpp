#include "host/interpreter.h"

int32_t reg_accum = 0;
int32_t reg_operand = 0;
int32_t reg_lindex = 0;
int32_t reg_next = 0;
int32_t reg_strscratch = 0;
uint32_t iCSP = 0;
int32_t stack[STACK_WORDS];
int32_t StkPtr = 0;
int32_t last_accum = 0;

// The operation-stream interpreter is not connected yet.
void runINT() {}
