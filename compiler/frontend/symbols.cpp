#include "frontend/symbols.h"

#include <cstdio>
#include <cstring>

#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/tokenizer.h"

char g_symboltable[SYMBOLTABLE_SIZE];
uint8_t g_symbol_type[SYMBOLS_MAX];
int32_t g_symboladdr[SYMBOLS_MAX];
int32_t g_symbolsize[SYMBOLS_MAX];
int32_t INT_symboladdr[SYMBOLS_MAX];
SymbolState symtab;
VariableSpace vars;

void reset_symbols() {
  symtab = SymbolState{};
  vars = VariableSpace{.g_VSPdim = static_cast<int16_t>(firmware.varSpace)};
  // MAIN (symbol 0) is an undefined label until MAIN: defines it; until
  // then its address is the unit behind the start-up jump.
  g_symbol_type[0] = SYM_UNDEF_LABEL;
  g_symboladdr[0] = arm_class() ? 1 : 2;
}

int32_t add_symbol(const char *name, int length) {
  if (static_cast<uint32_t>(length) + symtab.g_STP > 0x7FFFF) {
    print_error_ln("Too Many Symbols");
    return -1;
  }
  if (symtab.g_symbolcount >= SYMBOLS_MAX) {
    print_error_ln("Too Many Symbols(2)");
    return -1;
  }
  memcpy(g_symboltable + symtab.g_STP, name, static_cast<size_t>(length));
  g_symboltable[symtab.g_STP + static_cast<uint32_t>(length)] = 0;
  symtab.g_STP += static_cast<uint32_t>(length) + 1;
  int32_t index = symtab.g_symbolcount++;
  g_symboladdr[index] = 0;
  g_symbolsize[index] = 0;
  g_symbol_type[index] = (length > 0 && name[length - 1] == '$') ? SYM_NEW_STR : SYM_NEW;
  return index;
}

int32_t scan_symbols(const char *name, int length, int firstIndex, uint32_t firstOffset) {
  uint32_t offset = firstOffset;
  for (int index = firstIndex; index < symtab.g_symbolcount; index++) {
    const char *stored = g_symboltable + offset;
    size_t stored_len = strlen(stored);
    if (stored_len == static_cast<size_t>(length) && memcmp(stored, name, stored_len) == 0)
      return index + 1;
    offset += static_cast<uint32_t>(stored_len) + 1;
  }
  return 0;
}

int32_t is_symbol(const char *name, int length) {
  if (symtab.localcnt != 0) {
    int32_t found = scan_symbols(name, length, symtab.localcnt, symtab.localoffset);
    if (found) return found;
  }
  return scan_symbols(name, length, 1, 0);
}

uint32_t find_symbol(int index) {
  uint32_t offset = 0;
  for (int k = 1; k < index; k++) offset += static_cast<uint32_t>(strlen(g_symboltable + offset)) + 1;
  return offset;
}

namespace {
// The type of the symbol a token names, or -1 when it names none.
int symbol_type_of(uint16_t t) {
  if (!(t & TOK_SYMBOL)) return -1;
  return g_symbol_type[t & 0x7FFF];
}
}  // namespace

bool is_intPtr(uint16_t t) { return symbol_type_of(t) == 'I'; }
bool is_iarray(uint16_t t) { return symbol_type_of(t) == 'Q' || symbol_type_of(t) == 'P'; }
bool is_iarrayPtr(uint16_t t) { return symbol_type_of(t) == 'Y'; }
bool is_string(uint16_t t) { return symbol_type_of(t) == 'R'; }
bool is_strPtr(uint16_t t) { return symbol_type_of(t) == 'X'; }
bool is_fvariable(uint16_t t) { return symbol_type_of(t) == 'C'; }
bool is_farray(uint16_t t) { return symbol_type_of(t) == 'S'; }
bool is_fltPtr(uint16_t t) { return symbol_type_of(t) == 'K'; }
bool is_farrayPtr(uint16_t t) { return symbol_type_of(t) == '['; }
bool is_funct(uint16_t t) { return symbol_type_of(t) >= 0x80; }

bool is_label(uint16_t t) {
  int type = symbol_type_of(t);
  if (type < 0) return false;
  if (type == SYM_NEW) {
    g_symbol_type[t & 0x7FFF] = SYM_UNDEF_LABEL;
    return true;
  }
  return type == SYM_UNDEF_LABEL || (type >= 0x20 && type <= 0x3F) || type >= 0x80;
}

bool is_ivariable(uint16_t t) {
  int type = symbol_type_of(t);
  if (type == 'A') return true;
  if (type != SYM_NEW) return false;
  int index = t & 0x7FFF;
  if (symtab.requireDIM) {
    char msg[80];
    snprintf(msg, sizeof msg, "%s %.32s\n", "Undefined Label ", g_symboltable + find_symbol(index));
    print_error_ln(msg);
    return false;
  }
  g_symbol_type[index] = 'A';
  g_symboladdr[index] = vars.g_VSP;
  vars.g_VSP++;
  if (vars.g_VSP >= vars.g_VSPdim) {
    cursor.g_tokenptr = 1;
    print_error_ln("Too Many Variables");
    return false;
  }
  return true;
}

bool check_labels(int first, int last) {
  bool ok = true;
  for (int i = first; i < last; i++) {
    if (g_symbol_type[i] != SYM_UNDEF_LABEL) continue;
    printf("\n  \n-ERROR %s %s\n", "Undefined Label ", g_symboltable + find_symbol(i));
    if (diag.firstERR == 0) diag.firstERR = diag.g_linenum;
    diag.error_seen = 1;
    ok = false;
  }
  return ok;
}

bool allocate_array_words(int32_t words) {
  int32_t bottom = static_cast<int32_t>(vars.g_VSPdim) - words;
  if (vars.g_VSP >= bottom) {
    print_error_ln("Too Many Variables");
    return false;
  }
  vars.g_VSPdim = static_cast<int16_t>(bottom);
  return true;
}
