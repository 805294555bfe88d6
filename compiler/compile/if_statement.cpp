// IF in all its forms: the block IF with ELSEIF and ELSE, the one-line IF
// with its ELSE, and IF(condition, a, b) as an operand.
#include "codegen/emit.h"
#include "codegen/links.h"
#include "codegen/operations.h"
#include "compile/blocks.h"
#include "compile/control_flow.h"
#include "compile/expression.h"
#include "compile/statement.h"
#include "compile/token_cursor.h"

namespace {

int do_one_line_if(int32_t exitHandle) {
  uint16_t h1 = add_fwd_jmpcall(OP_JZ);
  if (!simple_statement(exitHandle)) return 0;
  if (cursor.g_token != TOK_ELSE) {
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
  if (cursor.g_token == TOK_THEN) advance();
  // The branch starts on the next line; nothing may stand here.
  if (cursor.g_token != TOK_EOL) return report("Expected End Of Line");
  uint16_t h1 = add_fwd_jmpcall(OP_JZ);
  if (!compile_body(exitHandle)) return 0;
  if (cursor.g_token == TOK_ELSEIF) {
    uint16_t h3 = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(h1);
    if (!do_elseif(exitHandle)) return 0;
    patchJumpTable(h3);
  } else if (cursor.g_token == TOK_ELSE) {
    uint16_t h2 = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(h1);
    if (!compile_body(exitHandle)) return 0;
    patchJumpTable(h2);
  } else {
    patchJumpTable(h1);
  }
  return 1;
}

}  // namespace

LineResult compile_if(int32_t exitHandle) {
  advance();
  if (!do_expr(1)) return LINE_FAILED;
  if (cursor.g_token == TOK_THEN && next_token() != TOK_EOL) {
    advance();
    if (!do_one_line_if(exitHandle)) return LINE_FAILED;
    return end_of_statement();
  }
  if (cursor.g_token != TOK_THEN && cursor.g_token != TOK_EOL) return line_error("THEN required for one line IF");
  uint16_t h1 = add_fwd_jmpcall(OP_JZ), h2 = 0;
  if (!compile_body(exitHandle)) return LINE_FAILED;
  if (cursor.g_token == TOK_ELSE) {
    if (next_token() == TOK_IF) return line_error("ELSEIF required, not ELSE IF");
    h2 = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(h1);
    if (!compile_body(exitHandle)) return LINE_FAILED;
  } else if (cursor.g_token == TOK_ELSEIF) {
    h2 = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(h1);
    if (!do_elseif(exitHandle)) return LINE_FAILED;
  }
  if (cursor.g_token == TOK_ENDIF) {
    patchJumpTable(h2 ? h2 : h1);
    advance();
    return end_of_statement();
  }
  if (cursor.g_token == TOK_QUITNOW) return LINE_ENDS;
  return line_error("Expected ENDIF");
}

// IF(cond, a, b) as an operand; the cursor ends on the closing ")".
int do_ternary_if() {
  advance();
  if (!expect_token(TOK_LPAREN, "Expected (")) return 0;
  advance();
  // The condition's type does not change the type of the whole expression.
  uint8_t savedInteger = emit.integer_ops, savedBitwise = emit.bitwise_ops;
  if (!do_expr(1)) return 0;
  emit.integer_ops = savedInteger;
  emit.bitwise_ops = savedBitwise;
  uint16_t h1 = add_fwd_jmpcall(OP_JZ);
  if (!expect_token(TOK_COMMA, "Expected ,")) return 0;
  advance();
  if (!do_expr(0)) return 0;
  uint16_t h2 = add_fwd_jmpcall(OP_JMP);
  patchJumpTable(h1);
  if (!expect_token(TOK_COMMA, "Expected ,")) return 0;
  advance();
  if (!do_expr(0)) return 0;
  patchJumpTable(h2);
  return expect_token(TOK_RPAREN, "Expected )") ? 1 : 0;
}
