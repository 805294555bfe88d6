// Walking the current token list, and the token classes the compilers test.
#pragma once
#include <cstdint>

#include "frontend/diagnostics.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"

// Token codes of keywords and punctuation that the compilers look for.
namespace tok {
constexpr uint16_t MUL = 4, MINUS = 17, EQ = 32, NE = 37, AND = 40, ABS = 119, NOT = 114;
constexpr uint16_t ADDRESSOF = 166, CHR = 222, COMMA = 223, TO = 224, DOWNTO = 225, STEP = 226;
constexpr uint16_t THEN = 227, IF = 234, ELSE = 233, SEMICOLON = 251, COLON = 252;
constexpr uint16_t LPAREN = 253, RPAREN = 254, INTEGER = 214, STRING = 200, SPRINTF = 162;
constexpr uint16_t LEFT = 29, RIGHT = 30, STR = 123, HEX = 120, FILEREADDIR = 177, UDPIN = 184;
constexpr uint16_t CGIIN = 188, PLUS = 16, SUB = 142;
}  // namespace tok

inline uint16_t token_at(int index) {
  return index < TOKENLIST_SIZE ? g_tokenlist[index] : TOK_EOL;
}
inline uint16_t next_token() { return token_at(cursor.g_tokenptr + 1); }

// Moves the cursor one token on; the list is filled with end-of-line tokens
// up to its end, so the cursor never leaves it.
inline void advance() {
  if (cursor.g_tokenptr < TOKENLIST_SIZE - 1) cursor.g_tokenptr++;
  cursor.g_token = g_tokenlist[cursor.g_tokenptr];
}
inline void step_back() {
  if (cursor.g_tokenptr > 0) cursor.g_tokenptr--;
  cursor.g_token = g_tokenlist[cursor.g_tokenptr];
}
inline void set_cursor(uint8_t index) {
  cursor.g_tokenptr = index;
  cursor.g_token = g_tokenlist[cursor.g_tokenptr];
}

inline bool is_int_literal(uint16_t t) { return (t & 0xF000) == TOK_INTEGER; }
inline bool is_flt_literal(uint16_t t) { return (t & 0xF000) == TOK_SINGLE; }
inline bool is_str_literal(uint16_t t) { return (t & 0xC000) == TOK_STRING; }
inline bool is_symbol_token(uint16_t t) { return (t & TOK_SYMBOL) != 0; }
inline int symbol_of(uint16_t t) { return t & 0x7FFF; }
inline int literal_slot(uint16_t t) { return t & 0xFFF; }
// The type of the symbol a token names, or -1 for any other token.
inline int type_of(uint16_t t) { return is_symbol_token(t) ? g_symbol_type[symbol_of(t)] : -1; }
inline bool is_comparison(uint16_t t) { return t >= 32 && t <= 37; }

// True when the current token is t; otherwise reports msg.
inline bool expect_token(uint16_t t, const char *msg) {
  if (cursor.g_token == t) return true;
  print_error_ln(msg);
  return false;
}
