#include "compile/statement.h"

#include <cstdio>
#include <cstring>

#include "codegen/emit.h"
#include "codegen/iohb/iohb.h"
#include "codegen/operations.h"
#include "compile/assignment.h"
#include "compile/control_flow.h"
#include "compile/expression.h"
#include "compile/interrupts.h"
#include "compile/procedures.h"
#include "compile/reset.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

uint8_t BASIC_const[BASIC_CONST_SIZE];
ProgramState program;

namespace {

constexpr uint16_t TOK_END = 124, TOK_CLEAR = 242, TOK_QUITNOW = 216, TOK_ELSEIF = 232, TOK_ENDIF = 235,
                   TOK_SELECT = 219, TOK_CASE = 220, TOK_ENDSELECT = 221, TOK_WHILE = 238, TOK_DO = 230,
                   TOK_LOOP = 237, TOK_UNTIL = 236, TOK_FOR = 228, TOK_NEXT = 229, TOK_DIM = 249,
                   TOK_CONST = 218, TOK_ASM = 197, TOK_ON = 194, TOK_MAP = 204, TOK_AS = 212, TOK_BYTE = 201,
                   TOK_SINGLE = 213, TOK_CODE = 205, TOK_DATA = 248, TOK_IOHA = 192, TOK_IOHB = 206,
                   TOK_LBRACE = 239;

// Open blocks, ELSEIF and CASE chains recurse; past this depth a line is
// refused instead of running out of machine stack.
constexpr int MAX_NESTING = 2000;
int nesting = 0;

struct TwoWordEnd {
  uint16_t second;
  uint16_t terminator;
};

// END IF, END SELECT, END FUNCTION and END SUB stand for their one-word forms.
constexpr TwoWordEnd two_word_ends[] = {{234, 235}, {219, 221}, {245, 211}, {142, 208}};

// Lines that end a compile call when they head a line: block terminators
// and the lines that belong to the driver.
constexpr uint16_t line_enders[] = {
    248, 245, 142,                          // DATA, FUNCTION, SUB
    231, 246, 216, 217, 215, 241, 252, 56,  // RUN, QUIT, QUITNOW, QUITDUMP, driver lines
    232, 233, 235, 211, 208,                // ELSEIF, ELSE, ENDIF, ENDFUNCTION, ENDSUB
    220, 221,                               // CASE, ENDSELECT
    237, 236,                               // LOOP, UNTIL
    229,                                    // NEXT
};

bool ends_compile(uint16_t t) {
  for (uint16_t e : line_enders)
    if (t == e) return true;
  return false;
}

int report(const char *msg) {
  print_error_ln(msg);
  return 0;
}

// Result of a statement that must end its line: 2 to go on with the next
// line, 1 when QUITNOW follows (it ends the compile call), 0 after an error.
constexpr int NEXT_LINE = 2;
int end_of_statement() {
  if (cursor.g_token == TOK_EOL) return NEXT_LINE;
  if (cursor.g_token == TOK_QUITNOW) return 1;
  not_eoln();
  return 0;
}


int define_label() {
  uint16_t t = cursor.g_token;
  int sym = symbol_of(t);
  if (!is_label(t)) return report("Label Declaration Error");
  if (g_symbol_type[sym] == SYM_LABEL || is_funct(t)) return report("Duplicate Name");
  // The label's address must not be the branch over a pool placed next.
  flush_pool_if_due();
  INT_symboladdr[sym] = emit.iCODE;
  g_symboladdr[sym] = static_cast<int32_t>(emit.fCODE);
  g_symbol_type[sym] = SYM_LABEL;
  set_cursor(static_cast<uint8_t>(cursor.g_tokenptr + 2));
  add_op(OP_LABEL, 0);
  return end_of_statement();
}

int compile_if(int32_t exitHandle) {
  advance();
  if (!do_expr(1)) return 0;
  if (cursor.g_token == tok::THEN && next_token() != TOK_EOL) {
    advance();
    if (!do_one_line_if(exitHandle)) return 0;
    return end_of_statement();
  }
  if (cursor.g_token != tok::THEN && cursor.g_token != TOK_EOL) return report("THEN required for one line IF");
  uint16_t h1 = add_fwd_jmpcall(OP_JZ), h2 = 0;
  if (!compile_body(exitHandle)) return 0;
  if (cursor.g_token == tok::ELSE) {
    if (next_token() == tok::IF) return report("ELSEIF required, not ELSE IF");
    h2 = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(h1);
    if (!compile_body(exitHandle)) return 0;
  } else if (cursor.g_token == TOK_ELSEIF) {
    h2 = add_fwd_jmpcall(OP_JMP);
    patchJumpTable(h1);
    if (!do_elseif(exitHandle)) return 0;
  }
  if (cursor.g_token == TOK_ENDIF) {
    patchJumpTable(h2 ? h2 : h1);
    advance();
    return end_of_statement();
  }
  if (cursor.g_token == TOK_QUITNOW) return 1;
  return report("Expected ENDIF");
}

int compile_select(int32_t exitHandle) {
  advance();
  if (cursor.g_token == TOK_CASE) advance();
  if (!do_expr(0)) return 0;
  add_op(OP_PUSHNEXT, 0);
  if (cursor.g_token != TOK_EOL) {
    not_eoln();
    return 0;
  }
  do {
    if (!read_tokenize_line()) return 0;
    set_cursor(0);
  } while (cursor.g_token == TOK_EOL);
  emit.integer_ops = 1;
  emit.bitwise_ops = 1;
  if (cursor.g_token == TOK_CASE) {
    uint32_t generation = reset_generation;
    if (!do_case(exitHandle) || generation != reset_generation) return 0;
    return end_of_statement();
  }
  if (cursor.g_token == TOK_QUITNOW) return 1;
  return report("CASE invalid");
}

int compile_while(int32_t exitHandle) {
  (void)exitHandle;
  int32_t top = static_cast<int32_t>(emit.fCODE);
  if (program.first_gotosubwhiledo == 0) program.first_gotosubwhiledo = top;
  if (cursor.g_token == TOK_DO) advance();
  advance();
  if (!do_expr(1)) return 0;
  uint16_t h = add_fwd_jmpcall(OP_JZ);
  if (!compile_body(h)) return 0;
  if (cursor.g_token == TOK_LOOP) {
    advance();
    add_op(OP_JMPBACK, top);
    patchJumpTable(h);
    return end_of_statement();
  }
  if (cursor.g_token == TOK_QUITNOW) return 1;
  return report("Expected LOOP");
}

int compile_do() {
  if (program.first_gotosubwhiledo == 0) program.first_gotosubwhiledo = static_cast<int32_t>(emit.fCODE);
  int32_t top = static_cast<int32_t>(emit.fCODE);
  uint16_t h = add_fwd_ref();
  advance();
  if (cursor.g_token != TOK_EOL) {
    not_eoln();
    return 0;
  }
  if (!compile_body(h)) return 0;
  if (cursor.g_token == TOK_LOOP && next_token() == TOK_EOL) {
    add_op(OP_JMPBACK, top);
    patchJumpTable(h);
    return NEXT_LINE;
  }
  if (cursor.g_token == TOK_UNTIL || (cursor.g_token == TOK_LOOP && next_token() == TOK_UNTIL)) {
    if (cursor.g_token == TOK_LOOP) advance();
    advance();
    if (!do_expr(1)) return 0;
    add_op(OP_JZBACK, top);
    patchJumpTable(h);
    return end_of_statement();
  }
  if (cursor.g_token == TOK_QUITNOW) return 1;
  return report("Expected UNTIL");
}

// FOR count / FOR var in I/O-handler code: a tight loop of the coprocessor.
int counted_loop(bool withExpression) {
  if (withExpression) {
    uint32_t errors = diag.error_count;
    if (!do_expr(0)) {
      if (diag.error_count == errors) print_error_ln("Expected an expression");
      return 0;
    }
    if (cursor.g_token != TOK_EOL) return report("Illegal FOR statement");
  }
  // The I/O-handler back end marks the loop open from OP_FOR to OP_NEXT.
  add_op(OP_FOR, -1);
  if (!compile_body(0)) return 0;
  if (cursor.g_token == TOK_QUITNOW) return 1;
  if (cursor.g_token != TOK_NEXT) return report("Expected NEXT");
  add_op(OP_NEXT, -1);
  return NEXT_LINE;
}

int compile_for() {
  advance();
  uint16_t t = cursor.g_token;
  uint32_t errors = diag.error_count;
  if (is_symbol_token(t) && is_ivariable(t)) {
    emit.integer_ops = 1;
    emit.bitwise_ops = 1;
  } else if (diag.error_count != errors) {
    return 0;
  } else if (is_fvariable(t)) {
    emit.bitwise_ops = 1;
    emit.integer_ops = 0;
  } else if (emit.inside_ezh != 0) {
    return counted_loop(true);
  } else {
    return report("Expected a Variable");
  }
  int32_t var = g_symboladdr[symbol_of(t)];
  int varSymbol = symbol_of(t);
  advance();
  if (cursor.g_token != tok::EQ) {
    if (emit.inside_ezh == 0) return report("Expected a =");
    if (cursor.g_token == TOK_EOL) return counted_loop(false);
  }
  advance();
  if (!do_expr(0)) return 0;
  if (cursor.g_token != tok::TO && cursor.g_token != tok::DOWNTO) return report("Expected TO Or DOWNTO");
  bool down = cursor.g_token == tok::DOWNTO;
  int32_t l1 = static_cast<int32_t>(emit.fCODE);
  add_op(OP_STVAR, var);
  advance();
  if (!do_expr(0)) return 0;
  uint16_t h1 = add_fwd_jmpcall(OP_JMP);
  int32_t l2 = static_cast<int32_t>(emit.fCODE);
  if (cursor.g_token == tok::STEP) {
    advance();
    if (!do_expr(0)) return 0;
    add_op(OP_SWAP, 0);
    add_op(OP_LDVAR, var);
  } else {
    add_op(OP_LDVAR, var);
    add_op(OP_OPND_CONST, emit.integer_ops ? 1 : 0x3F800000);
  }
  // Nothing may follow the header: it would be lost.
  if (cursor.g_token != TOK_EOL) {
    not_eoln();
    return 0;
  }
  add_op(down ? OP_SUB : OP_ADD, 0);
  add_op(OP_JMPBACK, l1);
  patchJumpTable(h1);
  add_op(OP_OPND_LDVAR, var);
  add_op(down ? OP_LE : OP_GE, 0);
  uint16_t h2 = add_fwd_jmpcall(OP_JZ);
  if (!compile_body(h2)) return 0;
  if (cursor.g_token != TOK_NEXT) {
    if (cursor.g_token == TOK_QUITNOW) return 1;
    return report("Expected NEXT");
  }
  advance();
  if (cursor.g_token != TOK_EOL) {
    if (ioh.inside_tightLoop) return report("IOHB tight loop index not available");
    if (!is_symbol_token(cursor.g_token) || symbol_of(cursor.g_token) != varSymbol)
      return report("Incorrect Next Variable");
    advance();
  }
  add_op(OP_JMPBACK, l2);
  patchJumpTable(h2);
  return end_of_statement();
}

// Declaration type codes: INTEGER 1, BYTE 2, SINGLE 3, STRING 18.
constexpr int DIM_INTEGER = 1, DIM_BYTE = 2, DIM_SINGLE = 3, DIM_STRING = 18;

bool declare_one(int sym, int typeCode, int32_t size) {
  if (typeCode == DIM_STRING || typeCode == DIM_BYTE) {
    if (typeCode == DIM_STRING && (size < 1 || size > 256)) return report("illegal string declaration");
    if (typeCode == DIM_BYTE && size < 1) return report("illegal byte array declaration");
    int32_t words = (size + 4) / 4;
    if (!allocate_array_words(words)) return false;
    g_symbol_type[sym] = 'R';
    g_symboladdr[sym] = vars.g_VSPdim;
    g_symbolsize[sym] = words;
  } else if (size > 1) {
    if (!allocate_array_words(size + 1)) return false;
    g_symbol_type[sym] = typeCode == DIM_SINGLE ? 'S' : 'Q';
    g_symboladdr[sym] = vars.g_VSPdim;
    g_symbolsize[sym] = size;
  } else {
    if (vars.g_VSP + 1 >= vars.g_VSPdim) return report("Too Many Variables");
    g_symbol_type[sym] = typeCode == DIM_SINGLE ? 'C' : 'A';
    g_symboladdr[sym] = vars.g_VSP;
    g_symbolsize[sym] = size;
    vars.g_VSP++;
  }
  return true;
}

int compile_dim() {
  int typeCode = lookahead4dim();
  advance();
  for (;;) {
    uint16_t t = cursor.g_token;
    if (!is_symbol_token(t)) return report("Expected Variable Name");
    int sym = symbol_of(t);
    uint8_t type = g_symbol_type[sym];
    if (type == SYM_NEW_STR) typeCode = DIM_STRING;
    if (type != SYM_NEW && type != SYM_NEW_STR) {
      // A global name is shadowed by a local one inside a FUNCTION or SUB.
      if (sym >= symtab.localcnt) return report("Duplicate Name");
      const char *name = g_symboltable + find_symbol(sym);
      sym = add_symbol(name, static_cast<int>(strlen(name)));
      if (sym < 0) return 0;
    }
    advance();
    int32_t size = 0;
    if (cursor.g_token == tok::LPAREN) {
      advance();
      if (!is_const_expr(0) || expr.const_expr_value < 0 || expr.const_expr_value > 32766)
        return report("Size Must Be Constant or too large");
      size = expr.const_expr_value + 1;
      if (!expect_token(tok::RPAREN, "Expected )")) return 0;
      advance();
    }
    if (procs.inside_function == 0 && typeCode == DIM_INTEGER && size == 0) symtab.requireDIM = 1;
    if (!declare_one(sym, typeCode, size)) return 0;
    if (cursor.g_token == TOK_AS) {
      advance();
      advance();
      return end_of_statement();
    }
    if (cursor.g_token == TOK_EOL) return NEXT_LINE;
    if (cursor.g_token != tok::COMMA) return report("DIM error");
    advance();
  }
}

// The next token of a constant table, which may go on over lines.
bool next_table_token() {
  advance();
  while (cursor.g_token == TOK_EOL) {
    if (!read_tokenize_line()) return false;
    set_cursor(0);
    emit.last_op = 0;
  }
  return true;
}

void stage_byte(uint8_t b) {
  // The table must still fit below the constant area's lowest byte.
  if (program.BC_index >= BASIC_CONST_SIZE || program.BC_index >= cstrings.ConstantStringPtr) out_of_string_space();
  BASIC_const[program.BC_index++] = b;
}

int constant_table(int sym, bool byteTable) {
  cstrings.ConstantStringPtr &= ~3;
  program.BC_index = 0;
  int32_t count = 0;
  for (;;) {
    if (!next_table_token()) return 0;
    bool negative = false;
    if (cursor.g_token == tok::MINUS) {
      negative = true;
      if (!next_table_token()) return 0;
    }
    uint16_t t = cursor.g_token;
    uint32_t v;
    if (is_int_literal(t)) {
      v = static_cast<uint32_t>(g_constants[literal_slot(t)]);
      if (negative) v = 0u - v;
    } else if (is_flt_literal(t)) {
      v = static_cast<uint32_t>(g_constants[literal_slot(t)]);
      if (negative) v |= 0x80000000u;
    } else {
      return report("Expected a Constant");
    }
    if (byteTable) {
      stage_byte(static_cast<uint8_t>(v));
    } else {
      for (int k = 0; k < 4; k++) stage_byte(static_cast<uint8_t>(v >> (8 * k)));
    }
    count++;
    if (!next_table_token()) return 0;
    if (cursor.g_token != tok::COMMA) break;
  }
  // A byte table ends with at least one 0 byte, in whole words.
  if (byteTable) {
    int32_t length = (count / 4 + 1) * 4;
    while (program.BC_index < length) stage_byte(0);
  }
  add_op(OP_DATAEND, 77);
  int32_t place = cstrings.ConstantStringPtr - program.BC_index;
  if (place < 0) out_of_string_space();
  memcpy(g_stringtable + place, BASIC_const, static_cast<size_t>(program.BC_index));
  cstrings.ConstantStringPtr = place;
  g_symbol_type[sym] = byteTable ? SYM_CSTRING : SYM_WORD_TABLE;
  g_symboladdr[sym] = place;
  advance();
  return end_of_statement();
}

int compile_const() {
  advance();
  uint16_t t = cursor.g_token;
  if (!is_symbol_token(t)) return report("Expected Variable Name");
  int sym = symbol_of(t);
  if (g_symbol_type[sym] != SYM_NEW && g_symbol_type[sym] != SYM_NEW_STR) return report("Duplicate Name");
  advance();
  bool byteTable = false;
  if (cursor.g_token == TOK_AS) {
    advance();
    if (cursor.g_token == TOK_BYTE)
      byteTable = true;
    else if (cursor.g_token != tok::INTEGER && cursor.g_token != TOK_SINGLE)
      return report("illegal constant type");
    advance();
  }
  if (!expect_token(tok::EQ, "Expected =")) return 0;
  advance();
  bool negative = false;
  if (cursor.g_token == tok::MINUS) {
    negative = true;
    advance();
  }
  uint16_t v = cursor.g_token;
  if (is_int_literal(v)) {
    uint32_t value = static_cast<uint32_t>(g_constants[literal_slot(v)]);
    g_symbol_type[sym] = SYM_CONSTANT;
    g_symboladdr[sym] = static_cast<int32_t>(negative ? 0u - value : value);
    g_symbolsize[sym] = 0;
    advance();
  } else if (is_flt_literal(v)) {
    uint32_t bits = static_cast<uint32_t>(g_constants[literal_slot(v)]);
    g_symbol_type[sym] = SYM_CONSTANT;
    g_symboladdr[sym] = static_cast<int32_t>(negative ? bits | 0x80000000u : bits);
    g_symbolsize[sym] = CONST_IS_SINGLE;
    advance();
  } else if (v == TOK_LBRACE) {
    return constant_table(sym, byteTable);
  } else if (is_str_literal(v)) {
    g_symbol_type[sym] = SYM_CSTRING;
    g_symboladdr[sym] = CStringAddr[v & 0x3FFF];
    advance();
  } else if (type_of(v) == SYM_CSTRING) {
    g_symbol_type[sym] = SYM_CSTRING;
    g_symboladdr[sym] = g_symboladdr[symbol_of(v)];
    advance();
  }
  return end_of_statement();
}

int compile_asm() {
  advance();
  bool parenthesised = cursor.g_token == tok::LPAREN;
  if (parenthesised) advance();
  if (!is_const_expr(0)) return report("Must be a constant");
  add_op(OP_ASM, expr.const_expr_value);
  if (parenthesised) {
    if (!expect_token(tok::RPAREN, "ASM expected )")) return 0;
    advance();
  }
  return end_of_statement();
}

// One "name constant" clause of __MAP__; false after the clause's message.
bool map_constant(const char *msg) {
  advance();
  if (is_const_expr(0)) return true;
  print_error_ln(msg);
  return false;
}

int io_handler_map(uint8_t section) {
  emit.inside_ezh = section;
  add_op(OP_ASM, f_table[3]);
  advance();
  while (cursor.g_token != TOK_EOL) {
    if (cursor.g_token == TOK_CODE) {
      if (!map_constant("CODE expected constant")) return 0;
      ioh.IOHBcode = expr.const_expr_value;
    } else if (cursor.g_token == TOK_DATA) {
      if (!map_constant("DATA constant expected")) return 0;
      ioh.IOHBdata = expr.const_expr_value;
    } else {
      return report("__MAP__ __IOHB__ syntax error");
    }
  }
  return NEXT_LINE;
}

int compile_map() {
  add_op(OP_END, 0);
  program.mapfound = 1;
  uint32_t start = emit.fCODE;
  advance();
  while (cursor.g_token != TOK_EOL) {
    uint16_t t = cursor.g_token;
    if (t == TOK_IOHB || t == TOK_IOHA) return io_handler_map(t == TOK_IOHB ? 2 : 1);
    if (t == TOK_CODE) {
      if (!map_constant("CODE expected constant")) return 0;
      int32_t index = static_cast<int32_t>(static_cast<uint32_t>(expr.const_expr_value) -
                                           static_cast<uint32_t>(firmware.codeStart));
      index = arm_class() ? index >> 2 : index >> 1;
      if (start <= 2) {
        if (index < 0 || index > firmware.codeSize) return report("CODE pointer error");
        emit.CODEoffset = index;
        emit.fCODE = static_cast<uint32_t>(index);
      } else {
        if (index < static_cast<int32_t>(emit.fCODE) || index > firmware.codeSize) return report("CODE pointer error");
        while (emit.fCODE < static_cast<uint32_t>(index)) add_op(OP_ASM, 0xFFFF);
      }
    } else if (t == TOK_CONST) {
      if (!map_constant("CONST expected a constant")) return 0;
      int32_t index = static_cast<int32_t>(static_cast<uint32_t>(expr.const_expr_value) - 16u * f_table[41] + 131072u);
      if (index < 0 || index > cstrings.ConstantStringPtr) return report("CONST pointer error");
      if (start <= 2) cstrings.CONSToffset = index;
      cstrings.ConstantStringPtr = index;
    } else if (t == TOK_DATA) {
      if (!map_constant("DATA constant expected")) return 0;
      int32_t index = expr.const_expr_value >> 2;
      if (index < vars.g_VSP || index >= vars.g_VSPdim) return report("DATA pointer error");
      vars.g_VSP = static_cast<int16_t>(index);
    } else if (t == tok::STRING) {
      if (!map_constant("STRING a constant expected")) return 0;
      int32_t index = expr.const_expr_value >> 2;
      if (index <= vars.g_VSP || index > vars.g_VSPdim) return report("STRING pointer error");
      vars.g_VSPdim = static_cast<int16_t>(index);
    } else {
      return report("__MAP__ syntax error");
    }
  }
  return NEXT_LINE;
}


// One line at the head of which the dispatch below stands; returns
// NEXT_LINE to go on, or compile's own result.
int compile_line(int32_t exitHandle) {
  uint16_t t = cursor.g_token;
  if (ends_compile(t)) return 1;
  if (t == TOK_CLEAR) {
    init_compiler();
    return NEXT_LINE;
  }
  if (is_symbol_token(t) && next_token() == tok::COLON) return define_label();
  switch (t) {
    case tok::IF: return compile_if(exitHandle);
    case TOK_SELECT: return compile_select(exitHandle);
    case TOK_WHILE: return compile_while(exitHandle);
    case TOK_DO: return next_token() == TOK_WHILE ? compile_while(exitHandle) : compile_do();
    case TOK_FOR: return compile_for();
    case TOK_DIM: return compile_dim();
    case TOK_CONST: return compile_const();
    case TOK_ASM: return compile_asm();
    case TOK_ON:
      do_interrupt();
      return end_of_statement();
    case TOK_MAP: return compile_map();
    default:
      if (!simple_statement(exitHandle)) return 0;
      return end_of_statement();
  }
}

}  // namespace

int compile_body(int32_t exitHandle) {
  uint32_t generation = reset_generation;
  int r = compile(exitHandle);
  if (generation != reset_generation) return 0;
  return r;
}

bool enter_nesting() {
  if (nesting >= MAX_NESTING) {
    print_error_ln("Nesting too deep");
    return false;
  }
  nesting++;
  return true;
}

void leave_nesting() { nesting--; }

int compile(int32_t exitHandle) {
  NestingGuard guard;
  if (!guard.ok) return 0;
  for (;;) {
    emit.integer_ops = 1;
    emit.bitwise_ops = 1;
    if (!read_tokenize_line()) return 0;
    set_cursor(0);
    if (cursor.g_token == TOK_END && g_tokenlist[1] != TOK_EOL) {
      cursor.g_tokenptr = 1;
      for (const TwoWordEnd &e : two_word_ends)
        if (g_tokenlist[1] == e.second) cursor.g_token = e.terminator;
      if (cursor.g_token == TOK_END) {
        cursor.g_tokenptr = 0;
      } else if (g_tokenlist[2] != TOK_EOL) {
        not_eoln();
        return 0;
      }
    }
    if (cursor.g_token == TOK_EOL) continue;
    int r = compile_line(exitHandle);
    if (r != NEXT_LINE) return r;
  }
}
