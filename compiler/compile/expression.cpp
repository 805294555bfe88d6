#include "compile/expression.h"

#include <cmath>
#include <cstring>

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "compile/operand_tags.h"
#include "compile/operands.h"
#include "compile/procedures.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

ExpressionState expr;

namespace {

constexpr int EXPR_STACK_SIZE = 12;
// Operand entry: the value is in the accumulator (or was pushed from it).
constexpr int32_t IN_ACCUM = 4095;
// The bottom operator: its group is above every operator's.
constexpr uint16_t SENTINEL_OP = 116;


int group_of(uint16_t op) { return op & 0xF8; }

// The binary operators among the codes 4 to 56; the others there (LEFT,
// RIGHT, STRCOMP, LEN) cannot continue an expression.
constexpr uint16_t binary_operators[] = {TOK_MUL, TOK_DIV, TOK_MOD, TOK_PLUS, TOK_MINUS, TOK_SHR, TOK_SHL, TOK_EQ,
                                         TOK_LT,  TOK_GT,  TOK_LE,  TOK_GE,   TOK_NE,    TOK_AND, TOK_OR,  TOK_XOR};

bool is_binary_operator(uint16_t t) {
  for (uint16_t op : binary_operators)
    if (t == op) return true;
  return false;
}

bool is_named_const(uint16_t t) { return type_of(t) == SYM_CONSTANT; }
bool is_single_var(uint16_t t) { return type_of(t) == SYM_SINGLE; }

// An integer variable, declaring an unknown name as one. A name whose
// declaration failed has been reported.
bool is_int_var_or_declare(uint16_t t) { return is_symbol_token(t) && is_ivariable_or_declare(t); }

bool is_deferrable(uint16_t t) {
  return is_int_literal(t) || is_flt_literal(t) || is_int_var_or_declare(t) || is_single_var(t);
}

uint32_t literal_value(uint16_t t) { return static_cast<uint32_t>(g_constants[literal_slot(t)]); }

// The value a deferred literal or constant loads with in the current mode.
int32_t deferred_value(uint16_t t) {
  if (is_int_literal(t))
    return emit.integer_ops ? static_cast<int32_t>(literal_value(t))
                            : static_cast<int32_t>(int_to_single_bits(static_cast<int32_t>(literal_value(t))));
  if (is_flt_literal(t))
    return emit.integer_ops ? single_bits_to_int(literal_value(t)) : static_cast<int32_t>(literal_value(t));
  return named_const_value(symbol_of(t));
}

int32_t fold_not(int32_t v) { return emit.bitwise_ops ? ~v : (v == 0 ? 1 : 0); }

// One prefix at the head of an expression: NOT applies to the whole
// expression, "-" to its first operand only.
void read_prefix(bool &pendingNot, bool &pendingNeg) {
  if (cursor.g_token == TOK_NOT) {
    pendingNot = true;
    advance();
  } else if (cursor.g_token == TOK_MINUS) {
    pendingNeg = true;
    advance();
  }
}

struct ParseStack {
  uint16_t ops[EXPR_STACK_SIZE];
  int32_t opnds[EXPR_STACK_SIZE];
  int size = 0;
  bool push(uint16_t op, int32_t operand) {
    if (size >= EXPR_STACK_SIZE) return false;
    ops[size] = op;
    opnds[size] = operand;
    size++;
    return true;
  }
};

// Compiles an operand that is not deferred into the accumulator, converting
// it to the expression's mode with the given operands of ops 12 and 14.
// An operand compiler that failed with a message of its own is not followed
// by a second report.
bool compile_operand(int32_t itofOperand, int32_t ftoiOperand) {
  uint32_t errors = diag.error_count;
  if (do_int_operand()) {
    if (!emit.integer_ops) add_op(OP_ITOF, itofOperand);
    return true;
  }
  if (diag.error_count != errors) return false;
  if (do_flt_operand()) {
    if (emit.integer_ops) add_op(OP_FTOI, ftoiOperand);
    return true;
  }
  if (diag.error_count == errors) print_error_ln("Expected Operand");
  return false;
}

// Applies the operator on top of the stack to the top two operands.
void reduce(ParseStack &s, uint8_t &accFree) {
  int32_t &left = s.opnds[s.size - 2];
  if (compile_op(left, s.ops[s.size - 1], s.opnds[s.size - 1], accFree)) {
    left = IN_ACCUM;
    accFree = 0;
  }
  s.size--;
}

}  // namespace

uint32_t int_to_single_bits(int32_t v) {
  float f = static_cast<float>(v);
  uint32_t bits;
  memcpy(&bits, &f, sizeof bits);
  return bits;
}

// Truncates toward zero and saturates; NaN gives 0.
int32_t single_bits_to_int(uint32_t bits) {
  float f;
  memcpy(&f, &bits, sizeof f);
  if (std::isnan(f)) return 0;
  if (f >= 2147483648.0f) return INT32_MAX;
  if (f <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(f);
}

int32_t named_const_value(int symbol) {
  int32_t v = g_symboladdr[symbol];
  bool single = g_symbolsize[symbol] == CONST_IS_SINGLE;
  if (emit.integer_ops) return single ? single_bits_to_int(static_cast<uint32_t>(v)) : v;
  return single ? v : static_cast<int32_t>(int_to_single_bits(v));
}

int end_of_expr(uint16_t t) {
  switch (t) {
    case TOK_COMMA:
    case TOK_TO:
    case TOK_DOWNTO:
    case TOK_STEP:
    case TOK_THEN:
    case TOK_ELSE:
    case TOK_SEMICOLON:
    case TOK_RPAREN:
    case TOK_EOL: return 1;
    default:
      return 0;
  }
}

uint16_t overloaded_ops(uint16_t op) {
  switch (op) {
    case TOK_AND: return emit.bitwise_ops ? OP_AND : OP_LOGAND;
    case TOK_OR: return emit.bitwise_ops ? OP_OR : OP_LOGOR;
    case TOK_XOR: return emit.bitwise_ops ? OP_XOR : OP_LOGXOR;
    case TOK_NOT: return emit.bitwise_ops ? OP_NOT : OP_LOGNOT;
    default:
      if (is_comparison(op)) emit.bitwise_ops = 0;
      return op;
  }
}

void lookahead4float() {
  emit.bitwise_ops = 1;
  emit.integer_ops = 1;
  for (int i = cursor.g_tokenptr; i < TOKENLIST_SIZE; i++) {
    uint16_t t = g_tokenlist[i];
    if (t == TOK_EOL || end_of_expr(t)) return;
    if (is_int_literal(t) || t == TOK_CHR || t == TOK_ADDRESSOF) return;
    if (is_flt_literal(t)) {
      emit.integer_ops = 0;
      return;
    }
    if (!is_symbol_token(t)) continue;
    int type = type_of(t);
    // Under requireDIM an undeclared name is reported where it is compiled,
    // not here as well.
    if (type == SYM_NEW && symtab.requireDIM) continue;
    if (is_ivariable_or_declare(t) || is_iarray(t) || is_iarrayPtr(t) || is_intPtr(t)) return;
    if (is_fvariable(t) || is_fltPtr(t) || is_farray(t) || is_farrayPtr(t)) {
      emit.integer_ops = 0;
      return;
    }
    if (is_funct(t)) {
      uint8_t result = function_result(t);
      if (result == SYM_INTEGER) return;
      if (result == SYM_SINGLE) {
        emit.integer_ops = 0;
        return;
      }
    }
  }
}

int32_t compute_op(int32_t left, uint16_t op, int32_t right) {
  uint32_t l = static_cast<uint32_t>(left), r = static_cast<uint32_t>(right);
  switch (op) {
    case OP_MUL: return static_cast<int32_t>(l * r);
    case OP_DIV:
      if (right == 0) return 0;
      if (left == INT32_MIN && right == -1) return INT32_MIN;
      return left / right;
    case OP_MOD:
      if (right == 0 || right == -1) return 0;
      return left % right;
    case OP_ADD: return static_cast<int32_t>(l + r);
    case OP_SUB: return static_cast<int32_t>(l - r);
    case OP_SHR: return shift_right_as_board(left, right);
    case OP_TSHL: return shift_left_as_board(left, right);
    case OP_EQ: return left == right;
    case OP_LT: return left < right;
    case OP_GT: return left > right;
    case OP_LE: return left <= right;
    case OP_GE: return left >= right;
    case OP_NE: return left != right;
    case OP_AND: return left & right;
    case OP_OR: return left | right;
    case OP_XOR: return left ^ right;
    case OP_LOGAND: return left != 0 && right != 0;
    case OP_LOGOR: return left != 0 || right != 0;
    case OP_LOGXOR: return (left != 0) != (right != 0);
    default:
      print_error_ln("Unknown operator");
      return 0;
  }
}

int const_op_const(int32_t left, uint16_t op, int32_t right) {
  if (!emit.integer_ops || left == IN_ACCUM || right == IN_ACCUM) return 0;
  uint16_t l = static_cast<uint16_t>(left), r = static_cast<uint16_t>(right);
  if (!is_int_literal(l) || !is_int_literal(r)) return 0;
  // A division by a constant 0 is left to the run-time rule.
  if ((op == OP_DIV || op == OP_MOD) && literal_value(r) == 0) return 0;
  return 1;
}

int compile_op(int32_t left, uint16_t op, int32_t right, uint8_t accFree) {
  if (const_op_const(left, op, right)) {
    uint16_t l = static_cast<uint16_t>(left);
    g_constants[literal_slot(l)] = compute_op(static_cast<int32_t>(literal_value(l)), op,
                                               static_cast<int32_t>(literal_value(static_cast<uint16_t>(right))));
    return 0;
  }
  if (left != IN_ACCUM && right != IN_ACCUM && !accFree) add_op(OP_PUSHACC, tag::SAVE_ACCUMULATOR);
  if (right == IN_ACCUM) {
    add_op(OP_ACC2OPND, tag::RIGHT_OPERAND);
    if (left == IN_ACCUM) add_op(OP_POPACC, tag::LEFT_OPERAND);
  } else {
    uint16_t r = static_cast<uint16_t>(right);
    if (is_int_literal(r) || is_flt_literal(r) || is_named_const(r)) {
      add_op(OP_OPND_CONST, deferred_value(r));
    } else {
      add_op(OP_OPND_LDVAR, g_symboladdr[symbol_of(r)]);
      if (is_single_var(r)) {
        if (emit.integer_ops) add_op(OP_OPND_FTOI, tag::RIGHT_TO_INTEGER);
      } else if (!emit.integer_ops) {
        add_op(OP_OPND_ITOF, tag::RIGHT_TO_SINGLE);
      }
    }
  }
  if (left != IN_ACCUM) {
    uint16_t l = static_cast<uint16_t>(left);
    if (is_int_literal(l) || is_flt_literal(l) || is_named_const(l)) {
      add_op(OP_CONST, deferred_value(l));
    } else {
      add_op(OP_LDVAR, g_symboladdr[symbol_of(l)]);
      if (is_single_var(l)) {
        if (emit.integer_ops) add_op(OP_FTOI, tag::LEFT_TO_INTEGER);
      } else if (!emit.integer_ops) {
        add_op(OP_ITOF, tag::LEFT_TO_SINGLE);
      }
    }
  }
  // The operator was mapped when it was read: an AND before the first
  // comparison stays bitwise even though the comparison cleared the flag.
  add_op(op, tag::OPERATOR);
  return 1;
}

int do_expr(uint8_t typeCheck) {
  if (typeCheck) lookahead4float();
  bool pendingNot = false, pendingNeg = false;
  read_prefix(pendingNot, pendingNeg);

  // The first operand.
  int32_t first;
  uint16_t t = cursor.g_token;
  if (is_symbol_token(t) && type_of(t) == SYM_NEW && !is_ivariable_or_declare(t)) return 0;
  if (is_int_literal(t)) {
    if (pendingNeg) g_constants[literal_slot(t)] = static_cast<int32_t>(0u - literal_value(t));
    pendingNeg = false;
    first = t;
  } else if (is_flt_literal(t)) {
    if (pendingNeg) g_constants[literal_slot(t)] = static_cast<int32_t>(literal_value(t) | 0x80000000u);
    pendingNeg = false;
    first = t;
  } else if (is_int_var_or_declare(t) || is_single_var(t) || is_named_const(t)) {
    first = t;
    if (pendingNeg) {
      if (is_named_const(t)) {
        add_op(OP_CONST, named_const_value(symbol_of(t)));
      } else {
        add_op(OP_LDVAR, g_symboladdr[symbol_of(t)]);
        if (is_single_var(t) && emit.integer_ops) add_op(OP_FTOI, tag::NEGATED_TO_INTEGER);
        if (!is_single_var(t) && !emit.integer_ops) add_op(OP_ITOF, tag::NEGATED_TO_SINGLE);
      }
      first = IN_ACCUM;
    }
  } else {
    if (!compile_operand(tag::FIRST_TO_SINGLE, tag::FIRST_TO_INTEGER)) return 0;
    first = IN_ACCUM;
  }
  if (pendingNeg) {
    add_op(OP_NEG, 0);
    first = IN_ACCUM;
  }

  ParseStack s;
  s.push(SENTINEL_OP, first);
  uint8_t accFree = first == IN_ACCUM ? 0 : 1;
  for (;;) {
    advance();
    uint16_t op = cursor.g_token;
    if (end_of_expr(op) || !is_operator_token(op)) break;
    if (!is_binary_operator(op)) {
      print_error_ln("Unknown operator");
      return 0;
    }
    op = overloaded_ops(op);
    if (group_of(op) >= group_of(s.ops[s.size - 1])) {
      reduce(s, accFree);
      if (group_of(op) >= group_of(s.ops[s.size - 1])) reduce(s, accFree);
    }
    advance();
    int32_t operand;
    uint16_t u = cursor.g_token;
    if (is_symbol_token(u) && type_of(u) == SYM_NEW && !is_ivariable_or_declare(u)) return 0;
    if (is_deferrable(u)) {
      operand = u;
    } else {
      if (!accFree) add_op(OP_PUSHACC, tag::NEXT_OPERAND);
      if (!compile_operand(tag::OPERAND_TO_SINGLE, tag::OPERAND_TO_INTEGER)) return 0;
      operand = IN_ACCUM;
      accFree = 0;
    }
    if (!s.push(op, operand)) {
      print_error_ln("Expression too complex");
      return 0;
    }
  }
  while (s.size > 1) reduce(s, accFree);

  int32_t last = s.opnds[0];
  if (last != IN_ACCUM) {
    uint16_t l = static_cast<uint16_t>(last);
    bool integer_constant = is_int_literal(l) || (is_named_const(l) && g_symbolsize[symbol_of(l)] != CONST_IS_SINGLE);
    if (integer_constant && pendingNot) {
      int32_t v = is_int_literal(l) ? static_cast<int32_t>(literal_value(l)) : g_symboladdr[symbol_of(l)];
      v = fold_not(v);
      add_op(OP_CONST, emit.integer_ops ? v : static_cast<int32_t>(int_to_single_bits(v)));
      pendingNot = false;
    } else if (is_int_literal(l) || is_flt_literal(l) || is_named_const(l)) {
      add_op(OP_CONST, deferred_value(l));
    } else {
      add_op(OP_LDVAR, g_symboladdr[symbol_of(l)]);
      if (is_single_var(l) && emit.integer_ops) add_op(OP_FTOI, tag::RESULT_TO_INTEGER);
      if (!is_single_var(l) && !emit.integer_ops) add_op(OP_ITOF, tag::RESULT_TO_SINGLE);
    }
  }
  if (pendingNot) add_op(emit.bitwise_ops ? OP_NOT : OP_LOGNOT, 88);
  return 1;
}

namespace {

// A constant operand at the cursor: a literal, a parenthesised constant
// expression or ADDRESSOF; a named constant only where allowed.
bool const_operand(bool allowNamed, bool &pendingNeg, int32_t &value) {
  uint16_t t = cursor.g_token;
  if (is_int_literal(t)) {
    value = static_cast<int32_t>(literal_value(t));
  } else if (is_flt_literal(t)) {
    if (!emit.integer_ops) return false;
    uint32_t bits = literal_value(t);
    if (pendingNeg) {
      bits |= 0x80000000u;
      pendingNeg = false;
    }
    value = single_bits_to_int(bits);
  } else if (allowNamed && is_named_const(t)) {
    value = named_const_value(symbol_of(t));
  } else if (t == TOK_LPAREN) {
    advance();
    if (!is_const_expr(0) || cursor.g_token != TOK_RPAREN) return false;
    value = expr.const_expr_value;
  } else if (t == TOK_ADDRESSOF) {
    if (!do_addr()) return false;
    value = static_cast<int32_t>(expr.the_addr);
  } else {
    return false;
  }
  return true;
}

}  // namespace

int do_const_expr(uint8_t typeCheck) {
  if (typeCheck) lookahead4float();
  bool pendingNot = false, pendingNeg = false;
  read_prefix(pendingNot, pendingNeg);
  int32_t first;
  if (!const_operand(true, pendingNeg, first)) return 0;
  if (pendingNeg) first = static_cast<int32_t>(0u - static_cast<uint32_t>(first));

  ParseStack s;
  s.push(SENTINEL_OP, first);
  auto reduce_values = [&s]() -> bool {
    uint16_t op = s.ops[s.size - 1];
    int32_t right = s.opnds[s.size - 1];
    if ((op == OP_DIV || op == OP_MOD) && right == 0) return false;
    s.opnds[s.size - 2] = compute_op(s.opnds[s.size - 2], op, right);
    s.size--;
    return true;
  };
  for (;;) {
    advance();
    uint16_t op = cursor.g_token;
    if (end_of_expr(op) || !is_operator_token(op)) break;
    if (!is_binary_operator(op)) return 0;
    op = overloaded_ops(op);
    if (group_of(op) >= group_of(s.ops[s.size - 1])) {
      if (!reduce_values()) return 0;
      if (group_of(op) >= group_of(s.ops[s.size - 1]) && !reduce_values()) return 0;
    }
    advance();
    bool noNeg = false;
    int32_t value;
    if (!const_operand(false, noNeg, value)) return 0;
    if (!s.push(op, value)) return 0;
  }
  while (s.size > 1)
    if (!reduce_values()) return 0;
  expr.const_expr_value = s.opnds[0];
  if (pendingNot) expr.const_expr_value = fold_not(expr.const_expr_value);
  return 1;
}

// A failed attempt leaves no trace: the cursor and the mode flags (which a
// comparison read on the way may have changed) are put back.
int is_const_expr(uint8_t typeCheck) {
  uint8_t start = cursor.g_tokenptr;
  uint8_t savedInteger = emit.integer_ops, savedBitwise = emit.bitwise_ops;
  if (do_const_expr(typeCheck)) return 1;
  set_cursor(start);
  emit.integer_ops = savedInteger;
  emit.bitwise_ops = savedBitwise;
  return 0;
}

int do_addr() {
  advance();
  uint16_t t = cursor.g_token;
  int type = type_of(t);
  uint32_t strings = firmware.string_base;
  if (type == SYM_LABEL || is_funct(t)) {
    expr.the_addr = static_cast<int32_t>(code_unit_address(static_cast<uint32_t>(g_symboladdr[symbol_of(t)])));
  } else if (is_variable_type(type)) {
    expr.the_addr = static_cast<int32_t>(firmware.data_base + 4u * static_cast<uint32_t>(g_symboladdr[symbol_of(t)]));
  } else if (type == SYM_WORD_TABLE || type == SYM_CSTRING) {
    expr.the_addr = static_cast<int32_t>(strings + static_cast<uint32_t>(g_symboladdr[symbol_of(t)]));
  } else if (is_str_literal(t)) {
    expr.the_addr = static_cast<int32_t>(strings + static_cast<uint32_t>(CStringAddr[string_slot(t)]));
  } else {
    print_error_ln("Expected variable or function");
    return 0;
  }
  return 1;
}
