#include "compile/assignment.h"

#include "codegen/emit.h"
#include "codegen/ioh/ioh.h"
#include "codegen/operations.h"
#include "compile/builtins.h"
#include "compile/control_flow.h"
#include "compile/expression.h"
#include "compile/operand_tags.h"
#include "compile/operands.h"
#include "compile/strings.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"

AssignmentState assignment;

namespace {

int32_t address_of(uint16_t t) { return g_symboladdr[symbol_of(t)]; }

// "*" address = value: a word store at an address.
uint16_t word_store_target() {
  advance();
  uint16_t t = cursor.g_token;
  int32_t value = 0;
  bool constant = false;
  if (is_symbol_token(t) && is_ivariable_or_declare(t)) {
    add_op(OP_LDVAR, address_of(t));
  } else if (is_int_literal(t)) {
    value = g_constants[literal_slot(t)];
    constant = true;
  } else if (t == TOK_LPAREN) {
    advance();
    if (is_const_expr(0)) {
      value = expr.const_expr_value;
      constant = true;
    } else if (!do_expr(0)) {
      return 0;
    }
    if (!expect_token(TOK_RPAREN, "Expected )")) return 0;
  } else {
    return report("Expected Variable Or Integer After *");
  }
  if (constant) {
    if (ioh_peripheral(value)) {
      ioh.ezh_vpbaddr = peripheral_register(value);
      return OP_EZHWRPER;
    }
    add_op(OP_CONST, value);
  }
  add_op(OP_ACC2IDX, 0);
  return OP_POKE;
}

// TXD0, TXD1, BAUD0 and BAUD1 name their channel themselves.
uint16_t channel_register(uint16_t t) {
  if (next_token() == TOK_LPAREN) return report("Expected =");
  bool one = t == TOK_TXD1 || t == TOK_BAUD1;
  if (one && firmware.numbered_serial)
    return report(t == TOK_TXD1 ? "TXD1 has been replaced with TXD(1)" : "BAUD1 has been replaced with BAUD(1)");
  add_op(OP_CONST, one ? 1 : 0);
  add_op(OP_ACC2IDX, 0);
  if (t == TOK_TXD0) return OP_TXD0;
  if (t == TOK_TXD1) return OP_TXD1;
  return OP_BAUD;
}

// PRINT CHR(x) prints one character when the call is a whole item.
bool chr_call_ends_before_separator() {
  if (next_token() != TOK_LPAREN) return false;
  int depth = 0;
  for (int i = cursor.g_tokenptr + 1; i < TOKENLIST_SIZE; i++) {
    uint16_t t = g_tokenlist[i];
    if (t == TOK_EOL) return false;
    if (t == TOK_LPAREN) depth++;
    if (t == TOK_RPAREN && --depth == 0) return next_token_seperator(token_at(i + 1));
  }
  return false;
}

}  // namespace

uint16_t do_lvalue() {
  uint16_t t = cursor.g_token;
  int type = type_of(t);
  bool hasIndex = next_token() == TOK_LPAREN;
  if (t == TOK_MUL) return word_store_target();
  uint32_t errors = diag.error_count;
  if (is_symbol_token(t) && is_ivariable_or_declare(t)) {
    assignment.lvalue_var_addr = address_of(t);
    return OP_STVAR;
  }
  if (diag.error_count != errors) return 0;
  switch (type) {
    case SYM_SINGLE:
      assignment.lvalue_var_addr = address_of(t);
      emit.integer_ops = 0;
      return OP_STVAR;
    case SYM_INT_ARRAY:
    case SYM_SINGLE_ARRAY:
      if (!indexed(OP_CONST, OP_OPND_CONST, OP_IADD, address_of(t))) return 0;
      add_op(OP_ACC2IDX, 0);
      emit.integer_ops = type == SYM_INT_ARRAY ? 1 : 0;
      return OP_STARR;
    case SYM_INT_ARRAY_PTR:
    case SYM_SINGLE_ARRAY_PTR:
      if (!indexed_by_pointer(address_of(t))) return 0;
      add_op(OP_ACC2IDX, 0);
      emit.integer_ops = type == SYM_INT_ARRAY_PTR ? 1 : 0;
      return OP_STARR;
    case SYM_STRING:
      if (!hasIndex) {
        add_op(OP_ADDR, 4 * address_of(t));
        add_op(OP_ACC2IDX, 0);
        return OP_SAVESTR;
      }
      if (!indexed(OP_ADDR, OP_OPND_ADDR, OP_ADD, 4 * address_of(t))) return 0;
      add_op(OP_ACC2IDX, 0);
      return OP_WR_BYTE;
    case SYM_STRING_PTR:
      if (!hasIndex) {
        add_op(OP_LDVAR, address_of(t));
        add_op(OP_ACC2IDX, 0);
        return OP_SAVESTR;
      }
      if (!indexed_by_pointer(address_of(t))) return 0;
      add_op(OP_ACC2IDX, 0);
      return OP_WR_BYTE;
    case SYM_INT_PTR:
    case SYM_SINGLE_PTR:
      add_op(OP_LDVAR, address_of(t));
      add_op(OP_ACC2IDX, 0);
      emit.integer_ops = type == SYM_INT_PTR ? 1 : 0;
      return OP_STARR;
    default:
      break;
  }
  switch (t) {
    case TOK_P0:
    case TOK_P1:
    case TOK_P2:
    case TOK_P3:
    case TOK_P4: {
      if (!do_integer_parameter()) return 0;
      bool named = firmware.named_ports;
      int port = (t - TOK_P0) / 2;
      if (!named && port > 0) {
        add_op(OP_OPND_CONST, 32 * port);
        add_op(OP_IADD, 0);
      }
      add_op(OP_ACC2IDX, 0);
      // The pin token is the port's read operation; its write follows it.
      return named ? static_cast<uint16_t>(t + 1) : OP_OUT;
    }
    case TOK_OUT:
    case TOK_DIR:
    case TOK_TXD:
    case TOK_BAUD:
      if (!do_integer_parameter()) return 0;
      add_op(OP_ACC2IDX, 0);
      return t == TOK_OUT ? OP_OUT : t == TOK_DIR ? OP_DIR_WR : t == TOK_TXD ? OP_TXD : OP_BAUD;
    case TOK_IO:
      if (!do_integer_parameter()) return 0;
      add_op(OP_ACC2IDX, 0);
      add_op(OP_CONST, 1);
      add_op(OP_DIR_WR, 0);
      return OP_OUT;
    case TOK_TXD0:
    case TOK_TXD1:
    case TOK_BAUD0:
    case TOK_BAUD1:
      return channel_register(t);
    case TOK_TIMER:
      // No target has a timer write.
      return report("TIMER cannot be assigned");
    case TOK_OUTS:
    case TOK_DIRS:
      if (emit.inside_ezh == 0) return report("Not in IOHB code");
      // No operation carries these stores yet (OUTS gives its own code, DIRS
      // 109): the I/O-handler back end reports them as unknown.
      return t == TOK_OUTS ? TOK_OUTS : 109;
    default: return report("Expected lvalue: variable, pointer, or register");
  }
}

int do_assignment() {
  emit.bitwise_ops = 1;
  emit.integer_ops = 1;
  uint8_t start = cursor.g_tokenptr;
  uint16_t store = do_lvalue();
  if (!store) return 0;
  int32_t storeAddr = assignment.lvalue_var_addr;
  advance();
  uint16_t u = cursor.g_token;
  if (u == TOK_EQ) {
    advance();
  } else if (!is_operator_token(u)) {
    return report("Expected =");
  } else if (is_comparison(u)) {
    return report("illegal compound");
  } else if (next_token() == TOK_EQ) {
    // x op= e reads as x op e: the target and the operator move one place
    // on over the "=", and the expression starts at the target's copy.
    for (int k = cursor.g_tokenptr; k >= start; k--) g_tokenlist[k + 1] = g_tokenlist[k];
    set_cursor(static_cast<uint8_t>(start + 1));
  } else {
    return report("illegal statement");
  }
  uint16_t t = cursor.g_token;
  if (store == OP_SAVESTR) {
    lookahead4float();
    uint32_t errors = diag.error_count;
    if (!do_str_expr(1)) {
      if (diag.error_count == errors) print_error_ln("Constant or variable string expected");
      return 0;
    }
  } else if (type_of(t) == SYM_CONSTANT && next_token() == TOK_EOL) {
    add_op(OP_CONST, named_const_value(symbol_of(t)));
    advance();
  } else if (is_const_expr(0)) {
    add_op(OP_CONST,
           emit.integer_ops ? expr.const_expr_value : static_cast<int32_t>(int_to_single_bits(expr.const_expr_value)));
  } else if (!do_expr(0)) {
    return 0;
  }
  // The I/O handler's peripheral store carries its register's address.
  add_op(store, store == OP_STVAR ? storeAddr : store == OP_EZHWRPER ? ioh.ezh_vpbaddr : 0);
  return 1;
}

int do_print(int32_t operand) {
  advance();
  for (;;) {
    if (cursor.g_token == TOK_EOL || cursor.g_token == TOK_ELSE) {
      add_op(OP_PRINTCR, operand);
      return 1;
    }
    uint16_t t = cursor.g_token;
    if (t == TOK_CHR && chr_call_ends_before_separator()) {
      // A character code is an integer, whatever the item before it was.
      advance();
      emit.integer_ops = 1;
      emit.bitwise_ops = 1;
      if (!do_expr(0)) return 0;
      add_op(OP_PRINTCH, operand);
    } else if (is_constant_string(t) && next_token_seperator(next_token())) {
      add_op(OP_STRADDR, constant_string_offset(t));
      add_op(OP_PRINTSTR, operand);
      advance();
    } else {
      uint32_t errors = diag.error_count;
      if (do_str_expr(255)) {
        add_op(OP_ADDR, 4 * firmware.varSpace);
        add_op(OP_PRINTSTR, operand);
      } else if (diag.error_count != errors || !do_expr(1)) {
        return 0;
      } else {
        add_op(OP_PRINTNUM, operand);
      }
    }
    if (cursor.g_token == TOK_EOL || cursor.g_token == TOK_ELSE) {
      add_op(OP_PRINTCR, operand);
      return 1;
    }
    if (cursor.g_token == TOK_COMMA) {
      add_op(OP_PRINTTAB, operand);
    } else if (cursor.g_token != TOK_SEMICOLON) {
      not_eoln();
      return 0;
    }
    advance();
    if (cursor.g_token == TOK_EOL || cursor.g_token == TOK_ELSE) return 1;
  }
}

int do_printf(uint16_t op) {
  advance();
  if (!expect_token(TOK_LPAREN, "Expected (")) return 0;
  advance();
  uint16_t t = cursor.g_token;
  if (type_of(t) != SYM_STRING && !is_constant_string(t)) {
    print_error_ln("Expected string");
    return 0;
  }
  if (op == OP_SPRINTF) add_op(OP_PUSHIDX, 0);
  if (vars.printfLocal == 0) {
    if (!allocate_array_words(PARAM_BLOCK_WORDS)) return 0;
    vars.printfLocal = vars.g_VSPdim;
  }
  if (!do_param_array(vars.printfLocal)) return 0;
  advance();
  if (op == OP_SPRINTF) {
    add_op(OP_POPIDX, 0);
    add_op(OP_ADDR, 4 * firmware.varSpace);
  } else {
    add_op(OP_CONST, 0);
  }
  add_op(OP_OPND_CONST, 4 * vars.printfLocal);
  add_op(op, 0);
  if (op == OP_PRINTF) add_op(OP_PRINTCR, tag::PRINT);
  return 1;
}
