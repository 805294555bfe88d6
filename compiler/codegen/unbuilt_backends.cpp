#include "codegen/unbuilt_backends.h"

#include "codegen/emit.h"

// Until their back ends exist these operations produce no code; add_op
// records nothing for them, and the peephole state still follows them.
void add_ARM_op(uint16_t op, int32_t operand) {
  last_op = op;
  last_addr = operand;
}

void add_IOHA_op(uint16_t op, int32_t operand) {
  last_op = op;
  last_addr = operand;
}

// ARM code leaves no placeholders yet, so there is nothing to resolve.
void ARMoptimizeTJ(uint32_t) {}
