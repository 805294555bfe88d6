// Operation emission: the code image, the host operation stream, jump
// handles and forward references shared by every back end.
#pragma once
#include <cstdint>

constexpr int32_t INT_OPS_SIZE = 263144;
constexpr int32_t JUMP_TABLE_SIZE = 32768;
constexpr int32_t MISSING_LINK_SIZE = 10000;

extern int32_t Flash_codes[];
extern int32_t INT_ops[INT_OPS_SIZE];
extern int32_t INT_addrs[INT_OPS_SIZE];
extern int32_t jump_table[JUMP_TABLE_SIZE];
extern int32_t missingLink[MISSING_LINK_SIZE];
extern uint16_t jmpPTR;
extern int32_t nextLink;
extern uint16_t last_op;
extern int32_t last_addr;

// 0 for Thumb code, 1 inside an __IOHA__ section, 2 inside __IOHB__.
extern uint8_t inside_ezh;

void add_op(uint16_t op, int32_t operand);
// Drops the code emitted since mark when nothing since then depends on it
// (no pool constant, link or pool placement); clears the dropped records.
void rewind_code(uint32_t mark);
void optimizeTJ(int32_t first, int final);
uint16_t add_fwd_ref();
uint16_t add_fwd_jmpcall(uint16_t op);
void patchJumpTable(int32_t label);
// Puts every piece of emission state back as before the first operation.
void reset_codegen();
