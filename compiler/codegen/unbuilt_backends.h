// The back end that is not built yet: the ARM back end (firmware below
// 2048). It has its place in add_op and in link resolution already; for now
// it emits nothing.
#pragma once
#include <cstdint>

void add_ARM_op(uint16_t op, int32_t operand);
void ARMoptimizeTJ(uint32_t first);
