// Symbol table: packed names and the parallel type, address and size tables.
#pragma once
#include <cstdint>

constexpr int32_t SYMBOLTABLE_SIZE = 524288;
constexpr int SYMBOLS_MAX = 32768;

// Type codes of g_symbol_type.
constexpr uint8_t SYM_NEW = 0;
constexpr uint8_t SYM_NEW_STR = 1;
constexpr uint8_t SYM_UNDEF_LABEL = 5;
constexpr uint8_t SYM_WORD_TABLE = 6;
constexpr uint8_t SYM_CONSTANT = 7;
constexpr uint8_t SYM_CSTRING = 9;
constexpr uint8_t SYM_LABEL = 0x20;
constexpr uint8_t SYM_SUB = 0x80;
constexpr uint8_t SYM_FUNCTION = 0x81;

extern char g_symboltable[SYMBOLTABLE_SIZE];
extern uint8_t g_symbol_type[SYMBOLS_MAX];
extern int32_t g_symboladdr[SYMBOLS_MAX];
extern int32_t g_symbolsize[SYMBOLS_MAX];
extern int32_t INT_symboladdr[SYMBOLS_MAX];

struct SymbolState {
  uint16_t g_symbolcount = 1;
  // Where the next name goes in g_symboltable.
  uint32_t g_STP = 0;
  // Inside a FUNCTION or SUB: the first local symbol and its name's offset
  // (both 0 outside), searched before the globals.
  uint16_t localcnt = 0;
  uint32_t localoffset = 0;
  // Set once an INTEGER is declared with DIM: from then on names must be
  // declared before use.
  uint8_t requireDIM = 0;
};
extern SymbolState symtab;

// The variable area in words: simple variables upward from g_VSP, arrays
// and strings downward from g_VSPdim, and two 16-word blocks taken from
// the top of the array area on first use.
struct VariableSpace {
  int16_t g_VSP = 1;
  int16_t g_VSPdim = 0x4000;
  // The PRINTF/SPRINTF argument block (word 0 the format, words 1 to 14
  // the arguments), which the host runtime reads too.
  int32_t printfLocal = 0;
  // The global parameter block.
  int32_t globalstart = 0;
};
extern VariableSpace vars;

// An empty symbol table (but for MAIN, symbol 0, not yet defined) and an
// empty variable area of the firmware's size.
void reset_symbols();
// Every name, type, address and size zero, as at start-up. A new program
// (CLEAR) does not do this: the symbol page of its image shows what an
// earlier one left behind its own symbols, as it always has.
void clear_symbol_tables();

// Enters a name (the same name may be entered again); returns its index,
// or -1 after "Too Many Symbols" or "Too Many Symbols(2)".
int32_t add_symbol(const char *name, int length);
// Index + 1 of the earliest symbol at or after firstIndex with the name,
// or 0. Finding takes the same time however many symbols there are: a hash
// index beside the table follows it.
int32_t scan_symbols(const char *name, int length, int firstIndex);
// Index + 1 of the name: among the locals first, then among all symbols.
int32_t is_symbol(const char *name, int length);
// Offset of the symbol's name in g_symboltable.
uint32_t find_symbol(int index);

bool is_intPtr(uint16_t t);
bool is_iarray(uint16_t t);
bool is_iarrayPtr(uint16_t t);
bool is_string(uint16_t t);
bool is_strPtr(uint16_t t);
bool is_fvariable(uint16_t t);
bool is_farray(uint16_t t);
bool is_fltPtr(uint16_t t);
bool is_farrayPtr(uint16_t t);
bool is_funct(uint16_t t);
bool is_label(uint16_t t);
bool is_ivariable(uint16_t t);

// Takes words from the top of the array area; false, after "Too Many
// Variables", when they would meet the simple variables.
bool allocate_array_words(int32_t words);

bool check_labels(int first, int last);
