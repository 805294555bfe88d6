#include "lsp/keyword_list.h"

#include <algorithm>

#include "frontend/keywords.h"

namespace lsp {

namespace {

bool is_word(const char *name) {
  char c = name[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

std::vector<std::string> collect() {
  std::vector<std::string> words;
  for (const Keyword &k : keyword_table) {
    if (k.code == 0 || !is_word(k.name)) continue;  // the two ends of the table, punctuation
    if (std::find(words.begin(), words.end(), k.name) == words.end()) words.emplace_back(k.name);
  }
  return words;
}

}  // namespace

const std::vector<std::string> &dialect_keywords() {
  static const std::vector<std::string> words = collect();
  return words;
}

}  // namespace lsp
