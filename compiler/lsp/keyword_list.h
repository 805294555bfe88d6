// The dialect's keywords as written in source, taken from the compiler's own
// keyword list so that completion and the editor grammar never drift from it.
#pragma once
#include <string>
#include <vector>

namespace lsp {

// The words of the keyword list, each once, in the list's order.
const std::vector<std::string> &dialect_keywords();
// The one-character punctuation entries of the list ("&", "(", ...).
const std::string &dialect_punctuation();

}  // namespace lsp
