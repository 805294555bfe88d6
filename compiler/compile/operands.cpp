#include "compile/operands.h"

#include "codegen/emit.h"
#include "codegen/ioh/ioh.h"
#include "codegen/operations.h"
#include "compile/blocks.h"
#include "compile/builtins.h"
#include "compile/expression.h"
#include "compile/operand_tags.h"
#include "compile/procedures.h"
#include "compile/strings.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

namespace {

int32_t address_of(uint16_t t) { return g_symboladdr[symbol_of(t)]; }

// A word read at an address given by a constant: in I/O-handler code a
// peripheral register is read directly.
void read_word_at_constant(int32_t v) {
  if (ioh_peripheral(v)) {
    add_op(OP_EZHRDPER, peripheral_register(v));
    return;
  }
  add_op(OP_CONST, v);
  add_op(OP_PEEK, tag::WORD_READ);
}

// "*" followed by an address: the 32-bit word there.
bool word_read() {
  advance();
  uint16_t t = cursor.g_token;
  if (is_symbol_token(t) && is_ivariable_or_declare(t)) {
    add_op(OP_LDVAR, address_of(t));
    add_op(OP_PEEK, tag::WORD_READ);
    return true;
  }
  if (is_int_literal(t)) {
    read_word_at_constant(g_constants[literal_slot(t)]);
    return true;
  }
  if (t == TOK_LPAREN) {
    advance();
    if (is_const_expr(0)) {
      if (cursor.g_token != TOK_RPAREN) {
        print_error_ln("Expected )");
        return false;
      }
      read_word_at_constant(expr.const_expr_value);
      return true;
    }
    if (!do_expr(0)) return false;
    if (!expect_token(TOK_RPAREN, "Expected )")) return false;
    add_op(OP_PEEK, tag::WORD_READ);
    return true;
  }
  if (!do_integer_parameter()) return false;
  add_op(OP_PEEK, tag::WORD_READ);
  return true;
}

}  // namespace

bool indexed(uint16_t constOp, uint16_t baseOp, uint16_t addOp, int32_t base) {
  uint32_t errors = diag.error_count;
  if (is_constant_parameter()) {
    add_op(constOp, static_cast<int32_t>(static_cast<uint32_t>(base) + static_cast<uint32_t>(expr.const_expr_value)));
    return true;
  }
  if (diag.error_count != errors || !do_integer_parameter()) return false;
  add_op(baseOp, base);
  add_op(addOp, 0);
  return true;
}

bool indexed_by_pointer(int32_t pointer) {
  if (!do_integer_parameter()) return false;
  add_op(OP_OPND_LDVAR, pointer);
  add_op(OP_IADD, 0);
  return true;
}

int do_integer_parameter() {
  advance();
  if (!expect_token(TOK_LPAREN, "expected element(expression)")) return 0;
  advance();
  uint8_t savedInteger = emit.integer_ops, savedBitwise = emit.bitwise_ops;
  emit.integer_ops = 1;
  emit.bitwise_ops = 1;
  if (!do_expr(0)) return 0;
  emit.integer_ops = savedInteger;
  emit.bitwise_ops = savedBitwise;
  if (!expect_token(TOK_RPAREN, "Expected )")) return 0;
  return 1;
}

int do_anytype_parameter() {
  advance();
  if (!expect_token(TOK_LPAREN, "Expected (")) return 0;
  advance();
  if (!do_expr(0)) return 0;
  if (!expect_token(TOK_RPAREN, "expected )")) return 0;
  return 1;
}

int is_constant_parameter() {
  uint8_t start = cursor.g_tokenptr;
  advance();
  if (!expect_token(TOK_LPAREN, "expected element(expression)")) return 0;
  advance();
  uint8_t savedInteger = emit.integer_ops, savedBitwise = emit.bitwise_ops;
  emit.integer_ops = 1;
  emit.bitwise_ops = 1;
  bool constant = is_const_expr(0);
  emit.integer_ops = savedInteger;
  emit.bitwise_ops = savedBitwise;
  if (!constant) {
    set_cursor(start);
    return 0;
  }
  if (!expect_token(TOK_RPAREN, "Expected )")) return 0;
  return 1;
}

int do_int_operand() {
  uint16_t t = cursor.g_token;
  int type = type_of(t);
  if (is_symbol_token(t) && is_ivariable_or_declare(t)) {
    add_op(OP_LDVAR, address_of(t));
    return 1;
  }
  if (is_int_literal(t)) {
    add_op(OP_CONST, g_constants[literal_slot(t)]);
    return 1;
  }
  if (t == TOK_MINUS) {
    if (!emit.integer_ops) return 0;
    uint8_t start = cursor.g_tokenptr;
    uint32_t errors = diag.error_count;
    advance();
    if (!do_int_operand()) {
      if (diag.error_count == errors) set_cursor(start);
      return 0;
    }
    add_op(OP_NEG, 0);
    return 1;
  }
  if (type == SYM_INT_ARRAY || type == SYM_PARAM_ARRAY) {
    if (!indexed(OP_CONST, OP_OPND_CONST, OP_IADD, address_of(t))) return 0;
    add_op(OP_LDARR, 0);
    return 1;
  }
  if (type == SYM_INT_ARRAY_PTR) {
    if (!indexed_by_pointer(address_of(t))) return 0;
    add_op(OP_LDARR, 0);
    return 1;
  }
  if (type == SYM_SINGLE_ARRAY || type == SYM_SINGLE_ARRAY_PTR || type == SYM_SINGLE_PTR) return 0;
  if (type == SYM_INT_PTR) {
    add_op(OP_LDVAR, address_of(t));
    add_op(OP_LDARR, 0);
    return 1;
  }
  bool indexedNext = next_token() == TOK_LPAREN;
  if (type == SYM_STRING) {
    if (!indexedNext) return do_str_compare(0);
    if (!indexed(OP_ADDR, OP_OPND_ADDR, OP_IADD, 4 * address_of(t))) return 0;
    add_op(OP_RD_BYTE, 0);
    return 1;
  }
  if (type == SYM_STRING_PTR) {
    if (!indexedNext) return do_str_compare(0);
    if (!indexed_by_pointer(address_of(t))) return 0;
    add_op(OP_RD_BYTE, 0);
    return 1;
  }
  if (is_constant_string(t)) {
    if (!indexedNext) return do_str_compare(0);
    if (!indexed(OP_STRADDR, OP_OPND_STRADDR, OP_IADD, constant_string_offset(t))) return 0;
    add_op(OP_RD_BYTE, 0);
    return 1;
  }
  if (t == TOK_LEFT || t == TOK_RIGHT) return do_str_compare(0);
  if (is_funct(t)) {
    uint8_t result = function_result(t);
    if (result == SYM_INTEGER) return do_function_operand(TOK_INTEGER);
    if (result == SYM_SINGLE) return 0;
    if (result == SYM_STRING) return do_str_compare(0);
    print_error_ln("Expected numeric Function");
    return 0;
  }
  if (t == TOK_AD || t == TOK_RD_SHALF || t == TOK_RD_HALF || t == TOK_RD_BYTE) return do_builtin_int_func();
  uint32_t errors = diag.error_count;
  if (do_builtin_int_func()) {
    if (emit.integer_ops) return 1;
    print_error_ln("Illegal conversion to single");
    return 0;
  }
  if (diag.error_count != errors) return 0;
  return emit.integer_ops ? do_anytype_operand() : 0;
}

int do_flt_operand() {
  uint16_t t = cursor.g_token;
  int type = type_of(t);
  if (type == SYM_SINGLE) {
    add_op(OP_LDVAR, address_of(t));
    return 1;
  }
  if (is_flt_literal(t)) {
    add_op(OP_CONST, g_constants[literal_slot(t)]);
    return 1;
  }
  if (t == TOK_MINUS) {
    if (emit.integer_ops) return 0;
    uint8_t start = cursor.g_tokenptr;
    uint32_t errors = diag.error_count;
    advance();
    if (do_int_operand()) {
      add_op(OP_ITOF, tag::NEGATED_INTEGER);
      add_op(OP_NEG, tag::NEGATED_INTEGER);
      return 1;
    }
    if (diag.error_count == errors && do_flt_operand()) {
      add_op(OP_NEG, 0);
      return 1;
    }
    if (diag.error_count == errors) set_cursor(start);
    return 0;
  }
  if (type == SYM_SINGLE_ARRAY) {
    if (!indexed(OP_CONST, OP_OPND_CONST, OP_IADD, address_of(t))) return 0;
    add_op(OP_LDARR, 0);
    return 1;
  }
  if (type == SYM_SINGLE_ARRAY_PTR) {
    if (!indexed_by_pointer(address_of(t))) return 0;
    add_op(OP_LDARR, 0);
    return 1;
  }
  if (is_funct(t)) return function_result(t) == SYM_SINGLE ? do_function_operand(TOK_INTEGER) : 0;
  if (type == SYM_SINGLE_PTR) {
    add_op(OP_LDVAR, address_of(t));
    add_op(OP_LDARR, 0);
    return 1;
  }
  return emit.integer_ops ? 0 : do_anytype_operand();
}

int do_anytype_operand() {
  uint16_t t = cursor.g_token;
  if (t == TOK_ABS) {
    if (!do_anytype_parameter()) return 0;
    add_op(OP_ABS, 0);
    return 1;
  }
  if (t == TOK_LPAREN) {
    uint8_t savedBitwise = emit.bitwise_ops;
    emit.bitwise_ops = 1;
    advance();
    if (is_const_expr(0)) {
      // The integer evaluator folded it; a SINGLE expression loads its value.
      add_op(OP_CONST, emit.integer_ops ? expr.const_expr_value
                                        : static_cast<int32_t>(int_to_single_bits(expr.const_expr_value)));
    } else if (!do_expr(0)) {
      return 0;
    }
    if (!expect_token(TOK_RPAREN, "Expected )")) return 0;
    emit.bitwise_ops = savedBitwise;
    return 1;
  }
  int type = type_of(t);
  if (type == SYM_WORD_TABLE) {
    int32_t offset = address_of(t);
    uint32_t errors = diag.error_count;
    if (is_constant_parameter()) {
      add_op(OP_STRADDR,
             static_cast<int32_t>(static_cast<uint32_t>(offset) + 4u * static_cast<uint32_t>(expr.const_expr_value)));
    } else {
      if (diag.error_count != errors || !do_integer_parameter()) return 0;
      add_op(OP_OPND_CONST, 2);
      add_op(OP_SHL, tag::TABLE_INDEX);
      add_op(OP_OPND_STRADDR, offset);
      add_op(OP_IADD, 0);
    }
    add_op(OP_PEEK, tag::TABLE_READ);
    return 1;
  }
  if (type == SYM_CONSTANT) {
    add_op(OP_CONST, named_const_value(symbol_of(t)));
    return 1;
  }
  if (t == TOK_MUL) return word_read() ? 1 : 0;
  if (t == TOK_IF) return do_ternary_if();
  return 0;
}

namespace {

// One argument for the parameter slot; the cursor ends on the token after it.
bool pass_argument(int slot) {
  uint8_t kind = localType[slot];
  int32_t param = localAddr[slot];
  uint16_t t = cursor.g_token;
  int type = type_of(t);
  switch (kind) {
    case SYM_STRING_PTR:
      if (type == SYM_STRING) {
        add_op(OP_ADDR, 4 * address_of(t));
      } else if (type == SYM_STRING_PTR) {
        add_op(OP_LDVAR, address_of(t));
      } else if (is_constant_string(t)) {
        add_op(OP_STRADDR, constant_string_offset(t));
      } else if (t == TOK_CHR && is_int_literal(token_at(cursor.g_tokenptr + 2))) {
        add_op(OP_STRADDR, make_chr_string());
      } else {
        print_error_ln("Expected string variable");
        return false;
      }
      advance();
      add_op(OP_STVAR, param);
      return true;
    case SYM_STRING:
      if (!do_str_expr(1)) return false;
      add_op(OP_ADDR, 4 * param);
      add_op(OP_ACC2IDX, 0);
      add_op(OP_SAVESTR, 0);
      return true;
    case SYM_INT_PTR:
    case SYM_INT_ARRAY_PTR:
    case SYM_SINGLE_PTR:
    case SYM_SINGLE_ARRAY_PTR: {
      // By reference: the variable's word index, or the pointer it holds.
      const bool single = kind == SYM_SINGLE_PTR || kind == SYM_SINGLE_ARRAY_PTR;
      const bool array = kind == SYM_INT_ARRAY_PTR || kind == SYM_SINGLE_ARRAY_PTR;
      if (single) emit.integer_ops = 0;
      int direct = array ? (single ? SYM_SINGLE_ARRAY : SYM_INT_ARRAY) : (single ? SYM_SINGLE : SYM_INTEGER);
      int pointer =
          array ? (single ? SYM_SINGLE_ARRAY_PTR : SYM_INT_ARRAY_PTR) : (single ? SYM_SINGLE_PTR : SYM_INT_PTR);
      if (!array && !single && type == SYM_NEW && is_symbol_token(t)) is_ivariable_or_declare(t);
      type = type_of(t);
      if (type == direct) {
        add_op(OP_CONST, address_of(t));
      } else if (type == pointer) {
        add_op(OP_LDVAR, address_of(t));
      } else {
        print_error_ln(kind == SYM_INT_PTR         ? "Expected integer variable or pointer"
                       : kind == SYM_INT_ARRAY_PTR ? "Expected integer array"
                       : kind == SYM_SINGLE_PTR    ? "Expected single variable or pointer"
                                                   : "Expected single array");
        return false;
      }
      advance();
      add_op(OP_STVAR, param);
      return true;
    }
    case SYM_SINGLE:
      emit.integer_ops = 0;
      if (!do_expr(0)) return false;
      add_op(OP_STVAR, param);
      return true;
    default:
      emit.bitwise_ops = 1;
      emit.integer_ops = 1;
      if (!do_expr(0)) return false;
      add_op(OP_STVAR, param);
      return true;
  }
}

}  // namespace

int do_function_operand(uint16_t context) {
  uint8_t savedInteger = emit.integer_ops, savedBitwise = emit.bitwise_ops;
  uint16_t name = cursor.g_token;
  int slot = function_first_slot(name);
  uint8_t result = localType[slot];
  if (context == TOK_INTEGER && result != SYM_INTEGER && result != SYM_SINGLE) {
    print_error_ln("Expected numeric function");
    return 0;
  }
  int32_t saved = 0;
  int32_t argument = 0;
  if (emit.inside_ezh != 0) {
    ioh.ezh_calling = 1;
    saved = vars.g_VSP - ioh.ezhVarStart;
    for (int32_t n = saved - 1; n >= 0; n--) add_op(OP_EZHSAVE, n);
  } else if (result != 0) {
    add_op(OP_PUSHIDX, 0);
  }
  slot++;
  if (next_token() == TOK_LPAREN) {
    advance();
    for (;;) {
      advance();
      if (cursor.g_token == TOK_RPAREN) break;
      if (emit.inside_ezh != 0) {
        // The I/O handler passes arguments in registers.
        if (!do_expr(0)) return 0;
        add_op(OP_EZHPARAM, argument++);
      } else {
        if (is_end_mark(slot)) {
          print_error_ln("Too many parameters");
          return 0;
        }
        if (localType[slot] == SYM_PARAM_ARRAY) {
          add_op(OP_CONST, localAddr[slot]);
          if (!do_param_array(localAddr[slot])) return 0;
          slot++;
          break;
        }
        if (!pass_argument(slot)) return 0;
      }
      slot++;
      if (cursor.g_token == TOK_RPAREN) break;
      if (cursor.g_token != TOK_COMMA) {
        print_error_ln("Call Function syntax error");
        return 0;
      }
    }
  }
  if (!is_end_mark(slot)) {
    print_error_ln("Too few parameters");
    return 0;
  }
  add_op(OP_CALLSUB, address_of(name));
  if (emit.inside_ezh != 0) {
    for (int32_t n = 0; n < saved; n++) add_op(OP_EZHRESTORE, n);
    ioh.ezh_calling = 0;
  } else {
    if (context == TOK_STRING && result == SYM_INTEGER) add_op(OP_STR, 0);
    if (result != 0) add_op(OP_POPIDX, 0);
  }
  emit.integer_ops = savedInteger;
  emit.bitwise_ops = savedBitwise;
  return 1;
}
