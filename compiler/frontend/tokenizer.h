// Line reader and tokenizer: the current line, its tokens and literals, and
// the constant string area the string literals are written into.
#pragma once
#include <cstdint>

#include "frontend/line_reader.h"
#include "frontend/tokens.h"

constexpr int TOKENLIST_SIZE = 128;
constexpr int CONSTANTS_SIZE = 32;
constexpr int32_t STRINGTABLE_SIZE = 131072;
constexpr int CSTRINGADDR_SIZE = 32768;
// String tokens are 0x4000 + n with 14 bits for n.
constexpr int STRING_LITERALS_MAX = 16384;

extern uint16_t g_tokenlist[TOKENLIST_SIZE];
// The 0-based column in the line of each token's first character; the
// end-of-line tokens have the line's length.
extern uint8_t g_tokencolumn[TOKENLIST_SIZE];
extern int32_t g_constants[CONSTANTS_SIZE];
extern char g_stringtable[STRINGTABLE_SIZE];
extern int32_t CStringAddr[CSTRINGADDR_SIZE];

// The token cursor of the current line, and what parse_number found.
struct TokenState {
  uint8_t g_tokenptr = 0;
  uint16_t g_token = TOK_EOL;
  uint8_t number_error = 0;
  int32_t num_digits = 0;
  // The last line read was one of the driver's (a line marker, a table
  // download, an echo of the compiler's own output), not source.
  uint8_t driver_line = 0;
};
extern TokenState cursor;

// The constant string area g_stringtable fills downward from its top
// (0x20000); __MAP__ CONST may start it lower, at CONSToffset.
struct ConstantStrings {
  int32_t ConstantStringPtr = 0x20000;
  uint16_t ConstantStringCounter = 0;
  int32_t CONSToffset = 0x20000;
};
extern ConstantStrings cstrings;

// An empty constant string area.
void reset_constant_strings();
// Every byte of the constant string area zero, as at start-up. A new program
// (CLEAR) does not do this: its image shows what an earlier one left in the
// record its strings begin in, as it always has.
void clear_constant_strings();
// Reports "Out of String space" and ends the process with status 5.
[[noreturn]] void out_of_string_space();
// Reports a constant string area that has run below its start.
void checkStringDataPtrs();

int read_tokenize_line();
// The 1-based column an error report points at: while a line is being
// tokenized, the token being read; else the token at the cursor.
uint32_t error_column();
bool start_number(char c, char next);
double parse_number(const char *text, int &pos, int length, int hexDefault);
int nextIsAddCHR(int pos);
int nextIsAddStr(int pos);
uint16_t nextConstantString();
void not_eoln();
// Declaration type codes, as lookahead4dim gives them.
constexpr int DIM_INTEGER = 1, DIM_BYTE = 2, DIM_SINGLE = 3, DIM_STRING = 18;
// The type an AS clause ahead on the line names; INTEGER without one.
int lookahead4dim();

// Character classes on 8-bit characters; bytes from 0x80 fold like ASCII.
inline uint8_t to_upper(uint8_t c) { return c < 65 ? c : (c & 0x5F); }
inline bool is_alpha(uint8_t c) { uint8_t u = to_upper(c); return u >= 'A' && u <= 'Z'; }
inline bool is_num(uint8_t c) { return c >= '0' && c <= '9'; }
inline bool is_alpha_num(uint8_t c) { uint8_t u = to_upper(c); return (u >= 'A' && u <= 'Z') || is_num(u) || u == '_'; }
