#include "compile/control_flow.h"

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "compile/assignment.h"
#include "compile/builtins.h"
#include "compile/expression.h"
#include "compile/operands.h"
#include "compile/procedures.h"
#include "compile/statement.h"
#include "compile/strings.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"

namespace {

constexpr uint16_t TOK_GOTO = 136, TOK_GOSUB = 137, TOK_RETURN = 125, TOK_END = 124, TOK_PRINT = 250,
                   TOK_PRINTF = 161, TOK_EXIT = 135, TOK_MAIN = 163, TOK_CASE = 220, TOK_ENDSELECT = 221,
                   TOK_ELSEIF = 232, TOK_QUITNOW = 216, TOK_SINGLE_TYPE = 213;

int report(const char *msg) {
  print_error_ln(msg);
  return 0;
}

// The comparison to emit when the CASE value is in the accumulator and the
// selector in the operand register: the sides are exchanged.
uint16_t exchanged_comparison(uint16_t t) {
  switch (t) {
    case OP_LT: return OP_GT;
    case OP_GT: return OP_LT;
    case OP_LE: return OP_GE;
    case OP_GE: return OP_LE;
    default: return t;
  }
}

// The test of one CASE value; the accumulator ends 1 when it matches.
bool case_test() {
  uint16_t t = cursor.g_token;
  if (is_comparison(t)) {
    advance();
    if (!do_expr(0)) return false;
    add_op(OP_NEXT2OPND, 0);
    add_op(exchanged_comparison(t), 0);
    return true;
  }
  if (!do_expr(0)) return false;
  add_op(OP_NEXT2OPND, 0);
  if (cursor.g_token != tok::TO) {
    add_op(OP_EQ, 0);
    return true;
  }
  advance();
  add_op(OP_LE, 0);
  uint16_t hr = add_fwd_jmpcall(OP_JZ);
  if (!do_expr(0)) return false;
  add_op(OP_NEXT2OPND, 0);
  add_op(OP_GE, 0);
  patchJumpTable(hr);
  return true;
}

}  // namespace

bool next_token_seperator(uint16_t t) {
  return t == TOK_EOL || t == tok::COMMA || t == tok::SEMICOLON || t == tok::ELSE;
}

int simple_statement(int32_t exitHandle) {
  cursor.g_token = g_tokenlist[cursor.g_tokenptr];
  uint16_t t = cursor.g_token;
  if (t == TOK_EOL) return 1;
  if (t == TOK_GOTO) return do_gotosubjz(OP_JMPBACK, OP_GOTO);
  if (t == TOK_GOSUB) {
    uint16_t next = next_token();
    if (is_funct(next)) return do_gotosubjz(OP_CALLSUB, 0);
    if (next == tok::LPAREN) {
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
    case TOK_PRINT: return do_print(1);
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
    if (!is_symbol_token(t) || !is_label(t)) return report("Goto Not Followed By Label");
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
  if (procs.inside_function == tok::STRING) {
    uint32_t errors = diag.error_count;
    if (!do_str_expr(0) && diag.error_count == errors) print_error_ln("Constant or variable string expected");
  } else if (procs.inside_function == tok::INTEGER) {
    emit.integer_ops = 1;
    emit.bitwise_ops = 1;
    do_expr(0);
  } else if (procs.inside_function == TOK_SINGLE_TYPE) {
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

int do_one_line_if(int32_t exitHandle) {
  uint16_t h1 = add_fwd_jmpcall(OP_JZ);
  if (!simple_statement(exitHandle)) return 0;
  if (cursor.g_token != tok::ELSE) {
    patchJumpTable(h1);
    return 1;
  }
  uint16_t h2 = add_fwd_jmpcall(OP_JMP);
  patchJumpTable(h1);
  advance();
  if (!simple_statement(exitHandle)) return 0;
  patchJumpTable(h2);
  return 1;
}

int do_elseif(int32_t exitHandle) {
  NestingGuard guard;
  if (!guard.ok) return 0;
  advance();
  if (!do_expr(1)) return 0;
  if (cursor.g_token == tok::THEN) advance();
  // The branch starts on the next line; nothing may stand here.
  if (cursor.g_token != TOK_EOL) return report("Expected End Of Line");
  uint16_t h1 = add_fwd_jmpcall(OP_JZ);
  if (!compile_body(exitHandle)) return 0;
  if (cursor.g_token == TOK_ELSEIF) {
    uint16_t h3 = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(h1);
    if (!do_elseif(exitHandle)) return 0;
    patchJumpTable(h3);
  } else if (cursor.g_token == tok::ELSE) {
    uint16_t h2 = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(h1);
    if (!compile_body(exitHandle)) return 0;
    patchJumpTable(h2);
  } else {
    patchJumpTable(h1);
  }
  return 1;
}

int32_t do_sub_case(int32_t handle) {
  uint16_t hm = add_fwd_jmpcall(OP_JMP);
  patchJumpTable(handle);
  advance();
  if (!case_test()) return 0;
  int32_t h = add_fwd_jmpcall(OP_JZ);
  if (cursor.g_token == tok::COMMA) {
    h = do_sub_case(h);
    if (!h) return 0;
  }
  patchJumpTable(hm);
  return h;
}

int do_case(int32_t exitHandle) {
  NestingGuard guard;
  if (!guard.ok) return 0;
  advance();
  if (cursor.g_token == tok::ELSE) {
    advance();
    add_op(OP_POPNEXT, 0);
    if (!compile_body(exitHandle)) return 0;
    if (cursor.g_token == TOK_ENDSELECT) {
      advance();
      return 1;
    }
    if (cursor.g_token == TOK_QUITNOW) return 1;
    return report("Expected ENDSELECT");
  }
  if (!case_test()) return 0;
  int32_t hn = add_fwd_jmpcall(OP_JZ);
  while (cursor.g_token == tok::COMMA) {
    hn = do_sub_case(hn);
    if (!hn) return 0;
  }
  // The body starts on the next line; a statement here would be lost.
  if (cursor.g_token != TOK_EOL) return report("Expected End Of Line");
  add_op(OP_POPNEXT, 1);
  if (!compile_body(exitHandle)) return 0;
  if (cursor.g_token == TOK_CASE) {
    uint16_t he = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(hn);
    if (!do_case(exitHandle)) return 0;
    patchJumpTable(he);
    return 1;
  }
  if (cursor.g_token == TOK_ENDSELECT) {
    // A matched case jumps over the release of the selector meant for the
    // path on which no case matched; resolved behind it, so that a pool
    // placed in between cannot be jumped into.
    uint16_t done = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(hn);
    add_op(OP_POPNEXT, 2);
    patchJumpTable(done);
    advance();
    return 1;
  }
  if (cursor.g_token == TOK_QUITNOW) return 1;
  return report("CASE invalid");
}

// IF(cond, a, b) as an operand; the cursor ends on the closing ")".
int do_ternary_if() {
  advance();
  if (!expect_token(tok::LPAREN, "Expected (")) return 0;
  advance();
  // The condition's type does not change the type of the whole expression.
  uint8_t savedInteger = emit.integer_ops, savedBitwise = emit.bitwise_ops;
  if (!do_expr(1)) return 0;
  emit.integer_ops = savedInteger;
  emit.bitwise_ops = savedBitwise;
  uint16_t h1 = add_fwd_jmpcall(OP_JZ);
  if (!expect_token(tok::COMMA, "Expected ,")) return 0;
  advance();
  if (!do_expr(0)) return 0;
  uint16_t h2 = add_fwd_jmpcall(OP_JMP);
  patchJumpTable(h1);
  if (!expect_token(tok::COMMA, "Expected ,")) return 0;
  advance();
  if (!do_expr(0)) return 0;
  patchJumpTable(h2);
  return expect_token(tok::RPAREN, "Expected )") ? 1 : 0;
}
