#include "compile/control_flow.h"

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "compile/assignment.h"
#include "compile/builtins.h"
#include "compile/expression.h"
#include "compile/operand_tags.h"
#include "compile/operands.h"
#include "compile/procedures.h"
#include "compile/statement.h"
#include "compile/strings.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"

namespace {




}  // namespace

bool next_token_seperator(uint16_t t) { return t == TOK_EOL || t == TOK_COMMA || t == TOK_SEMICOLON || t == TOK_ELSE; }

int simple_statement(int32_t exitHandle) {
  cursor.g_token = g_tokenlist[cursor.g_tokenptr];
  uint16_t t = cursor.g_token;
  if (t == TOK_EOL) return 1;
  if (t == TOK_GOTO) return do_gotosubjz(OP_JMPBACK, OP_GOTO);
  if (t == TOK_GOSUB) {
    uint16_t next = next_token();
    if (is_funct(next)) return do_gotosubjz(OP_CALLSUB, 0);
    if (next == TOK_LPAREN) {
      // A computed GOSUB: the parenthesised expression gives the address.
      advance();
      if (!do_expr(0)) return 0;
      add_op(OP_CALLACC, 0);
      return 1;
    }
    return do_gotosubjz(OP_CALLBACK, OP_GOSUB);
  }
  if (is_funct(t)) return do_gotosubjz(OP_CALLSUB, 0);
  switch (t) {
    case TOK_RETURN: return do_cmd_return();
    case TOK_END: return do_cmd_end();
    case TOK_PRINT: return do_print(tag::PRINT);
    case TOK_PRINTF: return do_printf(OP_PRINTF);
    case TOK_EXIT:
      advance();
      if (exitHandle == 0) return report("EXIT outside a loop");
      add_op(OP_JMP, exitHandle);
      return 1;
    default:
      break;
  }
  uint32_t errors = diag.error_count;
  if (do_special_proc()) return 1;
  if (diag.error_count != errors) return 0;
  return do_assignment();
}

int do_gotosubjz(uint16_t knownOp, uint16_t forwardOp) {
  if (program.first_gotosubwhiledo == 0) program.first_gotosubwhiledo = static_cast<int32_t>(emit.fCODE);
  if (cursor.g_token == TOK_GOSUB || cursor.g_token == TOK_GOTO) advance();
  uint16_t t = cursor.g_token;
  int sym;
  if (t == TOK_MAIN) {
    sym = 0;
  } else {
    if (!is_symbol_token(t) || !is_label_or_declare(t)) return report("Goto Not Followed By Label");
    sym = symbol_of(t);
  }
  uint8_t type = g_symbol_type[sym];
  if (type == SYM_LABEL) {
    // A GOSUB enters one unit on, at the subroutine prologue of OP_LABEL.
    add_op(knownOp, g_symboladdr[sym] + (knownOp == OP_CALLBACK ? 1 : 0));
  } else if (type & 0x80) {
    if (knownOp != OP_CALLSUB) return report("Illegal branch");
    if (sym == procs.this_function) return report("Recursion not allowed");
    if (!do_function_operand(0)) return 0;
  } else {
    if (forwardOp == 0) return report("Goto Not Followed By Label");
    if (procs.inside_function != 0 && forwardOp == OP_GOSUB)
      return report("Calls within functions must be pre-defined");
    add_op(forwardOp, sym);
  }
  advance();
  return 1;
}

int do_cmd_return() {
  advance();
  if (procs.inside_function == TOK_STRING) {
    uint32_t errors = diag.error_count;
    if (!do_str_expr(0) && diag.error_count == errors) print_error_ln("Constant or variable string expected");
  } else if (procs.inside_function == TOK_INTEGER) {
    emit.integer_ops = 1;
    emit.bitwise_ops = 1;
    do_expr(0);
  } else if (procs.inside_function == TOK_SINGLE) {
    emit.bitwise_ops = 1;
    emit.integer_ops = 0;
    do_expr(0);
  }
  add_op(procs.inside_interrupt ? OP_INTEXIT : OP_RETURN, 0);
  return 1;
}

int do_cmd_end() {
  add_op(OP_END, 0);
  advance();
  return 1;
}
