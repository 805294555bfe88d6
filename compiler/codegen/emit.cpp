#include "codegen/emit.h"

#include <cstdio>
#include <cstdlib>

#include "codegen/arm/arm.h"
#include "codegen/ioha/ioha.h"
#include "codegen/iohb/iohb.h"
#include "codegen/literal_pool.h"
#include "codegen/operations.h"
#include "codegen/thumb/thumb.h"
#include "compile/expression.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

int32_t Flash_codes[FLASH_CODES_SIZE];
int32_t INT_ops[INT_OPS_SIZE];
int32_t INT_addrs[INT_OPS_SIZE];
uint16_t last_op = 0;
int32_t last_addr = 0;
uint8_t inside_ezh = 0;
uint32_t code_high_water = 0;

namespace {

// How many add_op calls are active. Operations a back end emits while
// translating another one (op 15 without its firmware routine, the constant
// of a port operation) produce code only: the host executes the outer
// operation, so only the outermost call records.
int emit_depth = 0;

enum class Backend { Arm, Thumb, Ioha, Iohb };

Backend current_backend() {
  if (f_table[0] < 2048) return Backend::Arm;
  if (inside_ezh == 1) return Backend::Ioha;
  if (inside_ezh == 2) return Backend::Iohb;
  return Backend::Thumb;
}

}  // namespace

void put_unit(uint32_t index, int32_t unit) {
  if (index >= static_cast<uint32_t>(FLASH_CODES_SIZE)) {
    print_error_ln("Out of code space");
    fflush(stdout);
    exit(4);
  }
  Flash_codes[index] = unit;
  if (index >= code_high_water) code_high_water = index + 1;
}

void emit_unit(int32_t unit) {
  put_unit(fCODE, unit);
  fCODE++;
}

void emit_value32(int32_t value) {
  emit_unit(value & 0xFFFF);
  emit_unit(value >> 16);
}

void add_op(uint16_t op, int32_t operand) {
  uint32_t start = fCODE;
  emit_depth++;
  // These ARM firmware versions expect the string accumulator saved into
  // the top string variable before the program ends.
  if (op == OP_END && f_table[0] >= 1813 && f_table[0] <= 1823) {
    add_ARM_op(OP_ADDR, (g_VSPdim - 1) * 4);
    add_ARM_op(OP_ACC2IDX, 0);
    add_ARM_op(OP_NEWSTR, 0);
    add_ARM_op(OP_SAVESTR, 0);
  }
  switch (current_backend()) {
    case Backend::Arm: add_ARM_op(op, operand); break;
    case Backend::Ioha: add_IOHA_op(op, operand); break;
    case Backend::Iohb: add_IOHB_op(op, operand); break;
    case Backend::Thumb: add_TH_op(op, operand); break;
  }
  emit_depth--;
  checkCodeSpace();
  if (emit_depth > 0) return;
  if (op == OP_MAIN) {
    // The start-up jump now leads to MAIN: on ARM firmware 1829 to 2047 it
    // is the single jump recorded at index 0; elsewhere the jump recorded
    // at index 1 (the second of several, or the last unit of a BL pair).
    uint16_t version = f_table[0];
    INT_addrs[version >= 1829 && version <= 2047 ? 0 : 1] = static_cast<int32_t>(fCODE);
    return;
  }
  // An operation without code has no unit of its own to be recorded at;
  // taking over the record before it would lose that operation.
  if (fCODE <= start) return;
  INT_ops[fCODE - 1] = op;
  INT_addrs[fCODE - 1] = is_typed_record(op) ? integer_ops : operand;
}

void flush_pool_if_due() {
  switch (current_backend()) {
    case Backend::Thumb: TH_flush_pool_if_due(); break;
    case Backend::Iohb: IOHB_flush_pool_if_due(); break;
    default: break;  // ARM code builds its constants inline; IOHA has no pool check.
  }
}

void reset_codegen() {
  // A new program must not meet code or operation records of an earlier one.
  uint32_t used = code_high_water < 2 ? 2 : code_high_water;
  for (uint32_t i = 0; i < used && i < static_cast<uint32_t>(FLASH_CODES_SIZE); i++) {
    Flash_codes[i] = 0;
    INT_ops[i] = 0;
    INT_addrs[i] = 0;
  }
  code_high_water = 0;
  fCODE = 0;
  last_op = 0;
  last_addr = 0;
  inside_ezh = 0;
  emit_depth = 0;
  reset_literal_pool();
  reset_links();
  reset_io_handler();
}

void rewind_code(uint32_t mark) {
  if (mark > fCODE || pool_placed_end > mark) return;
  for (int32_t i = 0; i < nextConst; i++)
    if (static_cast<uint32_t>(patchaddr[i]) >= mark) return;
  for (int32_t i = 0; i < nextLink; i++)
    if (static_cast<uint32_t>(missingLink[i]) >= mark) return;
  for (uint32_t p = mark; p < fCODE; p++) {
    Flash_codes[p] = 0;
    INT_ops[p] = 0;
    INT_addrs[p] = 0;
  }
  fCODE = mark;
}
