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
}  // namespace

int is_keyword(const char *word, int length) {
  if (length <= 0) return 0;
  signed char first = static_cast<signed char>(word[0]);
  int i = 1;
  while (i < KEYWORD_COUNT - 1 && static_cast<signed char>(keyword_table[i].name[0]) < first) i++;
  for (; i < KEYWORD_COUNT - 1; i++) {
    const char *name = keyword_table[i].name;
    if (static_cast<signed char>(name[0]) != first) return 0;
    if (length_of(name) != length) continue;
    int k = 1;
    while (k < length && name[k] == word[k]) k++;
    if (k == length) return i;
  }
  return 0;
}
