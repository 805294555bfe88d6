#include "frontend/symbols.h"

#include <cstdio>
#include <cstring>

#include "core/firmware.h"
#include "frontend/declarations.h"
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

namespace {

// A hash index beside the symbol table, so that finding a name does not
// take longer as a program grows. The slot of a name holds the latest
// symbol of that name; earlier symbols of the same name (a global hidden
// by a parameter or local) are chained from it. The index follows the
// table lazily: before every search and entry it drops the symbols the
// table has dropped since (a procedure's locals, a new program) and takes
// in the ones entered straight into the table.
constexpr uint32_t INDEX_SLOTS = 2 * SYMBOLS_MAX;
static_assert((INDEX_SLOTS & (INDEX_SLOTS - 1)) == 0, "probes wrap with a mask");
constexpr int32_t EMPTY = -1;

int32_t slot_symbol[INDEX_SLOTS];
uint32_t name_hash[SYMBOLS_MAX];
uint32_t name_length[SYMBOLS_MAX];
uint32_t name_offset[SYMBOLS_MAX];
int32_t earlier_same_name[SYMBOLS_MAX];
int32_t indexed_count = 1;  // symbols 1 .. indexed_count - 1 are in the index
uint32_t indexed_stp = 0;   // g_STP behind the last of them
bool index_ready = false;

uint32_t hash_name(const char *name, uint32_t length) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (uint32_t k = 0; k < length; k++) h = (h ^ static_cast<uint8_t>(name[k])) * 16777619u;
  return h;
}

uint32_t home_slot(uint32_t hash) { return hash & (INDEX_SLOTS - 1); }
uint32_t next_slot(uint32_t slot) { return (slot + 1) & (INDEX_SLOTS - 1); }

// The slot of the name, or the empty slot where it would go.
uint32_t find_slot(const char *name, uint32_t length, uint32_t hash) {
  uint32_t slot = home_slot(hash);
  for (;; slot = next_slot(slot)) {
    int32_t s = slot_symbol[slot];
    if (s == EMPTY) return slot;
    if (name_hash[s] == hash && name_length[s] == length &&
        memcmp(g_symboltable + name_offset[s], name, length) == 0)
      return slot;
  }
}

// Enters the symbol whose name starts at offset; returns the name's length.
uint32_t index_symbol(int32_t symbol, uint32_t offset) {
  const char *name = g_symboltable + offset;
  uint32_t length = static_cast<uint32_t>(strnlen(name, SYMBOLTABLE_SIZE - offset));
  uint32_t hash = hash_name(name, length);
  name_offset[symbol] = offset;
  name_length[symbol] = length;
  name_hash[symbol] = hash;
  uint32_t slot = find_slot(name, length, hash);
  earlier_same_name[symbol] = slot_symbol[slot];
  slot_symbol[slot] = symbol;
  indexed_count = symbol + 1;
  return length;
}

// Drops the last indexed symbol, the latest of its name. Its name is not
// read: the table may hold another one there by now.
void drop_last_symbol() {
  int32_t symbol = --indexed_count;
  uint32_t slot = home_slot(name_hash[symbol]);
  while (slot_symbol[slot] != symbol) slot = next_slot(slot);
  if (earlier_same_name[symbol] != EMPTY) {
    slot_symbol[slot] = earlier_same_name[symbol];
    return;
  }
  // Empty the slot, and move back each entry behind it in the probe run
  // whose home slot does not lie between the hole and the entry.
  slot_symbol[slot] = EMPTY;
  for (uint32_t next = next_slot(slot); slot_symbol[next] != EMPTY; next = next_slot(next)) {
    uint32_t home = home_slot(name_hash[slot_symbol[next]]);
    bool stays = slot <= next ? (slot < home && home <= next) : (slot < home || home <= next);
    if (stays) continue;
    slot_symbol[slot] = slot_symbol[next];
    slot_symbol[next] = EMPTY;
    slot = next;
  }
}

void index_symbols_up_to_count() {
  while (indexed_count < symtab.g_symbolcount && indexed_stp < static_cast<uint32_t>(SYMBOLTABLE_SIZE))
    indexed_stp += index_symbol(indexed_count, indexed_stp) + 1;
}

void sync_index() {
  if (!index_ready) {
    for (int32_t &s : slot_symbol) s = EMPTY;
    index_ready = true;
  }
  if (indexed_count == symtab.g_symbolcount && indexed_stp == symtab.g_STP) return;
  while (indexed_count > 1 && indexed_count > symtab.g_symbolcount) drop_last_symbol();
  indexed_stp = indexed_count > 1 ? name_offset[indexed_count - 1] + name_length[indexed_count - 1] + 1 : 0;
  if (indexed_stp <= symtab.g_STP) index_symbols_up_to_count();
  if (indexed_count == symtab.g_symbolcount && indexed_stp == symtab.g_STP) return;
  // The table was rewritten under the index: take it in again.
  while (indexed_count > 1) drop_last_symbol();
  indexed_stp = 0;
  index_symbols_up_to_count();
}

// The first symbol at or after first with the name, or -1.
int32_t search(const char *name, int length, int first) {
  sync_index();
  if (length < 0) return -1;
  uint32_t len = static_cast<uint32_t>(length);
  uint32_t hash = hash_name(name, len);
  int32_t found = EMPTY;
  for (int32_t s = slot_symbol[find_slot(name, len, hash)]; s != EMPTY && s >= first; s = earlier_same_name[s])
    found = s;
  return found;
}

}  // namespace

void clear_symbol_tables() {
  memset(g_symboltable, 0, sizeof g_symboltable);
  memset(g_symbol_type, 0, sizeof g_symbol_type);
  memset(g_symboladdr, 0, sizeof g_symboladdr);
  memset(g_symbolsize, 0, sizeof g_symbolsize);
  memset(INT_symboladdr, 0, sizeof INT_symboladdr);
}

int32_t add_symbol(const char *name, int length) {
  sync_index();
  if (static_cast<uint32_t>(length) + symtab.g_STP > 0x7FFFF) {
    print_error_ln("Too Many Symbols");
    return -1;
  }
  if (symtab.g_symbolcount >= SYMBOLS_MAX) {
    print_error_ln("Too Many Symbols(2)");
    return -1;
  }
  uint32_t offset = symtab.g_STP;
  memcpy(g_symboltable + symtab.g_STP, name, static_cast<size_t>(length));
  g_symboltable[symtab.g_STP + static_cast<uint32_t>(length)] = 0;
  symtab.g_STP += static_cast<uint32_t>(length) + 1;
  int32_t index = symtab.g_symbolcount++;
  g_symboladdr[index] = 0;
  g_symbolsize[index] = 0;
  g_symbol_type[index] = (length > 0 && name[length - 1] == '$') ? SYM_NEW_STR : SYM_NEW;
  if (index >= 1) {
    index_symbol(index, offset);
    indexed_stp = symtab.g_STP;
  }
  return index;
}

int32_t scan_symbols(const char *name, int length, int firstIndex) {
  int32_t found = search(name, length, firstIndex < 1 ? 1 : firstIndex);
  return found < 0 ? 0 : found + 1;
}

int32_t is_symbol(const char *name, int length) {
  if (symtab.localcnt != 0) {
    int32_t found = search(name, length, symtab.localcnt);
    if (found >= 0) return found + 1;
  }
  int32_t found = search(name, length, 1);
  return found < 0 ? 0 : found + 1;
}

uint32_t find_symbol(int index) {
  sync_index();
  if (index <= 1) return 0;
  if (index < symtab.g_symbolcount) return name_offset[index];
  uint32_t offset = symtab.g_STP;
  for (int k = symtab.g_symbolcount; k < index; k++)
    offset += static_cast<uint32_t>(strlen(g_symboltable + offset)) + 1;
  return offset;
}

namespace {
// The type of the symbol a token names, or -1 when it names none.
int symbol_type_of(uint16_t t) {
  if (!is_symbol_token(t)) return -1;
  return g_symbol_type[symbol_of(t)];
}
}  // namespace

bool is_intPtr(uint16_t t) { return symbol_type_of(t) == SYM_INT_PTR; }
bool is_iarray(uint16_t t) { return symbol_type_of(t) == SYM_INT_ARRAY || symbol_type_of(t) == SYM_PARAM_ARRAY; }
bool is_iarrayPtr(uint16_t t) { return symbol_type_of(t) == SYM_INT_ARRAY_PTR; }
bool is_string(uint16_t t) { return symbol_type_of(t) == SYM_STRING; }
bool is_strPtr(uint16_t t) { return symbol_type_of(t) == SYM_STRING_PTR; }
bool is_fvariable(uint16_t t) { return symbol_type_of(t) == SYM_SINGLE; }
bool is_farray(uint16_t t) { return symbol_type_of(t) == SYM_SINGLE_ARRAY; }
bool is_fltPtr(uint16_t t) { return symbol_type_of(t) == SYM_SINGLE_PTR; }
bool is_farrayPtr(uint16_t t) { return symbol_type_of(t) == SYM_SINGLE_ARRAY_PTR; }
bool is_funct(uint16_t t) { return symbol_type_of(t) >= 0x80; }

bool is_label_or_declare(uint16_t t) {
  int type = symbol_type_of(t);
  if (type < 0) return false;
  if (type == SYM_NEW) {
    g_symbol_type[symbol_of(t)] = SYM_UNDEF_LABEL;
    note_label_use(symbol_of(t));
    return true;
  }
  return type == SYM_UNDEF_LABEL || (type >= 0x20 && type <= 0x3F) || type >= 0x80;
}

bool is_ivariable_or_declare(uint16_t t) {
  int type = symbol_type_of(t);
  if (type == SYM_INTEGER) return true;
  if (type != SYM_NEW) return false;
  int index = symbol_of(t);
  if (symtab.requireDIM) {
    char msg[80];
    snprintf(msg, sizeof msg, "%s %.32s\n", "Undefined Label ", g_symboltable + find_symbol(index));
    print_error_ln(msg);
    return false;
  }
  g_symbol_type[index] = SYM_INTEGER;
  g_symboladdr[index] = vars.g_VSP;
  note_declaration(index);
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
    const char *name = g_symboltable + find_symbol(i);
    char printed[96], message[64];
    // A name is at most 32 characters (31 and a "$").
    snprintf(printed, sizeof printed, "\n  \n-ERROR %s %.32s\n", "Undefined Label ", name);
    snprintf(message, sizeof message, "%s%.32s", "Undefined Label ", name);
    report_plain_error(printed, message);
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
