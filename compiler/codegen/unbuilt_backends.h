// Back ends that are not built yet: the ARM back end (firmware below 2048)
// and the IOHA back end. Each has its place in add_op and in link
// resolution already; for now they emit nothing.
#pragma once
#include <cstdint>

void add_ARM_op(uint16_t op, int32_t operand);
void add_IOHA_op(uint16_t op, int32_t operand);
void ARMoptimizeTJ(uint32_t first);
