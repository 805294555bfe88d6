// Back ends that are not built yet: the two I/O-handler back ends. Each has
// its place in add_op and in link resolution already; for now they emit
// nothing.
#pragma once
#include <cstdint>

// Offset of the I/O handler's code, set by __MAP__ __IOHB__ CODE.
extern int32_t IOHBcode;

void add_IOHA_op(uint16_t op, int32_t operand);
void add_IOHB_op(uint16_t op, int32_t operand);
// The IOHB back end's pool flush when its first pending load is too far
// back.
void IOHB_flush_pool_if_due();
