#include "frontend/keywords.h"

namespace {
constexpr int length_of(const char *s) {
  int n = 0;
  while (s[n]) n++;
  return n;
}

constexpr bool table_is_ordered() {
  for (int i = 2; i < KEYWORD_COUNT; i++)
    if (static_cast<signed char>(keyword_table[i - 1].name[0]) >
        static_cast<signed char>(keyword_table[i].name[0]))
      return false;
  return true;
}
static_assert(table_is_ordered(), "keywords must be grouped by first character in order");

// Where the search for a word starting with each byte begins: the first
// entry whose first character is not below it.
struct FirstEntries {
  uint8_t index[256];
};
constexpr FirstEntries first_entries() {
  FirstEntries f{};
  for (int c = 0; c < 256; c++) {
    int i = 1;
    while (i < KEYWORD_COUNT - 1 &&
           static_cast<signed char>(keyword_table[i].name[0]) < static_cast<signed char>(c))
      i++;
    f.index[c] = static_cast<uint8_t>(i);
  }
  return f;
}
constexpr FirstEntries first_entry = first_entries();
static_assert(KEYWORD_COUNT <= 256, "entry indices fit in a byte");

// The length of each entry's name.
struct Lengths {
  uint8_t of[KEYWORD_COUNT];
};
constexpr Lengths lengths() {
  Lengths l{};
  for (int i = 0; i < KEYWORD_COUNT; i++) l.of[i] = static_cast<uint8_t>(length_of(keyword_table[i].name));
  return l;
}
constexpr Lengths keyword_length = lengths();
}  // namespace

int is_keyword(const char *word, int length) {
  if (length <= 0) return 0;
  signed char first = static_cast<signed char>(word[0]);
  for (int i = first_entry.index[static_cast<uint8_t>(first)]; i < KEYWORD_COUNT - 1; i++) {
    const char *name = keyword_table[i].name;
    if (static_cast<signed char>(name[0]) != first) return 0;
    if (keyword_length.of[i] != length) continue;
    int k = 1;
    while (k < length && name[k] == word[k]) k++;
    if (k == length) return i;
  }
  return 0;
}
