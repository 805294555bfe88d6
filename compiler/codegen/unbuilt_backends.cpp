#include "codegen/unbuilt_backends.h"

#include "codegen/emit.h"

int32_t IOHBcode = 0;

// Until their back ends exist these operations produce no code; add_op
// records nothing for them, and the peephole state still follows them.
void add_IOHA_op(uint16_t op, int32_t operand) {
  last_op = op;
  last_addr = operand;
}

void add_IOHB_op(uint16_t op, int32_t operand) {
  last_op = op;
  last_addr = operand;
}

void IOHB_flush_pool_if_due() {}
