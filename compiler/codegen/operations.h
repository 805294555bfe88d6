// The virtual operation set, from operations.def: every operation's code,
// name and operand, the firmware routine that carries out the operations
// the back ends do not emit inline, and which targets have it.
#pragma once
#include <cstdint>

// OP_name for every operation of operations.def.
#define OP(name, code, ...) constexpr uint16_t OP_##name = code;
#define OP_NAMED(name, text, code, ...) constexpr uint16_t OP_##name = code;
#include "codegen/operations.def"
#undef OP
#undef OP_NAMED

// What OP_SHL, OP_TSHL and OP_SHR compute on the boards. Both back ends
// shift by register (Thumb LSLS/ASRS, ARM LSL/ASR), which takes the count
// from the low byte of the operand: 32 to 255 shift every bit out, leaving 0
// or, shifting right, the sign. RUN and constant folding use these so that
// they agree with the image.
constexpr int32_t shift_left_as_board(int32_t value, int32_t count) {
  const uint32_t n = static_cast<uint32_t>(count) & 0xFFu;
  return n >= 32 ? 0 : static_cast<int32_t>(static_cast<uint32_t>(value) << n);
}
constexpr int32_t shift_right_as_board(int32_t value, int32_t count) {
  const uint32_t n = static_cast<uint32_t>(count) & 0xFFu;
  return value >> (n >= 32 ? 31 : n);
}

// Firmware entry of an operation, one column for integer and one for SINGLE
// operands. Besides entry numbers a column may hold:
constexpr int16_t FW_NONE = 0;            // inline code, no call
constexpr int16_t FW_BY_TABLE = -1;       // entry chosen by the firmware table's contents
constexpr int16_t FW_SINGLE_UNDEF = -2;   // "op for SINGLE undefined"
constexpr int16_t FW_REPEAT_UNDEF = -3;   // "REPEAT undefined"

// What an operation's operand is.
enum class OperandKind : uint8_t {
  NONE,        // no operand: a tag that only marks the record in the host stream
  LABEL,       // a compiler label (jump_table index)
  SYMBOL,      // a user label, SUB or FUNCTION (symbol index)
  UNIT,        // a code-unit index
  WORD,        // a variable word index
  BYTES,       // a byte offset in the variable area
  STRING,      // a byte offset in the constant string area
  VALUE,       // a 32-bit value
  REGISTER,    // an I/O-handler register number
  PERIPHERAL,  // a peripheral register's address
};

// How a target treats an operation.
enum class OnTarget : uint8_t {
  C,  // code: the back end emits code, the host runs it
  N,  // no code of its own: a marker, or work done elsewhere
  X,  // not on this target: refused, or "UNKNOWN OP" on the host
};

struct Operation {
  uint16_t code;
  const char *name;
  OperandKind operand;
  int16_t int_entry;
  int16_t single_entry;
  OnTarget thumb, arm, ioha, iohb, host;
};

namespace operation_columns {
using enum OperandKind;
using enum OnTarget;
#define OP(name, code, operand, int_entry, single_entry, thumb, arm, ioha, iohb, host) \
  {OP_##name, "OP_" #name, operand, int_entry, single_entry, thumb, arm, ioha, iohb, host},
#define OP_NAMED(name, text, code, operand, int_entry, single_entry, thumb, arm, ioha, iohb, host) \
  {OP_##name, text, operand, int_entry, single_entry, thumb, arm, ioha, iohb, host},
inline constexpr Operation operation_set[] = {
#include "codegen/operations.def"
};
#undef OP
#undef OP_NAMED
}  // namespace operation_columns
using operation_columns::operation_set;

constexpr int operation_count = static_cast<int>(sizeof operation_set / sizeof operation_set[0]);
// Every code is below this.
constexpr uint16_t OP_CODE_LIMIT = 261;

// The entry for code, or nullptr when code is not an operation.
const Operation *find_operation(uint16_t code);

// Operations whose recorded operand is integer_ops instead of their operand.
constexpr bool is_typed_record(uint16_t op) {
  return (op >= 4 && op <= 56) || op == OP_NEG || op == OP_ABS || op == OP_STR || op == OP_PRINTNUM;
}

// Message buffer for a missing firmware entry; its first three characters
// are overwritten with the entry number.
extern char nofirm[];

// Firmware entry n (word n of f_table), reporting an entry the firmware does
// not have.
int32_t GET_ADDR(int32_t n);
// Target address of variable word 0 for the code being generated; a full
// table without entry 6 is reported as GET_ADDR(6) reports it.
uint32_t variable_base();
// Entry number of the firmware routine that carries out op, or 0 when op
// needs none. Reports operations that have no routine for their operand
// type, and emits the replacement of op 15 on firmware without entry 79.
int32_t op_call_entry(int32_t op);
// Address of that routine (GET_ADDR of its entry), or 0 when op needs none.
// A routine the firmware lacks is reported and also gives 0.
int32_t get_op_call(int32_t op);
