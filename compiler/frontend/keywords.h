// The keyword table: spellings and token codes, ordered by first character.
#pragma once
#include <cstdint>

struct Keyword {
  const char *name;
  uint16_t code;
};

// The keywords of tokens.def, which lists them by first character in ASCII
// order: is_keyword relies on it. Entry 0 is never matched; the last entry
// (DEL) ends every search.
inline constexpr Keyword keyword_table[] = {
    {" ", 0},
#define KEYWORD(name, spelling, code) {spelling, code},
#define TOKEN(name, code)
#include "frontend/tokens.def"
#undef KEYWORD
#undef TOKEN
    {"\x7F", 0},
};
constexpr int KEYWORD_COUNT = static_cast<int>(sizeof keyword_table / sizeof keyword_table[0]);

// Index of the keyword spelled word[0..length), or 0 when there is none.
int is_keyword(const char *word, int length);
