// Operation emission: the code image, the host operation stream and the one
// entry, add_op, through which every virtual operation reaches a back end.
#pragma once
#include <cstdint>

#include "codegen/links.h"

// Capacity of the code image; codeSize never exceeds it, less a margin for
// the last operation's code and a literal pool.
constexpr int32_t FLASH_CODES_SIZE = 262144;
constexpr int32_t CODE_SIZE_MARGIN = 1024;
constexpr int32_t INT_OPS_SIZE = 263144;

extern int32_t Flash_codes[FLASH_CODES_SIZE];
// 1 for a unit of Flash_codes that holds data rather than an instruction: a
// literal pool, an inline constant, the word a firmware loader reads behind
// its call. Disassemblers and debuggers are told from it where code is.
extern uint8_t Flash_is_data[FLASH_CODES_SIZE];
extern int32_t INT_ops[INT_OPS_SIZE];
extern int32_t INT_addrs[INT_OPS_SIZE];

struct Emitter {
  // Index of the next free unit of Flash_codes.
  uint32_t fCODE = 0;
  int32_t iCODE = 0;
  // Where the image starts: __MAP__ CODE at the start of a program may move
  // it up from unit 0.
  int32_t CODEoffset = 0;
  // The peephole window: code and operand of the last operation emitted.
  uint16_t last_op = 0;
  int32_t last_addr = 0;
  // Which back end add_op uses on Thumb-class firmware: 0 Thumb, 1 inside an
  // __IOHA__ section, 2 inside an __IOHB__ section.
  uint8_t inside_ezh = 0;
  // The first unit of I/O-handler code, where the first __IOHA__ or
  // __IOHB__ section began (the rest of the program is such code); -1 for
  // none.
  int64_t io_handler_start = -1;
  // The mode of the typed operations: integer (1) or SINGLE (0), bitwise
  // (1) or logical (0). The statement and expression compilers set them
  // before an expression; add_op records integer_ops with every typed
  // operation, and the back ends pick their code by them.
  uint8_t integer_ops = 1;
  uint8_t bitwise_ops = 1;
  // Highest code-unit count reached since the last reset: the part of the
  // image and of the operation stream a new program must clear.
  uint32_t code_high_water = 0;
  // How many add_op calls are active. Operations a back end emits while
  // translating another one (op 15 without its firmware routine, the
  // constant of a port operation) produce code only: the host executes the
  // outer operation, so only the outermost call records.
  int depth = 0;
};
extern Emitter emit;

void add_op(uint16_t op, int32_t operand);

// Drops the code emitted since mark when nothing since then depends on it:
// no pool constant, link or pool placement. The dropped records of the
// operation stream are cleared.
void rewind_code(uint32_t mark);

// The only ways code units enter Flash_codes. All end the program with
// "Out of code space" (status 4) rather than write past the image. The
// data forms mark their units as data, the others as instructions.
void put_unit(uint32_t index, int32_t unit);
void put_data_unit(uint32_t index, int32_t unit);
void emit_unit(int32_t unit);
void emit_data_unit(int32_t unit);
// A 32-bit value as two units: the low halfword, then the value shifted
// right by 16 (arithmetically, as a signed word).
void emit_value32(int32_t value);
void emit_data_value32(int32_t value);

// Places the pending constants now if the next operation would place them
// anyway, so that an address taken for a label, MAIN or a routine lies
// behind the pool and not on the branch over it.
void flush_pool_if_due();

// The allotted code space (codeSize, less what the constant strings take)
// and the image's capacity: past either the program ends with "Out of code
// space" (status 4).
void checkCodeSpace();

// Puts every piece of emission state back as before the first operation.
void reset_codegen();
