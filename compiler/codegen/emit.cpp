#include "codegen/emit.h"

#include "driver/state.h"

int32_t Flash_codes[FLASH_CODES_SIZE];
int32_t INT_ops[INT_OPS_SIZE];
int32_t INT_addrs[INT_OPS_SIZE];
int32_t jump_table[JUMP_TABLE_SIZE];
int32_t missingLink[MISSING_LINK_SIZE];
uint16_t jmpPTR = 1;
int32_t nextLink = 0;
uint16_t last_op = 0;
uint8_t inside_ezh = 0;
int32_t last_addr = 0;

// No back end is connected yet: operations are accepted and emit nothing.
void add_op(uint16_t op, int32_t operand) {
  last_op = op;
  last_addr = operand;
}

void optimizeTJ(int32_t, int) {}

void reset_codegen() {
  jmpPTR = 1;
  nextLink = 0;
  last_op = 0;
  last_addr = 0;
}

void rewind_code(uint32_t mark) { fCODE = mark; }

uint16_t add_fwd_ref() {
  jump_table[jmpPTR] = -1;
  return jmpPTR++;
}

uint16_t add_fwd_jmpcall(uint16_t op) {
  add_op(op, jmpPTR);
  return add_fwd_ref();
}

void patchJumpTable(int32_t label) { jump_table[label] = static_cast<int32_t>(fCODE); }
