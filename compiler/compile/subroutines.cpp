// FUNCTION and SUB definitions: the header with its parameters, the body
// in a scope of its own, and the routine's lines of the map.
#include <cstdio>
#include <cstring>

#include "codegen/emit.h"
#include "codegen/ioh/ioh.h"
#include "codegen/links.h"
#include "codegen/operations.h"
#include "compile/assignment.h"
#include "compile/expression.h"
#include "compile/operand_tags.h"
#include "compile/operands.h"
#include "compile/procedures.h"
#include "compile/reset.h"
#include "compile/statement.h"
#include "compile/symbol_map.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "core/process.h"
#include "frontend/declarations.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

namespace {

// The type byte keeps 7 bits of the descriptor number.
constexpr int32_t DESCRIPTORS_MAX = 127;

bool append_entry(uint8_t type, int32_t addr) {
  if (procs.nextLocal >= LOCALS_MAX) return report("too many local parameters");
  localType[procs.nextLocal] = type;
  localAddr[procs.nextLocal] = addr;
  procs.nextLocal++;
  return true;
}

bool open_descriptor(uint8_t result) {
  if (procs.fsPointer >= DESCRIPTORS_MAX) return report("Too many functions defined");
  procs.fsPointer++;
  fsStart[procs.fsPointer] = static_cast<uint16_t>(procs.nextLocal);
  return append_entry(result, 0);
}

// One parameter: its kind letter and word index, or false after a message.
bool declare_param(int &count) {
  bool byval = false, byref = false;
  if (cursor.g_token == TOK_BYVAL) {
    byval = true;
    advance();
  } else if (cursor.g_token == TOK_BYREF) {
    byref = true;
    advance();
  }
  uint16_t t = cursor.g_token;
  if (t == TOK_PARAMARRAY) {
    advance();
    uint16_t u = cursor.g_token;
    if (!is_symbol_token(u) || !is_ivariable_or_declare(u)) return report("parameter error9");
    if (byref) return report("ParamArray must be byval");
    if (!allocate_array_words(PARAM_BLOCK_WORDS)) return false;
    int sym = symbol_of(u);
    g_symbol_type[sym] = SYM_PARAM_ARRAY;
    g_symboladdr[sym] = vars.g_VSPdim;
    g_symbolsize[sym] = PARAM_BLOCK_WORDS;
    note_declaration(sym);
    if (!append_entry(SYM_PARAM_ARRAY, vars.g_VSPdim)) return false;
    count++;
    advance();
    if (cursor.g_token != TOK_RPAREN) return report("expected )");
    return true;
  }
  if (!is_symbol_token(t)) return report("parameter error1");
  int sym = symbol_of(t);
  uint8_t type;
  if (g_symbol_type[sym] == SYM_NEW_STR) {
    type = byref ? SYM_STRING_PTR : SYM_STRING;
  } else {
    if (!is_ivariable_or_declare(t)) return false;
    type = SYM_INTEGER;
  }
  advance();
  int32_t size = 0;
  bool array = false;
  if (cursor.g_token == TOK_LPAREN) {
    if (next_token() == TOK_RPAREN) {
      if (byval) return report("Array must be BYREF");
      array = true;
      byref = true;
      advance();
      advance();
    } else {
      advance();
      if (!is_int_literal(cursor.g_token)) return report("Size Must Be Constant or too large");
      int32_t n = g_constants[literal_slot(cursor.g_token)];
      if (n < 0 || n > 32766) return report("Size Must Be Constant or too large");
      size = n + 1;
      advance();
      if (!expect_token(TOK_RPAREN, "Expected )")) return false;
      advance();
    }
  }
  if (cursor.g_token == TOK_AS) {
    advance();
    if (cursor.g_token == TOK_INTEGER || cursor.g_token == TOK_SINGLE) {
      if (size) return report("illegal parameter size");
      if (cursor.g_token == TOK_SINGLE) type = SYM_SINGLE;
    } else if (cursor.g_token == TOK_STRING || cursor.g_token == TOK_BYTE) {
      type = byref ? SYM_STRING_PTR : SYM_STRING;
    } else {
      return report("parameter error3");
    }
    advance();
  }
  int32_t addr = g_symboladdr[sym];
  if (array) {
    if (type == SYM_STRING) return report("No String Size declared");
    if (type != SYM_STRING_PTR && type != SYM_PARAM_ARRAY) {
      if (!byref) return report("Array must be BYREF");
      if (type == SYM_SINGLE)
        type = SYM_SINGLE_ARRAY_PTR;
      else if (type == SYM_INTEGER)
        type = SYM_INT_ARRAY_PTR;
      else
        return report("Unknown Array type");
    }
  } else if (size == 0) {
    if (byref) {
      if (type == SYM_INTEGER)
        type = SYM_INT_PTR;
      else if (type == SYM_SINGLE)
        type = SYM_SINGLE_PTR;
      else if (type != SYM_STRING_PTR)
        return report("parameter error4");
    } else if (type == SYM_STRING) {
      return report("No String Size declared");
    }
  } else {
    if (byref || type != SYM_STRING) return report("parameter byref size not allowed");
    if (!allocate_array_words((size - 1 + 4) / 4)) return false;
    addr = vars.g_VSPdim;
  }
  if (type == SYM_STRING_PTR && g_symbol_type[sym] == SYM_NEW_STR) {
    // A string reference is one word, the pointer.
    if (vars.g_VSP + 1 >= vars.g_VSPdim) return report("Too Many Variables");
    addr = vars.g_VSP++;
  }
  g_symbol_type[sym] = type;
  g_symboladdr[sym] = addr;
  g_symbolsize[sym] = array ? -1 : size;
  note_declaration(sym);
  if (!append_entry(type, addr)) return false;
  count++;
  return true;
}

}  // namespace

// The parameter list from its "(" to past its ")"; -1 after an error.
int declare_params() {
  if (procs.nextLocal > LOCALS_MAX) {
    print_error_ln("too many FUNCTIONs or SUBs");
    return -1;
  }
  advance();
  uint8_t savedRequire = symtab.requireDIM;
  symtab.requireDIM = 0;
  int count = 0;
  for (;;) {
    if (cursor.g_token == TOK_RPAREN) break;
    if (!declare_param(count)) return -1;
    if (cursor.g_token == TOK_RPAREN) break;
    if (cursor.g_token != TOK_COMMA) {
      print_error_ln("parameter syntax error6");
      return -1;
    }
    advance();
  }
  advance();
  if (!append_entry(0, 0)) return -1;
  symtab.requireDIM = savedRequire;
  return count;
}

namespace {

struct Routine {
  int sym;
  bool function;
  char name[40];
  int params;
};

bool read_header(Routine &r, uint8_t interrupt) {
  r.function = cursor.g_token == TOK_FUNCTION;
  advance();
  uint16_t t = cursor.g_token;
  if (!is_symbol_token(t)) return report("Label Declaration Error");
  r.sym = symbol_of(t);
  const char *name = g_symboltable + find_symbol(r.sym);
  snprintf(r.name, sizeof r.name, "%s", name);
  if (is_symbol(name, static_cast<int>(strlen(name))) != r.sym + 1) return report("Duplicate Name");
  if (!is_label_or_declare(t)) return report("Label Declaration Error");
  // The entry must not be the branch over a pool placed next.
  flush_pool_if_due();
  g_symboladdr[r.sym] = static_cast<int32_t>(emit.fCODE);
  g_symbol_type[r.sym] = r.function ? SYM_FUNCTION : SYM_SUB;
  note_declaration(r.sym);
  symtab.localcnt = static_cast<uint16_t>(r.sym + 1);
  symtab.localoffset = find_symbol(r.sym) + static_cast<uint32_t>(strlen(name)) + 1;
  if (emit.inside_ezh != 0) ioh.ezhVarStart = vars.g_VSP;
  advance();
  r.params = 0;
  bool described = false;
  if (cursor.g_token == TOK_LPAREN && !interrupt) {
    if (next_token() == TOK_RPAREN) {
      advance();
      advance();
    } else {
      if (!open_descriptor(r.function ? SYM_INTEGER : 0)) return false;
      r.params = declare_params();
      if (r.params < 0) return false;
      g_symbol_type[r.sym] = static_cast<uint8_t>(0x80 + procs.fsPointer);
      described = true;
    }
  }
  procs.inside_function = r.function ? TOK_INTEGER : 0;
  if (r.function && cursor.g_token == TOK_AS) {
    advance();
    if (cursor.g_token == TOK_SINGLE || cursor.g_token == TOK_STRING) {
      uint8_t result = cursor.g_token == TOK_SINGLE ? SYM_SINGLE : SYM_STRING;
      procs.inside_function = cursor.g_token;
      if (!described) {
        if (!open_descriptor(result) || !append_entry(0, 0)) return false;
        g_symbol_type[r.sym] = static_cast<uint8_t>(0x80 + procs.fsPointer);
      }
      localType[fsStart[g_symbol_type[r.sym] & 0x7F]] = result;
    } else if (cursor.g_token != TOK_INTEGER) {
      return report("Illegal function type");
    }
    advance();
  }
  if (cursor.g_token != TOK_EOL) return report("Function/Sub syntax error");
  return true;
}

// The routine's scope ends: its local symbols are dropped (when the header
// got as far as opening the scope).
void end_scope(uint8_t savedRequire) {
  close_routine_declarations(symtab.localcnt);
  if (symtab.localcnt != 0) {
    symtab.g_symbolcount = symtab.localcnt;
    symtab.g_STP = symtab.localoffset;
  }
  symtab.localoffset = 0;
  symtab.localcnt = 0;
  symtab.requireDIM = savedRequire;
  procs.this_function = 0;
  procs.inside_function = 0;
  procs.inside_interrupt = 0;
  ioh.ezhVarStart = EZH_NO_LOCALS;
}

}  // namespace

void do_subfunc(uint8_t interrupt) {
  if (program.first_functionsub == 0) program.first_functionsub = static_cast<int32_t>(emit.fCODE);
  procs.inside_interrupt = interrupt;
  Routine r;
  uint8_t savedRequire = symtab.requireDIM;
  if (!read_header(r, interrupt)) {
    end_scope(savedRequire);
    return;
  }
  int32_t savedLink = links.nextLink;
  symtab.requireDIM = 1;
  procs.this_function = r.sym;
  add_op(interrupt ? OP_INTENTRY : OP_SUB_ENTRY, 0);
  uint32_t generation = reset_generation;
  int ok = compile(0);
  // A CLEAR or a download in the body reset everything the routine would
  // put back.
  if (generation != reset_generation) return;
  if (links.nextLink > savedLink) {
    // Jumps to global labels defined later wait for the program's end.
    int32_t kept = keep_undefined_links(savedLink, symtab.localcnt);
    optimizeTJ(static_cast<uint32_t>(kept), 0);
    links.nextLink = kept;
  }
  if (!ok) {
    end_scope(savedRequire);
    return;
  }
  if (cursor.g_token == TOK_QUITNOW) {
    end_process(ExitStatus::Done);
  }
  bool ends = r.function ? cursor.g_token == TOK_ENDFUNCTION : cursor.g_token == TOK_ENDSUB;
  if (!ends) {
    print_error_ln("Expected ENDFUNCTION/ENDSUB");
  } else if (r.function && emit.last_op != OP_RETURN) {
    print_error_ln("Expected RETURN at end of FUNCTION");
  } else {
    if (!r.function) add_op(interrupt ? OP_INTEXIT : OP_RETURN, 0);
    if (check_labels(symtab.localcnt, symtab.g_symbolcount)) {
      add_op(OP_ENDSUB, tag::ROUTINE_END);
      advance();
      print_routine_map_line(r.sym, r.name, r.params);
      char prefix[48];
      snprintf(prefix, sizeof prefix, "%s:", r.name);
      sym_dump(prefix, symtab.localcnt, symtab.g_symbolcount);
    }
  }
  end_scope(savedRequire);
}
