// FUNCTION and SUB definitions: the header with its parameters, the body
// in a scope of its own, and the routine's lines of the map.
#include <cstdio>
#include <cstring>

#include "codegen/emit.h"
#include "codegen/iohb/iohb.h"
#include "codegen/links.h"
#include "codegen/operations.h"
#include "compile/assignment.h"
#include "compile/expression.h"
#include "compile/operands.h"
#include "compile/procedures.h"
#include "compile/reset.h"
#include "compile/statement.h"
#include "compile/token_cursor.h"
#include "core/firmware.h"
#include "core/hooks.h"
#include "core/options.h"
#include "core/process.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

namespace {

constexpr uint16_t TOK_FUNCTION = 245, TOK_AS = 212, TOK_SINGLE = 213, TOK_BYTE = 201, TOK_BYVAL = 210,
                   TOK_BYREF = 209, TOK_PARAMARRAY = 202, TOK_ENDSUB = 208, TOK_ENDFUNCTION = 211,
                   TOK_QUITNOW = 216;
// The type byte keeps 7 bits of the descriptor number.
constexpr int32_t DESCRIPTORS_MAX = 127;

bool fail(const char *msg) {
  print_error_ln(msg);
  return false;
}

bool append_entry(uint8_t type, int32_t addr) {
  if (procs.nextLocal >= LOCALS_MAX) return fail("too many local parameters");
  localType[procs.nextLocal] = type;
  localAddr[procs.nextLocal] = addr;
  procs.nextLocal++;
  return true;
}

bool open_descriptor(uint8_t result) {
  if (procs.fsPointer >= DESCRIPTORS_MAX) return fail("Too many functions defined");
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
    if (!is_symbol_token(u) || !is_ivariable(u)) return fail("parameter error9");
    if (byref) return fail("ParamArray must be byval");
    if (!allocate_array_words(16)) return false;
    int sym = symbol_of(u);
    g_symbol_type[sym] = 'P';
    g_symboladdr[sym] = vars.g_VSPdim;
    g_symbolsize[sym] = 16;
    if (!append_entry('P', vars.g_VSPdim)) return false;
    count++;
    advance();
    if (cursor.g_token != tok::RPAREN) return fail("expected )");
    return true;
  }
  if (!is_symbol_token(t)) return fail("parameter error1");
  int sym = symbol_of(t);
  uint8_t type;
  if (g_symbol_type[sym] == SYM_NEW_STR) {
    type = byref ? 'X' : 'R';
  } else {
    if (!is_ivariable(t)) return false;
    type = 'A';
  }
  advance();
  int32_t size = 0;
  bool array = false;
  if (cursor.g_token == tok::LPAREN) {
    if (next_token() == tok::RPAREN) {
      if (byval) return fail("Array must be BYREF");
      array = true;
      byref = true;
      advance();
      advance();
    } else {
      advance();
      if (!is_int_literal(cursor.g_token)) return fail("Size Must Be Constant or too large");
      int32_t n = g_constants[literal_slot(cursor.g_token)];
      if (n < 0 || n > 32766) return fail("Size Must Be Constant or too large");
      size = n + 1;
      advance();
      if (!expect_token(tok::RPAREN, "Expected )")) return false;
      advance();
    }
  }
  if (cursor.g_token == TOK_AS) {
    advance();
    if (cursor.g_token == tok::INTEGER || cursor.g_token == TOK_SINGLE) {
      if (size) return fail("illegal parameter size");
      if (cursor.g_token == TOK_SINGLE) type = 'C';
    } else if (cursor.g_token == tok::STRING || cursor.g_token == TOK_BYTE) {
      type = byref ? 'X' : 'R';
    } else {
      return fail("parameter error3");
    }
    advance();
  }
  int32_t addr = g_symboladdr[sym];
  if (array) {
    if (type == 'R') return fail("No String Size declared");
    if (type != 'X' && type != 'P') {
      if (!byref) return fail("Array must be BYREF");
      if (type == 'C')
        type = '[';
      else if (type == 'A')
        type = 'Y';
      else
        return fail("Unknown Array type");
    }
  } else if (size == 0) {
    if (byref) {
      if (type == 'A')
        type = 'I';
      else if (type == 'C')
        type = 'K';
      else if (type != 'X')
        return fail("parameter error4");
    } else if (type == 'R') {
      return fail("No String Size declared");
    }
  } else {
    if (byref || type != 'R') return fail("parameter byref size not allowed");
    if (!allocate_array_words((size - 1 + 4) / 4)) return false;
    addr = vars.g_VSPdim;
  }
  if (type == 'X' && g_symbol_type[sym] == SYM_NEW_STR) {
    // A string reference is one word, the pointer.
    if (vars.g_VSP + 1 >= vars.g_VSPdim) return fail("Too Many Variables");
    addr = vars.g_VSP++;
  }
  g_symbol_type[sym] = type;
  g_symboladdr[sym] = addr;
  g_symbolsize[sym] = array ? -1 : size;
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
    if (cursor.g_token == tok::RPAREN) break;
    if (!declare_param(count)) return -1;
    if (cursor.g_token == tok::RPAREN) break;
    if (cursor.g_token != tok::COMMA) {
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
  if (!is_symbol_token(t)) return fail("Label Declaration Error");
  r.sym = symbol_of(t);
  const char *name = g_symboltable + find_symbol(r.sym);
  snprintf(r.name, sizeof r.name, "%s", name);
  if (is_symbol(name, static_cast<int>(strlen(name))) != r.sym + 1) return fail("Duplicate Name");
  if (!is_label(t)) return fail("Label Declaration Error");
  // The entry must not be the branch over a pool placed next.
  flush_pool_if_due();
  g_symboladdr[r.sym] = static_cast<int32_t>(emit.fCODE);
  g_symbol_type[r.sym] = r.function ? SYM_FUNCTION : SYM_SUB;
  symtab.localcnt = static_cast<uint16_t>(r.sym + 1);
  symtab.localoffset = find_symbol(r.sym) + static_cast<uint32_t>(strlen(name)) + 1;
  if (emit.inside_ezh != 0) ioh.ezhVarStart = vars.g_VSP;
  advance();
  r.params = 0;
  bool described = false;
  if (cursor.g_token == tok::LPAREN && !interrupt) {
    if (next_token() == tok::RPAREN) {
      advance();
      advance();
    } else {
      if (!open_descriptor(r.function ? 'A' : 0)) return false;
      r.params = declare_params();
      if (r.params < 0) return false;
      g_symbol_type[r.sym] = static_cast<uint8_t>(0x80 + procs.fsPointer);
      described = true;
    }
  }
  procs.inside_function = r.function ? tok::INTEGER : 0;
  if (r.function && cursor.g_token == TOK_AS) {
    advance();
    if (cursor.g_token == TOK_SINGLE || cursor.g_token == tok::STRING) {
      uint8_t result = cursor.g_token == TOK_SINGLE ? 'C' : 'R';
      procs.inside_function = cursor.g_token;
      if (!described) {
        if (!open_descriptor(result) || !append_entry(0, 0)) return false;
        g_symbol_type[r.sym] = static_cast<uint8_t>(0x80 + procs.fsPointer);
      }
      localType[fsStart[g_symbol_type[r.sym] & 0x7F]] = result;
    } else if (cursor.g_token != tok::INTEGER) {
      return fail("Illegal function type");
    }
    advance();
  }
  if (cursor.g_token != TOK_EOL) return fail("Function/Sub syntax error");
  return true;
}

// The routine's scope ends: its local symbols are dropped (when the header
// got as far as opening the scope).
void end_scope(uint8_t savedRequire) {
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

void print_map_line(const Routine &r) {
  if (options.DEMOmode) return;
  uint32_t entry = code_unit_address(static_cast<uint32_t>(g_symboladdr[r.sym]));
  const char *kind = "SUB   ";
  if (r.function) {
    uint8_t result = function_result(static_cast<uint16_t>(TOK_SYMBOL + r.sym));
    kind = result == 'R' ? "SFUNCT" : result == 'C' ? "FFUNCT" : "WFUNCT";
  }
  fprintf(text_stream(), "> 0x%08X %s %s %d\n", entry, kind, r.name, r.params);
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
      add_op(OP_ENDSUB, 22);
      advance();
      print_map_line(r);
      char prefix[48];
      snprintf(prefix, sizeof prefix, "%s:", r.name);
      sym_dump(prefix, symtab.localcnt, symtab.g_symbolcount);
    }
  }
  end_scope(savedRequire);
}
