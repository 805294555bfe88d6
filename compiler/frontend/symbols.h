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
// A SUB or FUNCTION with a descriptor of its own: 0x80 + its number.
// Variables have letters (64 to 127); the letters also mark the kinds of
// parameters and results in the routines' descriptors.
constexpr uint8_t SYM_INTEGER = 'A';
constexpr uint8_t SYM_SINGLE = 'C';
constexpr uint8_t SYM_STRING = 'R';  // STRING or BYTE array
constexpr uint8_t SYM_INT_ARRAY = 'Q';
constexpr uint8_t SYM_SINGLE_ARRAY = 'S';
constexpr uint8_t SYM_PARAM_ARRAY = 'P';
// By reference: the variable holds the address of its value.
constexpr uint8_t SYM_INT_PTR = 'I';
constexpr uint8_t SYM_SINGLE_PTR = 'K';
constexpr uint8_t SYM_STRING_PTR = 'X';
constexpr uint8_t SYM_INT_ARRAY_PTR = 'Y';
constexpr uint8_t SYM_SINGLE_ARRAY_PTR = '[';
inline bool is_variable_type(int type) { return type >= 64 && type <= 127; }

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
// The PRINTF block, the global parameter block and a parameter array are
// 16 words: up to 15 values, and in a parameter array the count last.
constexpr int32_t PARAM_BLOCK_WORDS = 16;

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
// These two also declare: a new name becomes an undefined label, or (unless
// requireDIM is set, which reports "Undefined Label") an INTEGER variable at
// the next free word ("Too Many Variables" when there is none).
bool is_label_or_declare(uint16_t t);
bool is_ivariable_or_declare(uint16_t t);

// Takes words from the top of the array area; false, after "Too Many
// Variables", when they would meet the simple variables.
bool allocate_array_words(int32_t words);

bool check_labels(int first, int last);
