// The loops: WHILE (and DO WHILE) ... LOOP, DO ... LOOP or UNTIL, and
// FOR ... NEXT, with the I/O handler's tight counted loop.
#include "codegen/emit.h"
#include "codegen/ioh/ioh.h"
#include "codegen/links.h"
#include "codegen/operations.h"
#include "compile/blocks.h"
#include "compile/expression.h"
#include "compile/operand_tags.h"
#include "compile/statement.h"
#include "compile/token_cursor.h"

namespace {

// FOR count / FOR var in I/O-handler code: a tight loop of the coprocessor.
LineResult counted_loop(bool withExpression) {
  if (withExpression) {
    uint32_t errors = diag.error_count;
    if (!do_expr(0)) {
      if (diag.error_count == errors) print_error_ln("Expected an expression");
      return LINE_FAILED;
    }
    if (cursor.g_token != TOK_EOL) return line_error("Illegal FOR statement");
  }
  // The I/O-handler back end marks the loop open from OP_FOR to OP_NEXT.
  add_op(OP_FOR, tag::TIGHT_LOOP);
  if (!compile_body(0)) return LINE_FAILED;
  if (cursor.g_token == TOK_QUITNOW) return LINE_ENDS;
  if (cursor.g_token != TOK_NEXT) return line_error("Expected NEXT");
  add_op(OP_NEXT, tag::TIGHT_LOOP);
  return LINE_NEXT;
}

}  // namespace

LineResult compile_while(int32_t exitHandle) {
  (void)exitHandle;
  int32_t top = static_cast<int32_t>(emit.fCODE);
  if (program.first_gotosubwhiledo == 0) program.first_gotosubwhiledo = top;
  if (cursor.g_token == TOK_DO) advance();
  advance();
  if (!do_expr(1)) return LINE_FAILED;
  uint16_t h = add_fwd_jmpcall(OP_JZ);
  if (!compile_body(h)) return LINE_FAILED;
  if (cursor.g_token == TOK_LOOP) {
    advance();
    add_op(OP_JMPBACK, top);
    patchJumpTable(h);
    return end_of_statement();
  }
  if (cursor.g_token == TOK_QUITNOW) return LINE_ENDS;
  return line_error("Expected LOOP");
}

LineResult compile_do() {
  if (program.first_gotosubwhiledo == 0) program.first_gotosubwhiledo = static_cast<int32_t>(emit.fCODE);
  int32_t top = static_cast<int32_t>(emit.fCODE);
  uint16_t h = add_fwd_ref();
  advance();
  if (cursor.g_token != TOK_EOL) {
    not_eoln();
    return LINE_FAILED;
  }
  if (!compile_body(h)) return LINE_FAILED;
  if (cursor.g_token == TOK_LOOP && next_token() == TOK_EOL) {
    add_op(OP_JMPBACK, top);
    patchJumpTable(h);
    return LINE_NEXT;
  }
  if (cursor.g_token == TOK_UNTIL || (cursor.g_token == TOK_LOOP && next_token() == TOK_UNTIL)) {
    if (cursor.g_token == TOK_LOOP) advance();
    advance();
    if (!do_expr(1)) return LINE_FAILED;
    add_op(OP_JZBACK, top);
    patchJumpTable(h);
    return end_of_statement();
  }
  if (cursor.g_token == TOK_QUITNOW) return LINE_ENDS;
  return line_error("Expected UNTIL");
}

LineResult compile_for() {
  advance();
  uint16_t t = cursor.g_token;
  uint32_t errors = diag.error_count;
  if (is_symbol_token(t) && is_ivariable_or_declare(t)) {
    emit.integer_ops = 1;
    emit.bitwise_ops = 1;
  } else if (diag.error_count != errors) {
    return LINE_FAILED;
  } else if (is_fvariable(t)) {
    emit.bitwise_ops = 1;
    emit.integer_ops = 0;
  } else if (emit.inside_ezh != 0) {
    return counted_loop(true);
  } else {
    return line_error("Expected a Variable");
  }
  int32_t var = g_symboladdr[symbol_of(t)];
  int varSymbol = symbol_of(t);
  advance();
  if (cursor.g_token != TOK_EQ) {
    if (emit.inside_ezh == 0) return line_error("Expected a =");
    if (cursor.g_token == TOK_EOL) return counted_loop(false);
  }
  advance();
  if (!do_expr(0)) return LINE_FAILED;
  if (cursor.g_token != TOK_TO && cursor.g_token != TOK_DOWNTO) return line_error("Expected TO Or DOWNTO");
  bool down = cursor.g_token == TOK_DOWNTO;
  int32_t l1 = static_cast<int32_t>(emit.fCODE);
  add_op(OP_STVAR, var);
  advance();
  if (!do_expr(0)) return LINE_FAILED;
  uint16_t h1 = add_fwd_jmpcall(OP_JMP);
  int32_t l2 = static_cast<int32_t>(emit.fCODE);
  if (cursor.g_token == TOK_STEP) {
    advance();
    if (!do_expr(0)) return LINE_FAILED;
    add_op(OP_SWAP, 0);
    add_op(OP_LDVAR, var);
  } else {
    add_op(OP_LDVAR, var);
    add_op(OP_OPND_CONST, emit.integer_ops ? 1 : 0x3F800000);
  }
  // Nothing may follow the header: it would be lost.
  if (cursor.g_token != TOK_EOL) {
    not_eoln();
    return LINE_FAILED;
  }
  add_op(down ? OP_SUB : OP_ADD, 0);
  add_op(OP_JMPBACK, l1);
  patchJumpTable(h1);
  add_op(OP_OPND_LDVAR, var);
  add_op(down ? OP_LE : OP_GE, 0);
  uint16_t h2 = add_fwd_jmpcall(OP_JZ);
  if (!compile_body(h2)) return LINE_FAILED;
  if (cursor.g_token != TOK_NEXT) {
    if (cursor.g_token == TOK_QUITNOW) return LINE_ENDS;
    return line_error("Expected NEXT");
  }
  advance();
  if (cursor.g_token != TOK_EOL) {
    if (ioh.inside_tightLoop) return line_error("IOHB tight loop index not available");
    if (!is_symbol_token(cursor.g_token) || symbol_of(cursor.g_token) != varSymbol)
      return line_error("Incorrect Next Variable");
    advance();
  }
  add_op(OP_JMPBACK, l2);
  patchJumpTable(h2);
  return end_of_statement();
}
