#include "codegen/operations.h"

#include "codegen/emit.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"

namespace {

constexpr bool in_code_order() {
  for (int k = 1; k < operation_count; k++)
    if (operation_set[k - 1].code >= operation_set[k].code) return false;
  return operation_set[operation_count - 1].code < OP_CODE_LIMIT;
}
static_assert(in_code_order(), "operations.def lists the operations in code order");

// Position of each code in operation_set, -1 for none.
struct OperationIndex {
  int16_t at[OP_CODE_LIMIT];
};

constexpr OperationIndex make_index() {
  OperationIndex index{};
  for (int16_t &a : index.at) a = -1;
  for (int k = 0; k < operation_count; k++) index.at[operation_set[k].code] = static_cast<int16_t>(k);
  return index;
}
constexpr OperationIndex operation_index = make_index();

}  // namespace

const Operation *find_operation(uint16_t code) {
  if (code >= OP_CODE_LIMIT || operation_index.at[code] < 0) return nullptr;
  return &operation_set[operation_index.at[code]];
}

char nofirm[] = "000 Firmware does not support this feature";

namespace {

void report_missing_entry(int32_t n) {
  uint32_t digits = static_cast<uint32_t>(n) % 1000u;
  nofirm[0] = static_cast<char>('0' + digits / 100);
  nofirm[1] = static_cast<char>('0' + digits / 10 % 10);
  nofirm[2] = static_cast<char>('0' + digits % 10);
  print_error_ln(nofirm);
}

}  // namespace

int32_t GET_ADDR(int32_t n) {
  bool missing = false;
  int32_t word = firmware_entry(n, missing);
  if (missing) report_missing_entry(n);
  return word;
}

uint32_t variable_base() {
  if (firmware.variable_base_missing) report_missing_entry(6);
  return firmware.variable_base;
}

namespace {

// Entry of the serial routines of the second port, which moved between
// firmware generations.
int16_t serial_entry(uint16_t op) {
  bool has_122 = f_table[122] != 0;
  bool old_firmware = firmware.early_serial_entries;
  switch (op) {
    case OP_RXD1:
      if (old_firmware) return 121;
      return has_122 ? 122 : 69;
    case OP_TXD1:
      return has_122 ? 122 : 69;
    default:  // OP_BAUD1
      if (old_firmware) return 69;
      return has_122 ? 122 : 69;
  }
}

}  // namespace

int32_t op_call_entry(int32_t op) {
  if (op < 0 || op > 0xFFFF) return 0;
  const Operation *o = find_operation(static_cast<uint16_t>(op));
  if (!o) return 0;
  int16_t entry = emit.integer_ops ? o->int_entry : o->single_entry;
  switch (entry) {
    case FW_NONE:
      return 0;
    case FW_SINGLE_UNDEF:
      print_error_ln("op for SINGLE undefined");
      return 0;
    case FW_REPEAT_UNDEF:
      print_error_ln("REPEAT undefined");
      return 0;
    case FW_BY_TABLE:
      if (op != OP_OPND_FTOI) return serial_entry(static_cast<uint16_t>(op));
      if (f_table[79] != 0) return 79;
      // Without the routine the operand is converted through the
      // accumulator: exchange, convert, exchange back.
      add_op(OP_SWAP, 0);
      add_op(OP_FTOI, 0);
      add_op(OP_SWAP, 0);
      return 0;
    default:
      return entry;
  }
}

int32_t get_op_call(int32_t op) {
  int32_t entry = op_call_entry(op);
  return entry ? GET_ADDR(entry) : 0;
}
