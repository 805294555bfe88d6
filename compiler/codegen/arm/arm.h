// The ARM back end: virtual operations as 32-bit ARM code for the ARM7
// parts (firmware versions below 2048, in every section).
#pragma once
#include <cstdint>

// Register use: r7 accumulator, r6 operand, r8 index, r11 variable base,
// r9 holding register, r5 string scratch, r0/r1 scratch.
void add_ARM_op(uint16_t op, int32_t operand);
// The pin operations of ports 0 and 1 (ops 64 to 67).
void pX_ARM_op(uint16_t op);
// Rewrites the link words of links first .. nextLink - 1 into branches,
// calls, or (firmware up to 1823) the address word of a call.
void ARMoptimizeTJ(uint32_t first);
// The link word of the placeholder at unit p: the unit itself.
uint32_t ARM_link_word(int32_t p);
