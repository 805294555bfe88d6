#include "codegen/emit.h"

#include <cstdio>

#include "codegen/ioh/ioh.h"
#include "codegen/literal_pool.h"
#include "codegen/operations.h"
#include "codegen/target.h"
#include "core/firmware.h"
#include "core/process.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"

int32_t Flash_codes[FLASH_CODES_SIZE];
uint8_t Flash_is_data[FLASH_CODES_SIZE];
int32_t INT_ops[INT_OPS_SIZE];
int32_t INT_addrs[INT_OPS_SIZE];
Emitter emit;

namespace {

}  // namespace

namespace {

[[noreturn]] void out_of_code_space() {
  emit.fCODE = 0;
  fatal_error("Out of code space", ExitStatus::NoRoom);
}

}  // namespace

void checkCodeSpace() {
  // The constant strings take their bytes of the same flash.
  int32_t strings = 0x20000 - cstrings.ConstantStringPtr;
  int32_t used = static_cast<int32_t>(emit.fCODE) + strings / static_cast<int32_t>(code_unit_bytes());
  if (static_cast<int32_t>(emit.fCODE) > firmware.codeSize || used > firmware.codeSize) out_of_code_space();
}

namespace {

void store_unit(uint32_t index, int32_t unit, uint8_t data) {
  if (index >= static_cast<uint32_t>(FLASH_CODES_SIZE)) out_of_code_space();
  Flash_codes[index] = unit;
  Flash_is_data[index] = data;
  if (index >= emit.code_high_water) emit.code_high_water = index + 1;
}

}  // namespace

void put_unit(uint32_t index, int32_t unit) { store_unit(index, unit, 0); }

void put_data_unit(uint32_t index, int32_t unit) { store_unit(index, unit, 1); }

void emit_unit(int32_t unit) {
  put_unit(emit.fCODE, unit);
  emit.fCODE++;
}

void emit_data_unit(int32_t unit) {
  put_data_unit(emit.fCODE, unit);
  emit.fCODE++;
}

void emit_value32(int32_t value) {
  emit_unit(value & 0xFFFF);
  emit_unit(value >> 16);
}

void emit_data_value32(int32_t value) {
  emit_data_unit(value & 0xFFFF);
  emit_data_unit(value >> 16);
}

void add_op(uint16_t op, int32_t operand) {
  uint32_t start = emit.fCODE;
  const Backend &backend = current_backend();
  emit.depth++;
  // Some old ARM firmware expects the string accumulator saved into the top
  // string variable before the program ends.
  if (op == OP_END && firmware.end_saves_string) {
    backend.add_op(OP_ADDR, (vars.g_VSPdim - 1) * 4);
    backend.add_op(OP_ACC2IDX, 0);
    backend.add_op(OP_NEWSTR, 0);
    backend.add_op(OP_SAVESTR, 0);
  }
  backend.add_op(op, operand);
  emit.depth--;
  checkCodeSpace();
  if (emit.depth > 0) return;
  if (op == OP_MAIN) {
    // The start-up jump now leads to MAIN: a single ARM jump is recorded at
    // index 0; elsewhere the jump recorded at index 1 (the second of
    // several, or the last unit of a BL pair).
    INT_addrs[firmware.startup == StartupForm::OneArmJump ? 0 : 1] = static_cast<int32_t>(emit.fCODE);
    return;
  }
  // An operation without code has no unit of its own to be recorded at;
  // taking over the record before it would lose that operation.
  if (emit.fCODE <= start) return;
  INT_ops[emit.fCODE - 1] = op;
  INT_addrs[emit.fCODE - 1] = is_typed_record(op) ? emit.integer_ops : operand;
}

void flush_pool_if_due() {
  if (current_backend().flush_pool_if_due) current_backend().flush_pool_if_due();
}

void reset_codegen() {
  // A new program must not meet code or operation records of an earlier one.
  uint32_t used = emit.code_high_water < 2 ? 2 : emit.code_high_water;
  for (uint32_t i = 0; i < used && i < static_cast<uint32_t>(FLASH_CODES_SIZE); i++) {
    Flash_codes[i] = 0;
    Flash_is_data[i] = 0;
    INT_ops[i] = 0;
    INT_addrs[i] = 0;
  }
  emit = Emitter{};
  reset_literal_pool();
  reset_links();
  reset_io_handler();
}

void rewind_code(uint32_t mark) {
  if (mark > emit.fCODE || pool.pool_placed_end > mark) return;
  for (int32_t i = 0; i < pool.nextConst; i++)
    if (static_cast<uint32_t>(patchaddr[i]) >= mark) return;
  for (int32_t i = 0; i < links.nextLink; i++)
    if (static_cast<uint32_t>(missingLink[i]) >= mark) return;
  for (uint32_t p = mark; p < emit.fCODE; p++) {
    Flash_codes[p] = 0;
    Flash_is_data[p] = 0;
    INT_ops[p] = 0;
    INT_addrs[p] = 0;
  }
  emit.fCODE = mark;
}
