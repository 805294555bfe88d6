#include "compile/statement.h"

#include <cstdio>
#include <cstring>

#include "codegen/emit.h"
#include "codegen/ioh/ioh.h"
#include "codegen/operations.h"
#include "compile/assignment.h"
#include "compile/blocks.h"
#include "compile/control_flow.h"
#include "compile/expression.h"
#include "compile/interrupts.h"
#include "compile/operand_tags.h"
#include "compile/procedures.h"
#include "compile/reset.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "frontend/declarations.h"
#include "frontend/diagnostics.h"
#include "frontend/source_lines.h"
#include "frontend/symbols.h"

uint8_t BASIC_const[BASIC_CONST_SIZE];
ProgramState program;

int read_source_line() {
  int ok = read_tokenize_line();
  if (!cursor.driver_line) note_source_line(emit.fCODE);
  return ok;
}

namespace {

// Open blocks, ELSEIF and CASE chains recurse; past this depth a line is
// refused instead of running out of machine stack.
constexpr int MAX_NESTING = 2000;
int nesting = 0;

struct TwoWordEnd {
  uint16_t second;
  uint16_t terminator;
};

// END IF, END SELECT, END FUNCTION and END SUB stand for their one-word forms.
constexpr TwoWordEnd two_word_ends[] = {
    {TOK_IF, TOK_ENDIF}, {TOK_SELECT, TOK_ENDSELECT}, {TOK_FUNCTION, TOK_ENDFUNCTION}, {TOK_SUB, TOK_ENDSUB}};

// Lines that end a compile call when they head a line: block terminators
// and the lines that belong to the driver.
constexpr uint16_t line_enders[] = {
    TOK_DATA,        TOK_FUNCTION, TOK_SUB,         TOK_RUN,        TOK_QUIT,   TOK_QUITNOW, TOK_QUITDUMP,
    TOK_SPARE_LINE,  TOK_DOWNLOAD, TOK_DRIVER_LINE, TOK_CARET_LINE, TOK_ELSEIF, TOK_ELSE,    TOK_ENDIF,
    TOK_ENDFUNCTION, TOK_ENDSUB,   TOK_CASE,        TOK_ENDSELECT,  TOK_LOOP,   TOK_UNTIL,   TOK_NEXT,
};

bool ends_compile(uint16_t t) {
  for (uint16_t e : line_enders)
    if (t == e) return true;
  return false;
}

LineResult define_label() {
  uint16_t t = cursor.g_token;
  int sym = symbol_of(t);
  if (!is_label_or_declare(t)) return line_error("Label Declaration Error");
  if (g_symbol_type[sym] == SYM_LABEL || is_funct(t)) return line_error("Duplicate Name");
  // The label's address must not be the branch over a pool placed next.
  flush_pool_if_due();
  INT_symboladdr[sym] = emit.iCODE;
  g_symboladdr[sym] = static_cast<int32_t>(emit.fCODE);
  g_symbol_type[sym] = SYM_LABEL;
  note_declaration(sym);
  set_cursor(static_cast<uint8_t>(cursor.g_tokenptr + 2));
  add_op(OP_LABEL, 0);
  return end_of_statement();
}

bool declare_one(int sym, int typeCode, int32_t size) {
  if (typeCode == DIM_STRING || typeCode == DIM_BYTE) {
    if (typeCode == DIM_STRING && (size < 1 || size > 256)) return report("illegal string declaration");
    if (typeCode == DIM_BYTE && size < 1) return report("illegal byte array declaration");
    int32_t words = (size + 4) / 4;
    if (!allocate_array_words(words)) return false;
    g_symbol_type[sym] = SYM_STRING;
    g_symboladdr[sym] = vars.g_VSPdim;
    g_symbolsize[sym] = words;
  } else if (size > 1) {
    if (!allocate_array_words(size + 1)) return false;
    g_symbol_type[sym] = typeCode == DIM_SINGLE ? SYM_SINGLE_ARRAY : SYM_INT_ARRAY;
    g_symboladdr[sym] = vars.g_VSPdim;
    g_symbolsize[sym] = size;
  } else {
    if (vars.g_VSP + 1 >= vars.g_VSPdim) return report("Too Many Variables");
    g_symbol_type[sym] = typeCode == DIM_SINGLE ? SYM_SINGLE : SYM_INTEGER;
    g_symboladdr[sym] = vars.g_VSP;
    g_symbolsize[sym] = size;
    vars.g_VSP++;
  }
  return true;
}

LineResult compile_dim() {
  int typeCode = lookahead4dim();
  advance();
  for (;;) {
    uint16_t t = cursor.g_token;
    if (!is_symbol_token(t)) return line_error("Expected Variable Name");
    int sym = symbol_of(t);
    uint8_t type = g_symbol_type[sym];
    if (type == SYM_NEW_STR) typeCode = DIM_STRING;
    if (type != SYM_NEW && type != SYM_NEW_STR) {
      // A global name is shadowed by a local one inside a FUNCTION or SUB.
      if (sym >= symtab.localcnt) return line_error("Duplicate Name");
      const char *name = g_symboltable + find_symbol(sym);
      sym = add_symbol(name, static_cast<int>(strlen(name)));
      if (sym < 0) return LINE_FAILED;
    }
    advance();
    int32_t size = 0;
    if (cursor.g_token == TOK_LPAREN) {
      advance();
      if (!is_const_expr(0) || expr.const_expr_value < 0 || expr.const_expr_value > 32766)
        return line_error("Size Must Be Constant or too large");
      size = expr.const_expr_value + 1;
      if (!expect_token(TOK_RPAREN, "Expected )")) return LINE_FAILED;
      advance();
    }
    if (procs.inside_function == 0 && typeCode == DIM_INTEGER && size == 0) symtab.requireDIM = 1;
    if (!declare_one(sym, typeCode, size)) return LINE_FAILED;
    note_declaration(sym);
    if (cursor.g_token == TOK_AS) {
      advance();
      advance();
      return end_of_statement();
    }
    if (cursor.g_token == TOK_EOL) return LINE_NEXT;
    if (cursor.g_token != TOK_COMMA) return line_error("DIM error");
    advance();
  }
}

// The next token of a constant table, which may go on over lines.
bool next_table_token() {
  advance();
  while (cursor.g_token == TOK_EOL) {
    if (!read_source_line()) return false;
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

LineResult constant_table(int sym, bool byteTable) {
  cstrings.ConstantStringPtr &= ~3;
  program.BC_index = 0;
  int32_t count = 0;
  for (;;) {
    if (!next_table_token()) return LINE_FAILED;
    bool negative = false;
    if (cursor.g_token == TOK_MINUS) {
      negative = true;
      if (!next_table_token()) return LINE_FAILED;
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
      return line_error("Expected a Constant");
    }
    if (byteTable) {
      stage_byte(static_cast<uint8_t>(v));
    } else {
      for (int k = 0; k < 4; k++) stage_byte(static_cast<uint8_t>(v >> (8 * k)));
    }
    count++;
    if (!next_table_token()) return LINE_FAILED;
    if (cursor.g_token != TOK_COMMA) break;
  }
  // A byte table ends with at least one 0 byte, in whole words.
  if (byteTable) {
    int32_t length = (count / 4 + 1) * 4;
    while (program.BC_index < length) stage_byte(0);
  }
  add_op(OP_DATAEND, tag::TABLE_END);
  int32_t place = cstrings.ConstantStringPtr - program.BC_index;
  if (place < 0) out_of_string_space();
  memcpy(g_stringtable + place, BASIC_const, static_cast<size_t>(program.BC_index));
  cstrings.ConstantStringPtr = place;
  g_symbol_type[sym] = byteTable ? SYM_CSTRING : SYM_WORD_TABLE;
  g_symboladdr[sym] = place;
  advance();
  return end_of_statement();
}

LineResult compile_const() {
  advance();
  uint16_t t = cursor.g_token;
  if (!is_symbol_token(t)) return line_error("Expected Variable Name");
  int sym = symbol_of(t);
  if (g_symbol_type[sym] != SYM_NEW && g_symbol_type[sym] != SYM_NEW_STR) return line_error("Duplicate Name");
  // Noted here, on the CONST line: a table's closing line may come later.
  note_declaration(sym);
  advance();
  bool byteTable = false;
  if (cursor.g_token == TOK_AS) {
    advance();
    if (cursor.g_token == TOK_BYTE)
      byteTable = true;
    else if (cursor.g_token != TOK_INTEGER && cursor.g_token != TOK_SINGLE)
      return line_error("illegal constant type");
    advance();
  }
  if (!expect_token(TOK_EQ, "Expected =")) return LINE_FAILED;
  advance();
  bool negative = false;
  if (cursor.g_token == TOK_MINUS) {
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
    g_symboladdr[sym] = CStringAddr[string_slot(v)];
    advance();
  } else if (type_of(v) == SYM_CSTRING) {
    g_symbol_type[sym] = SYM_CSTRING;
    g_symboladdr[sym] = g_symboladdr[symbol_of(v)];
    advance();
  }
  return end_of_statement();
}

LineResult compile_asm() {
  advance();
  bool parenthesised = cursor.g_token == TOK_LPAREN;
  if (parenthesised) advance();
  if (!is_const_expr(0)) return line_error("Must be a constant");
  add_op(OP_ASM, expr.const_expr_value);
  if (parenthesised) {
    if (!expect_token(TOK_RPAREN, "ASM expected )")) return LINE_FAILED;
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

LineResult io_handler_map(uint8_t section) {
  if (emit.io_handler_start < 0) emit.io_handler_start = emit.fCODE;
  emit.inside_ezh = section;
  add_op(OP_ASM, f_table[3]);
  advance();
  while (cursor.g_token != TOK_EOL) {
    if (cursor.g_token == TOK_CODE) {
      if (!map_constant("CODE expected constant")) return LINE_FAILED;
      ioh.IOHBcode = expr.const_expr_value;
    } else if (cursor.g_token == TOK_DATA) {
      if (!map_constant("DATA constant expected")) return LINE_FAILED;
      ioh.IOHBdata = expr.const_expr_value;
    } else {
      return line_error("__MAP__ __IOHB__ syntax error");
    }
  }
  return LINE_NEXT;
}

LineResult compile_map() {
  add_op(OP_END, 0);
  program.mapfound = 1;
  uint32_t start = emit.fCODE;
  advance();
  while (cursor.g_token != TOK_EOL) {
    uint16_t t = cursor.g_token;
    if (t == TOK_IOHB || t == TOK_IOHA) return io_handler_map(t == TOK_IOHB ? 2 : 1);
    if (t == TOK_CODE) {
      if (!map_constant("CODE expected constant")) return LINE_FAILED;
      int32_t index = static_cast<int32_t>(static_cast<uint32_t>(expr.const_expr_value) -
                                           static_cast<uint32_t>(firmware.codeStart));
      index = arm_class() ? index >> 2 : index >> 1;
      if (start <= 2) {
        if (index < 0 || index > firmware.codeSize) return line_error("CODE pointer error");
        emit.CODEoffset = index;
        emit.fCODE = static_cast<uint32_t>(index);
      } else {
        if (index < static_cast<int32_t>(emit.fCODE) || index > firmware.codeSize)
          return line_error("CODE pointer error");
        while (emit.fCODE < static_cast<uint32_t>(index)) add_op(OP_ASM, 0xFFFF);
      }
    } else if (t == TOK_CONST) {
      if (!map_constant("CONST expected a constant")) return LINE_FAILED;
      int32_t index = static_cast<int32_t>(static_cast<uint32_t>(expr.const_expr_value) - 16u * f_table[41] + 131072u);
      if (index < 0 || index > cstrings.ConstantStringPtr) return line_error("CONST pointer error");
      if (start <= 2) cstrings.CONSToffset = index;
      cstrings.ConstantStringPtr = index;
    } else if (t == TOK_DATA) {
      if (!map_constant("DATA constant expected")) return LINE_FAILED;
      int32_t index = expr.const_expr_value >> 2;
      if (index < vars.g_VSP || index >= vars.g_VSPdim) return line_error("DATA pointer error");
      vars.g_VSP = static_cast<int16_t>(index);
    } else if (t == TOK_STRING) {
      if (!map_constant("STRING a constant expected")) return LINE_FAILED;
      int32_t index = expr.const_expr_value >> 2;
      if (index <= vars.g_VSP || index > vars.g_VSPdim) return line_error("STRING pointer error");
      vars.g_VSPdim = static_cast<int16_t>(index);
    } else {
      return line_error("__MAP__ syntax error");
    }
  }
  return LINE_NEXT;
}

// One line at the head of which the dispatch below stands; returns
// LINE_NEXT to go on, or compile's own result.
LineResult compile_line(int32_t exitHandle) {
  uint16_t t = cursor.g_token;
  if (ends_compile(t)) return LINE_ENDS;
  if (t == TOK_CLEAR) {
    init_compiler();
    return LINE_NEXT;
  }
  if (is_symbol_token(t) && next_token() == TOK_COLON) return define_label();
  switch (t) {
    case TOK_IF: return compile_if(exitHandle);
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
      if (!simple_statement(exitHandle)) return LINE_FAILED;
      return end_of_statement();
  }
}

}  // namespace

LineResult end_of_statement() {
  if (cursor.g_token == TOK_EOL) return LINE_NEXT;
  if (cursor.g_token == TOK_QUITNOW) return LINE_ENDS;
  not_eoln();
  return LINE_FAILED;
}

LineResult compile_body(int32_t exitHandle) {
  uint32_t generation = reset_generation;
  LineResult r = compile(exitHandle);
  if (generation != reset_generation) return LINE_FAILED;
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

LineResult compile(int32_t exitHandle) {
  NestingGuard guard;
  if (!guard.ok) return LINE_FAILED;
  for (;;) {
    emit.integer_ops = 1;
    emit.bitwise_ops = 1;
    if (!read_source_line()) return LINE_FAILED;
    set_cursor(0);
    if (cursor.g_token == TOK_END && g_tokenlist[1] != TOK_EOL) {
      cursor.g_tokenptr = 1;
      for (const TwoWordEnd &e : two_word_ends)
        if (g_tokenlist[1] == e.second) cursor.g_token = e.terminator;
      if (cursor.g_token == TOK_END) {
        cursor.g_tokenptr = 0;
      } else if (g_tokenlist[2] != TOK_EOL) {
        not_eoln();
        return LINE_FAILED;
      }
    }
    if (cursor.g_token == TOK_EOL) continue;
    LineResult r = compile_line(exitHandle);
    if (r != LINE_NEXT) return r;
  }
}
