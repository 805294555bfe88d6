#include "lsp/keyword_list.h"

#include <algorithm>

#include "frontend/keywords.h"

namespace lsp {

namespace {

bool is_word(const char *name) {
  char c = name[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// Entries with code 0 are the two ends of the table, never matched.
template <typename Take>
void each_keyword(Take take) {
  for (const Keyword &k : keyword_table)
    if (k.code != 0) take(k.name);
}

}  // namespace

const std::vector<std::string> &dialect_keywords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> out;
    each_keyword([&](const char *name) {
      if (is_word(name) && std::find(out.begin(), out.end(), name) == out.end()) out.emplace_back(name);
    });
    return out;
  }();
  return words;
}

const std::string &dialect_punctuation() {
  static const std::string marks = [] {
    std::string out;
    each_keyword([&](const char *name) {
      if (!is_word(name) && name[1] == 0) out += name[0];
    });
    return out;
  }();
  return marks;
}

}  // namespace lsp
