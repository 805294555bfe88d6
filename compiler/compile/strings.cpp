#include "compile/strings.h"

#include <cstdio>

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "compile/assignment.h"
#include "compile/expression.h"
#include "compile/operand_tags.h"
#include "compile/operands.h"
#include "compile/procedures.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

namespace {


// There is one string accumulator: a string expression must not begin
// while another one is being built.
bool string_expression_open = false;

struct OpenStringExpression {
  bool was_open;
  OpenStringExpression() : was_open(string_expression_open) { string_expression_open = true; }
  ~OpenStringExpression() { string_expression_open = was_open; }
};

int32_t accumulator_address() { return 4 * firmware.varSpace; }

bool is_chr_literal_at(int index) {
  return token_at(index) == TOK_CHR && token_at(index + 1) == TOK_LPAREN && is_int_literal(token_at(index + 2)) &&
         token_at(index + 3) == TOK_RPAREN;
}

// A string variable, pointer or constant at the cursor, loaded with the
// accumulator or the operand-register form of its load.
bool load_string_source(uint16_t t, bool toOperand) {
  int type = type_of(t);
  if (type == SYM_STRING) {
    add_op(toOperand ? OP_OPND_ADDR : OP_ADDR, 4 * g_symboladdr[symbol_of(t)]);
  } else if (type == SYM_STRING_PTR) {
    add_op(toOperand ? OP_OPND_LDVAR : OP_LDVAR, g_symboladdr[symbol_of(t)]);
  } else if (is_constant_string(t)) {
    add_op(toOperand ? OP_OPND_STRADDR : OP_STRADDR, constant_string_offset(t));
  } else {
    return false;
  }
  return true;
}

bool is_string_source(uint16_t t) {
  return type_of(t) == SYM_STRING || type_of(t) == SYM_STRING_PTR || is_constant_string(t);
}

// An expression where one is required; msg is the report when the
// expression compiler has not said what is wrong itself.
bool expression_or(const char *msg) {
  uint32_t errors = diag.error_count;
  if (do_expr(0)) return true;
  if (diag.error_count == errors) print_error_ln(msg);
  return false;
}

// LEFT(s, n) or RIGHT(s, n): the source must be a variable, pointer or
// constant, not an expression.
bool left_right_term(uint16_t op) {
  advance();
  if (cursor.g_token != TOK_LPAREN) return report("Expected (");
  advance();
  if (!load_string_source(cursor.g_token, false)) return report("Constant or variable string expected");
  advance();
  add_op(OP_ACC2STRSCR, 0);
  if (cursor.g_token != TOK_COMMA) return report("Expected ,");
  advance();
  if (!expression_or("expected integer")) return false;
  if (cursor.g_token != TOK_RPAREN) return report("Expected )");
  add_op(op, 0);
  return true;
}

}  // namespace

bool is_constant_string(uint16_t t) { return is_str_literal(t) || type_of(t) == SYM_CSTRING; }

int32_t constant_string_offset(uint16_t t) {
  return is_str_literal(t) ? CStringAddr[string_slot(t)] : g_symboladdr[symbol_of(t)];
}

int32_t make_chr_string() {
  int32_t n = g_constants[literal_slot(token_at(cursor.g_tokenptr + 2))];
  if (cstrings.ConstantStringPtr - 2 < 0) out_of_string_space();
  cstrings.ConstantStringPtr -= 2;
  g_stringtable[cstrings.ConstantStringPtr] = static_cast<char>(n & 0xFF);
  g_stringtable[cstrings.ConstantStringPtr + 1] = 0;
  set_cursor(static_cast<uint8_t>(cursor.g_tokenptr + 3));
  return cstrings.ConstantStringPtr;
}

int do_str_expr(uint8_t convert) {
  if (!convert && is_comparison(next_token())) return 0;
  if (string_expression_open) {
    print_error_ln("Nested string operation");
    return 0;
  }
  OpenStringExpression open;
  uint32_t mark = emit.fCODE;
  add_op(OP_NEWSTR, 0);
  bool first = true;
  for (;;) {
    uint16_t t = cursor.g_token;
    bool indexedNext = next_token() == TOK_LPAREN;
    if (is_string_source(t) && !indexedNext) {
      load_string_source(t, false);
      add_op(OP_ADDSTR, 0);
    } else if (is_funct(t) && function_result(t) == SYM_STRING) {
      if (!first) return report("Nested string operation");
      // Nothing is accumulated yet: the call may build its arguments' strings.
      string_expression_open = false;
      int ok = do_function_operand(TOK_STRING);
      string_expression_open = true;
      if (!ok) return 0;
    } else if (is_funct(t) && (function_result(t) == SYM_INTEGER || function_result(t) == SYM_SINGLE)) {
      if (!convert || first) return 0;
      return report("Nested string operation");
    } else if (t == TOK_SPRINTF) {
      // SPRINTF formats into the string accumulator itself.
      if (!do_printf(OP_SPRINTF)) return 0;
      step_back();
    } else if (t == TOK_STR) {
      // STR's argument has a type of its own: STR(x!) prints a SINGLE
      // whatever the statement around it.
      advance();
      uint8_t savedInteger = emit.integer_ops, savedBitwise = emit.bitwise_ops;
      lookahead4float();
      if (!expression_or("expected expression")) return 0;
      step_back();
      add_op(OP_STR, tag::STR_CALL);
      emit.integer_ops = savedInteger;
      emit.bitwise_ops = savedBitwise;
    } else if (t == TOK_LEFT || t == TOK_RIGHT) {
      if (!left_right_term(t)) return 0;
    } else if (t == TOK_HEX || t == TOK_FILEREADDIR || t == TOK_UDPIN) {
      if (!do_integer_parameter()) return 0;
      add_op(t, 0);
    } else if (t == TOK_CGIIN) {
      add_op(TOK_CGIIN, 0);
    } else if (t == TOK_CHR) {
      if (!do_integer_parameter()) return 0;
      if (emit.last_op == OP_CONST && emit.last_addr == 0 && next_token() != TOK_EOL)
        return report("0 character terminates string operation early");
      add_op(OP_ADDSBYTE, 0);
    } else if (convert && first) {
      return 0;
    } else if (!convert) {
      rewind_code(mark);
      if (first) return 0;
      step_back();
      return 1;
    } else {
      if (is_symbol_token(t) && type_of(t) == SYM_INTEGER) {
        add_op(OP_LDVAR, g_symboladdr[symbol_of(t)]);
      } else if (is_int_literal(t)) {
        add_op(OP_CONST, g_constants[literal_slot(t)]);
      } else {
        if (!expression_or("Constant or variable string expected")) return 0;
        step_back();
      }
      add_op(OP_STR, 0);
    }
    advance();
    first = false;
    uint16_t n = cursor.g_token;
    if (n == TOK_PLUS || n == TOK_AND) {
      advance();
      mark = emit.fCODE;
      continue;
    }
    if (is_operator_token(n) || n == TOK_EOL || n == TOK_COMMA || n == TOK_SEMICOLON || n == TOK_ELSE ||
        n == TOK_RPAREN || n == TOK_THEN)
      return 1;
    return report("Constant or variable string expected");
  }
}

int do_str_compare(uint16_t mode) {
  // The comparison yields an integer whatever the expression's mode.
  uint8_t savedInteger = emit.integer_ops;
  bool leftInAccumulator = false;
  uint16_t after = next_token();
  if (is_string_source(cursor.g_token) && (is_comparison(after) || after == TOK_COMMA)) {
    load_string_source(cursor.g_token, false);
    advance();
  } else if (is_chr_literal_at(cursor.g_tokenptr) &&
             (is_comparison(token_at(cursor.g_tokenptr + 4)) || token_at(cursor.g_tokenptr + 4) == TOK_COMMA)) {
    add_op(OP_STRADDR, make_chr_string());
    advance();
  } else {
    if (!do_str_expr(1)) {
      if (mode == OP_STRCOMP) print_error_ln("Constant or variable string expected");
      return 0;
    }
    add_op(OP_ADDR, accumulator_address());
    leftInAccumulator = true;
  }
  uint16_t comparison = 0;
  if (mode == OP_STRCOMP) {
    if (cursor.g_token != TOK_COMMA) return report("Expected ,");
  } else {
    if (!is_comparison(cursor.g_token)) return report("expected comparison operator");
    comparison = cursor.g_token;
  }
  advance();
  after = next_token();
  bool singleTerm = after != TOK_PLUS && after != TOK_AND;
  if (singleTerm && is_string_source(cursor.g_token)) {
    load_string_source(cursor.g_token, true);
  } else if (is_chr_literal_at(cursor.g_tokenptr) && token_at(cursor.g_tokenptr + 4) != TOK_PLUS &&
             token_at(cursor.g_tokenptr + 4) != TOK_AND) {
    add_op(OP_OPND_STRADDR, make_chr_string());
  } else {
    if (leftInAccumulator) return report("Nested String Function");
    add_op(OP_PUSHACC, tag::STRING_COMPARE);
    if (!do_str_expr(0)) return report("Constant or variable string expected");
    add_op(OP_OPND_ADDR, accumulator_address());
    // Leave the cursor on the last token of the right operand, as for a
    // single term.
    step_back();
    add_op(OP_POPACC, tag::STRING_COMPARE);
  }
  emit.integer_ops = 1;
  add_op(OP_STRCOMP, 0);
  if (mode != OP_STRCOMP) {
    add_op(OP_OPND_CONST, 0);
    add_op(comparison, 0);
  }
  emit.integer_ops = savedInteger;
  return 1;
}

int lookahead4stringcompare(int index) {
  if (!is_comparison(token_at(index))) return 0;
  for (int i = index + 1; i < TOKENLIST_SIZE; i++) {
    uint16_t t = g_tokenlist[i];
    if (t == TOK_EOL || end_of_expr(t)) return 0;
    if (is_string_source(t)) return token_at(i + 1) == TOK_LPAREN ? 0 : 1;
    if (t == TOK_CHR) return 1;
    if (t == TOK_ABS || is_int_literal(t) || is_flt_literal(t)) return 0;
    int type = type_of(t);
    if (type == SYM_INTEGER || type == SYM_INT_ARRAY || type == SYM_PARAM_ARRAY || type == SYM_INT_ARRAY_PTR ||
        type == SYM_INT_PTR)
      return 0;
    if (type == SYM_SINGLE || type == SYM_SINGLE_PTR || type == SYM_SINGLE_ARRAY || type == SYM_SINGLE_ARRAY_PTR)
      return 0;
    if (is_funct(t)) {
      uint8_t result = function_result(t);
      return (result == SYM_INTEGER || result == SYM_SINGLE) ? 0 : 1;
    }
  }
  return 0;
}
