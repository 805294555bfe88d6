#include "compile/builtins.h"

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "compile/assignment.h"
#include "compile/expression.h"
#include "compile/operand_tags.h"
#include "compile/operands.h"
#include "compile/procedures.h"
#include "compile/statement.h"
#include "compile/strings.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/declarations.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

namespace {


// How a built-in function takes its argument.
enum class Form : uint8_t {
  None,          // keyword alone: its operation
  Param,         // (n): its operation
  ParamToIndex,  // (n): op 1, then its operation
  Pair,          // (a, b): its operation
  Special,       // its own rule below
};

struct Builtin {
  uint16_t token;
  Form form;
  uint16_t op;
};

constexpr Builtin builtin_functions[] = {
    {TOK_RD_SHALF, Form::Param, OP_RD_SHALF},
    {TOK_RD_HALF, Form::Param, OP_RD_HALF},
    {TOK_RD_BYTE, Form::Param, OP_RD_BYTE},
    {TOK_IN, Form::Param, OP_IN},
    {TOK_OUT, Form::Param, OP_IN},  // OUT(n) reads the pin, as IN(n)
    {TOK_AD, Form::Param, OP_AD},
    {TOK_DIR, Form::Param, OP_DIR},
    {TOK_FILECLOSE, Form::Param, OP_FILECLOSE},
    {TOK_FILEREADBYTE, Form::Param, OP_FILEREADBYTE},
    {TOK_FILEEOF, Form::Param, OP_FILEEOF},
    {TOK_ENET_RCV, Form::Param, OP_ENET_RCV},
    {TOK_TXFREE, Form::ParamToIndex, OP_TXFREE},
    {TOK_RXD, Form::ParamToIndex, OP_RXD},
    {TOK_TIMER, Form::None, OP_TIMER},
    {TOK_LASTIP, Form::None, OP_LASTIP},
    {TOK_ENET_GETIP, Form::None, OP_ENET_GETIP},
    {TOK_FILEWRITEBYTE, Form::Pair, OP_FILEWRITEBYTE},
    {TOK_STRCOMP, Form::Special, 0},
    {TOK_LEN, Form::Special, OP_LEN},
    {TOK_VAL, Form::Special, OP_VAL},
    {TOK_AND, Form::Special, 0},
    {TOK_ADDRESSOF, Form::Special, 0},
    {TOK_NOT, Form::Special, 0},
    {TOK_P0, Form::Special, 0},
    {TOK_P1, Form::Special, 0},
    {TOK_P2, Form::Special, 0},
    {TOK_P3, Form::Special, 0},
    {TOK_P4, Form::Special, 0},
    {TOK_IO, Form::Special, 0},
    {TOK_RXD0, Form::Special, 0},
    {TOK_RXD1, Form::Special, 0},
    {TOK_INS, Form::Special, TOK_INS},
    {TOK_DIRS, Form::Special, TOK_DIRS},
    {TOK_FILEOPEN, Form::Special, 0},
    {TOK_WRITE, Form::Special, 0},
    {TOK_CHR, Form::Special, 0},
};

// (a, b): a goes to the index register, b to the accumulator.
bool pair_arguments() {
  advance();
  if (cursor.g_token != TOK_LPAREN) return report("Expected (");
  advance();
  if (!do_expr(0)) return false;
  if (cursor.g_token != TOK_COMMA) return report("Expected ,");
  advance();
  add_op(OP_ACC2IDX, 0);
  if (!do_expr(0)) return false;
  if (cursor.g_token != TOK_RPAREN) return report("Expected )");
  return true;
}

// LEN(s) and VAL(s): a lone variable, pointer or constant, or a string
// expression built in the string accumulator.
int string_argument_function(uint16_t op) {
  advance();
  if (cursor.g_token != TOK_LPAREN) return report("Expected (");
  advance();
  uint16_t t = cursor.g_token;
  int type = type_of(t);
  if (type == SYM_STRING) {
    add_op(OP_ADDR, 4 * g_symboladdr[symbol_of(t)]);
    advance();
  } else if (type == SYM_STRING_PTR) {
    add_op(OP_LDVAR, g_symboladdr[symbol_of(t)]);
    advance();
  } else if (is_constant_string(t)) {
    add_op(OP_STRADDR, constant_string_offset(t));
    advance();
  } else {
    uint32_t errors = diag.error_count;
    if (!do_str_expr(0)) {
      if (diag.error_count == errors) print_error_ln("Constant or variable string expected");
      return 0;
    }
    add_op(OP_ADDR, 4 * firmware.varSpace);
  }
  if (cursor.g_token != TOK_RPAREN) return report("Expected )");
  add_op(op, 0);
  return 1;
}

int address_of_operand() {
  advance();
  uint16_t t = cursor.g_token;
  int type = type_of(t);
  if (is_funct(t)) {
    add_op(OP_CONST, static_cast<int32_t>(code_unit_address(static_cast<uint32_t>(g_symboladdr[symbol_of(t)]))));
  } else if (is_variable_type(type)) {
    add_op(OP_ADDR, 4 * g_symboladdr[symbol_of(t)]);
  } else if (type == SYM_WORD_TABLE || is_constant_string(t)) {
    add_op(OP_STRADDR, is_constant_string(t) ? constant_string_offset(t) : g_symboladdr[symbol_of(t)]);
  } else {
    return report("Expected variable or function");
  }
  return 1;
}

int not_operand() {
  advance();
  uint16_t t = cursor.g_token;
  uint16_t op = emit.bitwise_ops ? OP_NOT : OP_LOGNOT;
  if (is_symbol_token(t) && is_ivariable_or_declare(t)) {
    add_op(OP_LDVAR, g_symboladdr[symbol_of(t)]);
    add_op(op, 0);
    return 1;
  }
  if (is_int_literal(t)) {
    int32_t v = g_constants[literal_slot(t)];
    add_op(OP_CONST, emit.bitwise_ops ? ~v : (v == 0 ? 1 : 0));
    return 1;
  }
  if (!do_expr(0)) return 0;
  // The rest of the expression was taken; the cursor goes back onto its
  // last token like after any operand.
  step_back();
  add_op(emit.bitwise_ops ? OP_NOT : OP_LOGNOT, 0);
  return 1;
}

// P0(n) .. P4(n): the part's own port operation, or IN on pin n + 32 × port.
int port_read(uint16_t t) {
  if (!do_integer_parameter()) return 0;
  if (firmware.named_ports) {
    add_op(t, 0);
    return 1;
  }
  int port = (t - TOK_P0) / 2;
  if (port > 0) {
    add_op(OP_OPND_CONST, 32 * port);
    add_op(OP_IADD, 0);
  }
  add_op(OP_IN, 0);
  return 1;
}

int special_builtin(uint16_t t, uint16_t op) {
  switch (t) {
    case TOK_STRCOMP:  // STRCOMP(s1, s2)
      advance();
      if (cursor.g_token != TOK_LPAREN) return report("Expected (");
      advance();
      if (!do_str_compare(OP_STRCOMP)) return 0;
      advance();
      if (cursor.g_token != TOK_RPAREN) return report("Expected )");
      return 1;
    case TOK_LEN:
    case TOK_VAL: return string_argument_function(op);
    case TOK_AND:
    case TOK_ADDRESSOF: return address_of_operand();
    case TOK_NOT: return not_operand();
    case TOK_P0:
    case TOK_P1:
    case TOK_P2:
    case TOK_P3:
    case TOK_P4: return port_read(t);
    case TOK_IO:  // IO(n): make the pin an input, then read it
      if (!do_integer_parameter()) return 0;
      add_op(OP_ACC2IDX, 0);
      add_op(OP_CONST, 0);
      add_op(OP_DIR_WR, 0);
      add_op(OP_IDX2ACC, tag::IO_READ);
      add_op(OP_IN, 0);
      return 1;
    case TOK_RXD0:  // RXD0
      add_op(OP_CONST, 0);
      add_op(OP_ACC2IDX, 0);
      add_op(OP_RXD0, 0);
      return 1;
    case TOK_RXD1:  // RXD1
      if (firmware.numbered_serial) return report("RXD1 has been replaced with RXD(1)");
      add_op(OP_CONST, 1);
      add_op(OP_ACC2IDX, 0);
      add_op(OP_RXD1, 0);
      return 1;
    case TOK_INS:
    case TOK_DIRS:
      if (emit.inside_ezh == 0) return report("Not in IOHB code");
      add_op(op, 0);
      return 1;
    case TOK_FILEOPEN: {  // FILEOPEN(s, n)
      advance();
      if (cursor.g_token != TOK_LPAREN) return report("Expected (");
      advance();
      uint32_t errors = diag.error_count;
      if (!do_str_expr(0)) {
        if (diag.error_count == errors) print_error_ln("Expected String");
        return 0;
      }
      advance();
      if (!do_expr(0)) return 0;
      add_op(OP_FILEOPEN, 0);
      return 1;
    }
    case TOK_WRITE:  // WRITE as a function exists from firmware 1809 on
      return firmware.write_function ? do_fread_write() : 0;
    case TOK_CHR:  // CHR(n), or CHR(n) heading a string comparison
      if (lookahead4stringcompare(cursor.g_tokenptr + 4)) return do_str_compare(0);
      if (!do_integer_parameter()) return 0;
      if (emit.last_op == OP_CONST && emit.last_addr > 255) {
        add_op(OP_OPND_CONST, 255);
        add_op(OP_AND, 0);
      }
      return 1;
    default:
      return 0;
  }
}

}  // namespace

int do_builtin_int_func() {
  uint16_t t = cursor.g_token;
  for (const Builtin &b : builtin_functions) {
    if (b.token != t) continue;
    switch (b.form) {
      case Form::None:
        add_op(b.op, 0);
        return 1;
      case Form::Param:
        if (!do_integer_parameter()) return 0;
        add_op(b.op, 0);
        return 1;
      case Form::ParamToIndex:
        if (!do_integer_parameter()) return 0;
        add_op(OP_ACC2IDX, 0);
        add_op(b.op, 0);
        return 1;
      case Form::Pair:
        if (!pair_arguments()) return 0;
        add_op(b.op, 0);
        return 1;
      case Form::Special:
        return special_builtin(t, b.op);
    }
  }
  return 0;
}

int do_fread_write() {
  uint16_t op = cursor.g_token;
  add_op(OP_PUSHIDX, 0);
  advance();
  if (cursor.g_token != TOK_LPAREN) return report("Expected (");
  advance();
  if (!do_expr(0)) return 0;
  add_op(OP_ACC2IDX, 0);
  if (cursor.g_token != TOK_COMMA) return report("Expected ,");
  advance();
  uint16_t t = cursor.g_token;
  int type = type_of(t);
  if (type == SYM_INT_ARRAY || type == SYM_STRING || type == SYM_SINGLE_ARRAY) {
    add_op(OP_ADDR, 4 * g_symboladdr[symbol_of(t)]);
    advance();
  } else if (is_const_expr(0)) {
    add_op(OP_CONST, expr.const_expr_value);
  } else {
    return report("expected Array or String");
  }
  add_op(OP_ACC2NEXT, 0);
  if (cursor.g_token != TOK_COMMA) return report("Expected ,");
  advance();
  if (!do_expr(0)) return 0;
  if (cursor.g_token != TOK_RPAREN) return report("Expected )");
  add_op(op, 0);
  add_op(OP_POPIDX, 0);
  return 1;
}

int do_param_array(int32_t base) {
  int32_t k = 0;
  while (cursor.g_token != TOK_RPAREN) {
    uint16_t t = cursor.g_token;
    if (type_of(t) == SYM_STRING) {
      add_op(OP_ADDR, 4 * g_symboladdr[symbol_of(t)]);
      advance();
    } else if (is_constant_string(t)) {
      add_op(OP_STRADDR, constant_string_offset(t));
      advance();
    } else if (!do_expr(1)) {
      return 0;
    }
    add_op(OP_OPND_CONST, base + k);
    add_op(OP_OPND2IDX, 0);
    add_op(OP_STARR, tag::PARAM_VALUE);
    if (cursor.g_token == TOK_RPAREN) break;
    if (cursor.g_token != TOK_COMMA) return report("expected comma");
    advance();
    if (++k == PARAM_BLOCK_WORDS - 1) return report("ParamArrays limited to 15 values");
  }
  add_op(OP_CONST, base + PARAM_BLOCK_WORDS - 1);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CONST, k);
  add_op(OP_STARR, tag::PARAM_COUNT);
  return 1;
}

namespace {

// Built-in procedures whose arguments follow one of the common forms.
constexpr Builtin builtin_procedures[] = {
    {TOK_WR_HALF, Form::Pair, OP_WR_HALF},
    {TOK_WR_BYTE, Form::Pair, OP_WR_BYTE},
    {TOK_GEN_INT, Form::Pair, OP_GEN_INT},
    {TOK_FILEWRITEBYTE, Form::Pair, OP_FILEWRITEBYTE},
    {TOK_QUICKSORT, Form::Pair, OP_QUICKSORT},
    {TOK_ENET_INIT, Form::Pair, OP_ENET_INIT},
    {TOK_ENET_SEND, Form::Pair, OP_ENET_SEND},
    {TOK_WAITMICRO, Form::Param, OP_WAITMICRO},
    {TOK_WAIT, Form::Param, OP_WAIT},
    {TOK_FILECLOSE, Form::Param, OP_FILECLOSE},
    {TOK_ENET_SETIP, Form::Param, OP_ENET_SETIP},
    {TOK_STOP, Form::None, OP_STOP},
    {TOK_SLEEP, Form::None, OP_SLEEP},
};

// A pin's direction and level: INPUT, OUTPUT, HIGH and LOW.
struct PinProcedure {
  uint16_t token;
  uint16_t ops[4];
  int32_t operands[4];
  int count;
};

constexpr PinProcedure pin_procedures[] = {
    {TOK_INPUT, {OP_ACC2IDX, OP_CONST, OP_DIR_WR, 0}, {0, 0, 0, 0}, 3},
    {TOK_OUTPUT, {OP_ACC2IDX, OP_CONST, OP_DIR_WR, 0}, {0, 1, 0, 0}, 3},
    {TOK_HIGH, {OP_ACC2IDX, OP_CONST, OP_OUT, OP_DIR_WR}, {0, 1, 0, 0}, 4},
    {TOK_LOW, {OP_ACC2IDX, OP_CONST, OP_OUT, OP_CONST}, {0, 0, 0, 1}, 4},
};

// A string argument; msg when it is none and nothing has been said.
bool string_argument(const char *msg) {
  uint32_t errors = diag.error_count;
  if (do_str_expr(0)) return true;
  if (diag.error_count == errors) print_error_ln(msg);
  return false;
}

int main_label() {
  program.first_gotosubwhiledo = 1;
  if (g_symbol_type[0] == SYM_LABEL) print_error_ln("Duplicate Name");
  flush_pool_if_due();
  g_symbol_type[0] = SYM_LABEL;
  note_declaration(0);
  g_symboladdr[0] = static_cast<int32_t>(emit.fCODE);
  advance();
  if (cursor.g_token != TOK_COLON) print_error_ln("Label Declaration Error");
  advance();
  add_op(OP_MAIN, 0);
  return 1;
}

int debug_input() {
  advance();
  uint16_t kind = do_lvalue();
  if (!kind) return report("Illegal Read Destination");
  int32_t var = assignment.lvalue_var_addr;
  add_op(OP_GETSTR, 0);
  switch (kind) {
    case OP_SAVESTR:
      add_op(OP_SAVESTR, 0);
      break;
    case OP_WR_BYTE:
      add_op(OP_ADDR, 4 * firmware.varSpace);
      add_op(OP_RD_BYTE, 0);
      add_op(OP_WR_BYTE, 0);
      break;
    case OP_STARR:
      add_op(OP_VAL, 0);
      add_op(OP_STARR, tag::DEBUGIN_ELEMENT);
      break;
    case OP_STVAR:
      add_op(OP_VAL, 0);
      add_op(OP_STVAR, var);
      break;
    default:
      print_error_ln("Illegal Read Destination");
      return 1;
  }
  advance();
  return 1;
}

int special_procedure(uint16_t t) {
  switch (t) {
    case TOK_HTTP:
    case TOK_UDPOUT:
      advance();
      if (cursor.g_token != TOK_LPAREN) return report("Expected (");
      advance();
      if (!do_expr(0)) return 0;
      if (cursor.g_token != TOK_COMMA) return report("Expected ,");
      advance();
      add_op(OP_ACC2IDX, 0);
      if (t == TOK_UDPOUT) {
        if (!do_expr(0)) return 0;
        if (cursor.g_token != TOK_COMMA) return report("Expected ,");
        advance();
        add_op(OP_ACC2NEXT, 0);
      }
      if (!string_argument("Expected String")) return 0;
      add_op(t, 0);
      break;
    case TOK_MAIL:
      advance();
      if (cursor.g_token != TOK_LPAREN) return report("Expected (");
      advance();
      if (!load_globalparam()) return 0;
      add_op(OP_CONST, vars.globalstart);
      add_op(OP_MAIL, 0);
      break;
    case TOK_INTERRUPT:
      if (next_token() == TOK_SUB) {
        if (firmware.kind == TargetKind::OldArm) return report("this firmware does not support this");
        advance();
        do_subfunc(1);
        return 1;
      }
      if (!do_integer_parameter()) return 0;
      add_op(OP_INTERRUPT, 0);
      break;
    case OP_FREAD:
    case OP_WRITE:
      if (!do_fread_write()) return 0;
      break;
    default:
      return 0;
  }
  advance();
  return 1;
}

}  // namespace

int do_special_proc() {
  uint16_t t = cursor.g_token;
  if (t == TOK_MAIN) return main_label();
  if (t == TOK_DEBUGIN) return debug_input();
  for (const Builtin &b : builtin_procedures) {
    if (b.token != t) continue;
    if (b.form == Form::Pair ? !pair_arguments() : b.form == Form::Param ? !do_integer_parameter() : false)
      return 0;
    add_op(b.op, 0);
    advance();
    return 1;
  }
  for (const PinProcedure &p : pin_procedures) {
    if (p.token != t) continue;
    if (!do_integer_parameter()) return 0;
    for (int k = 0; k < p.count; k++) add_op(p.ops[k], p.operands[k]);
    if (t == TOK_LOW) add_op(OP_DIR_WR, 0);
    advance();
    return 1;
  }
  return special_procedure(t);
}
