// The Thumb back end: virtual operations as 16-bit Thumb code for the
// Cortex parts (firmware 2048 and above, outside I/O-handler sections).
#pragma once
#include <cstdint>

// Register use: r7 accumulator, r6 operand, r4 index, r5 variable base,
// r9 holding register, r11 string scratch, r0/r1 scratch.
void add_TH_op(uint16_t op, int32_t operand);
// The pin operations of ports 0 to 5 (ops 64 to 75).
void pX_TH_op(uint16_t op);
// Rewrites the placeholders of links first .. nextLink - 1 into branches.
void THoptimizeTJ(uint32_t first);
// The link word of the placeholder at unit p: two units, low half first.
uint32_t TH_link_word(int32_t p);
// Places the pool behind a branch when its first pending load is about to
// fall out of reach.
void TH_flush_pool_if_due();
