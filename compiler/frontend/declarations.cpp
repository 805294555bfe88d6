#include "frontend/declarations.h"

#include <cstring>

#include "frontend/diagnostics.h"
#include "frontend/tokenizer.h"

Declaration declarations[DECLARATIONS_MAX];
char declaration_files[DECLARATION_FILES_MAX][FILENAME_SIZE];
DeclarationState decls;

namespace {

constexpr int32_t NONE = -1;
// The latest entry of each symbol index, NONE for none. Local indices are
// given out again after their routine; their entries are let go then.
int32_t entry_of_symbol[SYMBOLS_MAX];

// Symbol 0, the program's entry, has no name in the table: the map calls it
// MAIN, as the statement that defines it does.
const char *name_of(int symbol) { return symbol == 0 ? "MAIN" : g_symboltable + find_symbol(symbol); }

// The index of the current file in declaration_files, adding it; NONE when
// the table is full.
int32_t current_file() {
  for (int32_t i = decls.files - 1; i >= 0; i--)
    if (strcmp(declaration_files[i], reader.current_filename) == 0) return i;
  if (decls.files == DECLARATION_FILES_MAX) return NONE;
  memcpy(declaration_files[decls.files], reader.current_filename, FILENAME_SIZE);
  return decls.files++;
}

// The 1-based column of the symbol's name in the current line: its token,
// else a token of the same name (a DIM inside a routine gives a global's
// name a new local symbol), else the token at the cursor.
uint8_t column_of(int symbol) {
  const char *name = name_of(symbol);
  int same_name = NONE;
  for (int k = 0; k < TOKENLIST_SIZE && g_tokenlist[k] != TOK_EOL; k++) {
    uint16_t t = g_tokenlist[k];
    if ((t & TOK_SYMBOL) == 0) continue;
    if ((t & 0x7FFF) == symbol) return static_cast<uint8_t>(g_tokencolumn[k] + 1);
    if (same_name == NONE && strcmp(name_of(t & 0x7FFF), name) == 0) same_name = k;
  }
  int k = same_name != NONE ? same_name : cursor.g_tokenptr < TOKENLIST_SIZE ? cursor.g_tokenptr : 0;
  return static_cast<uint8_t>(g_tokencolumn[k] + 1);
}

void add_entry(int symbol, uint8_t first_use) {
  int32_t file = current_file();
  if (file == NONE || decls.count == DECLARATIONS_MAX) {
    decls.overflow = 1;
    return;
  }
  Declaration &d = declarations[decls.count];
  d = Declaration{};
  strncpy(d.name, name_of(symbol), DECLARED_NAME_SIZE - 1);
  d.symbol = static_cast<uint16_t>(symbol);
  d.file = static_cast<uint16_t>(file);
  d.line = diag.g_linenum;
  d.column = column_of(symbol);
  d.first_use = first_use;
  d.routine = symtab.localcnt != 0 && symbol >= symtab.localcnt ? decls.routine : NONE;
  entry_of_symbol[symbol] = decls.count++;
}

}  // namespace

void reset_declarations() {
  decls = DeclarationState{};
  for (int32_t &e : entry_of_symbol) e = NONE;
}

void note_declaration(int symbol) {
  // The first declaration stands: a second one of the same symbol is an
  // error of its own (or the same name met twice on a header line).
  int32_t e = entry_of_symbol[symbol];
  if (e != NONE && !declarations[e].first_use) return;
  Declaration *use = e != NONE ? &declarations[e] : nullptr;
  if (use && use->line == diag.g_linenum && strcmp(declaration_files[use->file], reader.current_filename) == 0) {
    // Checked as a label on its own declaring line (a FUNCTION's or SUB's
    // name is): the use is the declaration.
    use->first_use = 0;
  } else {
    add_entry(symbol, 0);
  }
  // The locals of a FUNCTION or SUB are declared from its header line on.
  uint8_t type = g_symbol_type[symbol];
  int32_t now = entry_of_symbol[symbol];
  if ((type == SYM_FUNCTION || type == SYM_SUB) && now != NONE && !declarations[now].first_use) decls.routine = now;
}

void note_label_use(int symbol) {
  if (entry_of_symbol[symbol] == NONE) add_entry(symbol, 1);
}

void close_routine_declarations(int first_local) {
  if (decls.routine == NONE) return;
  for (int32_t i = decls.routine + 1; i < decls.count; i++) {
    Declaration &d = declarations[i];
    if (d.routine != decls.routine || d.closed) continue;
    d.closed = 1;
    d.type = g_symbol_type[d.symbol];
    d.addr = g_symboladdr[d.symbol];
    d.size = g_symbolsize[d.symbol];
  }
  // A header that failed before the scope opened has no locals.
  if (first_local > 0)
    for (int s = first_local; s < symtab.g_symbolcount; s++) entry_of_symbol[s] = NONE;
  declarations[decls.routine].end_line = diag.g_linenum;
  decls.routine = NONE;
}
