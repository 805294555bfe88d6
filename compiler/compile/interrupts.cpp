#include "compile/interrupts.h"

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

namespace {

// The interrupt sources and the firmware routine that sets each up.
struct Source {
  uint16_t token;
  uint16_t setup;
};

constexpr Source sources[] = {
    {TOK_TIMER, OP_INTFW1},
    {TOK_EINT0, OP_INTFW2},
    {TOK_EINT1, OP_INTFW4},
    {TOK_EINT2, OP_INTFW3},
};

// EINTn conditions: HIGH, LOW, RISE and FALL with their codes.
struct Condition {
  uint16_t token;
  int32_t code;
};

constexpr Condition conditions[] = {{TOK_HIGH, 1}, {TOK_LOW, 0}, {TOK_RISE, 3}, {TOK_FALL, 2}};

}  // namespace

// ON TIMER period handler / ON EINTn condition handler. Its messages leave
// the rest of the line to the end-of-statement check.
int do_interrupt() {
  if (firmware.kind == TargetKind::Thumb) {
    print_error_ln("ON not supported on Cortex parts");
    return 1;
  }
  if (firmware.float_firmware) {
    print_error_ln("ON not supported on ARM7 parts with floating point firmware");
    return 1;
  }
  advance();
  const Source *source = nullptr;
  for (const Source &s : sources)
    if (cursor.g_token == s.token) source = &s;
  if (!source) {
    print_error_ln("illegal Interrupt type");
    return 1;
  }
  advance();
  uint16_t t = cursor.g_token;
  if (source->token == TOK_TIMER) {
    if (is_int_literal(t)) {
      add_op(OP_OPND_CONST, g_constants[literal_slot(t)]);
    } else if (is_symbol_token(t) && is_ivariable_or_declare(t)) {
      add_op(OP_OPND_LDVAR, g_symboladdr[symbol_of(t)]);
    } else {
      print_error_ln("Only simple variable or constant allowed");
      return 1;
    }
  } else {
    const Condition *condition = nullptr;
    for (const Condition &c : conditions)
      if (t == c.token) condition = &c;
    if (condition)
      add_op(OP_OPND_CONST, condition->code);
    else
      print_error_ln("Illegal Interrupt condition");
  }
  advance();
  uint16_t handler = cursor.g_token;
  if (!is_symbol_token(handler) || !is_label_or_declare(handler)) {
    print_error_ln("label required");
    return 1;
  }
  uint8_t type = g_symbol_type[symbol_of(handler)];
  if (type != SYM_SUB && type != SYM_LABEL) {
    print_error_ln("sub/label must be pre-defined");
    return 1;
  }
  add_op(OP_CONST, static_cast<int32_t>(4u * static_cast<uint32_t>(g_symboladdr[symbol_of(handler)]) +
                                        static_cast<uint32_t>(firmware.codeStart)));
  advance();
  add_op(source->setup, 0);
  return 1;
}
