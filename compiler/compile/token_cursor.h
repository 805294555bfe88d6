// Walking the current token list, and the token classes the compilers test.
#pragma once
#include <cstdint>

#include "frontend/diagnostics.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"

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

// The type of the symbol a token names, or -1 for any other token.
inline int type_of(uint16_t t) { return is_symbol_token(t) ? g_symbol_type[symbol_of(t)] : -1; }

// True when the current token is t; otherwise reports msg.
inline bool expect_token(uint16_t t, const char *msg) {
  if (cursor.g_token == t) return true;
  print_error_ln(msg);
  return false;
}
