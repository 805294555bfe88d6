#include "codegen/unbuilt_backends.h"

#include "codegen/emit.h"

// Until its back end exists this operation produces no code; add_op
// records nothing for it, and the peephole state still follows it.
void add_ARM_op(uint16_t op, int32_t operand) {
  last_op = op;
  last_addr = operand;
}

// ARM code leaves no placeholders yet, so there is nothing to resolve.
void ARMoptimizeTJ(uint32_t) {}
