#include "compile/control_flow.h"

#include "codegen/emit.h"
#include "compile/expression.h"
#include "compile/token_cursor.h"
#include "frontend/diagnostics.h"

namespace {
constexpr uint16_t OP_JZ = 62, OP_JMP = 63;

}  // namespace

// IF(cond, a, b) as an operand; the cursor ends on the closing ")".
int do_ternary_if() {
  advance();
  if (!expect_token(tok::LPAREN, "Expected (")) return 0;
  advance();
  // The condition's type does not change the type of the whole expression.
  uint8_t savedInteger = integer_ops, savedBitwise = bitwise_ops;
  if (!do_expr(1)) return 0;
  integer_ops = savedInteger;
  bitwise_ops = savedBitwise;
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
