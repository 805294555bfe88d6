// Operation emission: the code image, the host operation stream and the one
// entry, add_op, through which every virtual operation reaches a back end.
#pragma once
#include <cstdint>

#include "codegen/links.h"
#include "driver/state.h"

constexpr int32_t INT_OPS_SIZE = 263144;

extern int32_t Flash_codes[FLASH_CODES_SIZE];
extern int32_t INT_ops[INT_OPS_SIZE];
extern int32_t INT_addrs[INT_OPS_SIZE];
extern uint16_t last_op;
extern int32_t last_addr;
// Which back end add_op uses on Thumb-class firmware: 0 Thumb, 1 inside an
// __IOHA__ section, 2 inside an __IOHB__ section.
extern uint8_t inside_ezh;
// Highest code-unit count reached since the last reset: the part of the
// image and of the operation stream a new program must clear.
extern uint32_t code_high_water;

void add_op(uint16_t op, int32_t operand);

// Drops the code emitted since mark when nothing since then depends on it:
// no pool constant, link or pool placement. The dropped records of the
// operation stream are cleared.
void rewind_code(uint32_t mark);

// The only ways code units enter Flash_codes. Both end the program with
// "Out of code space" (status 4) rather than write past the image.
void put_unit(uint32_t index, int32_t unit);
void emit_unit(int32_t unit);
// A 32-bit value as two units: the low halfword, then the value shifted
// right by 16 (arithmetically, as a signed word).
void emit_value32(int32_t value);

// Places the pending constants now if the next operation would place them
// anyway, so that an address taken for a label, MAIN or a routine lies
// behind the pool and not on the branch over it.
void flush_pool_if_due();

// Puts every piece of emission state back as before the first operation.
void reset_codegen();
