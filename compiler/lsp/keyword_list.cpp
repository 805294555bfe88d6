#include "lsp/keyword_list.h"

#include <algorithm>

namespace lsp {

namespace {

bool is_word(const char *name) {
  char c = name[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// Every keyword spelling of the compiler's one list of tokens.
template <typename Take>
void each_keyword(Take take) {
#define KEYWORD(name, spelling, code) take(spelling);
#define TOKEN(name, code)
#include "frontend/tokens.def"
#undef KEYWORD
#undef TOKEN
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
