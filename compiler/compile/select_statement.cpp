// SELECT CASE with its CASE, CASE ELSE and END SELECT lines. The selector
// waits in reg_next (pushed, then released on every path out); each CASE
// tests its values against it.
#include "codegen/emit.h"
#include "codegen/links.h"
#include "codegen/operations.h"
#include "compile/blocks.h"
#include "compile/expression.h"
#include "compile/operand_tags.h"
#include "compile/reset.h"
#include "compile/statement.h"
#include "compile/token_cursor.h"

namespace {

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
  if (cursor.g_token != TOK_TO) {
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

int32_t do_sub_case(int32_t handle) {
  uint16_t hm = add_fwd_jmpcall(OP_JMP);
  patchJumpTable(handle);
  advance();
  if (!case_test()) return 0;
  int32_t h = add_fwd_jmpcall(OP_JZ);
  if (cursor.g_token == TOK_COMMA) {
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
  if (cursor.g_token == TOK_ELSE) {
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
  while (cursor.g_token == TOK_COMMA) {
    hn = do_sub_case(hn);
    if (!hn) return 0;
  }
  // The body starts on the next line; a statement here would be lost.
  if (cursor.g_token != TOK_EOL) return report("Expected End Of Line");
  add_op(OP_POPNEXT, tag::CASE_MATCHED);
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
    add_op(OP_POPNEXT, tag::NO_CASE_MATCHED);
    patchJumpTable(done);
    advance();
    return 1;
  }
  if (cursor.g_token == TOK_QUITNOW) return 1;
  return report("CASE invalid");
}

}  // namespace

LineResult compile_select(int32_t exitHandle) {
  advance();
  if (cursor.g_token == TOK_CASE) advance();
  if (!do_expr(0)) return LINE_FAILED;
  add_op(OP_PUSHNEXT, 0);
  if (cursor.g_token != TOK_EOL) {
    not_eoln();
    return LINE_FAILED;
  }
  do {
    if (!read_source_line()) return LINE_FAILED;
    set_cursor(0);
  } while (cursor.g_token == TOK_EOL);
  emit.integer_ops = 1;
  emit.bitwise_ops = 1;
  if (cursor.g_token == TOK_CASE) {
    uint32_t generation = reset_generation;
    if (!do_case(exitHandle) || generation != reset_generation) return LINE_FAILED;
    return end_of_statement();
  }
  if (cursor.g_token == TOK_QUITNOW) return LINE_ENDS;
  return line_error("CASE invalid");
}
