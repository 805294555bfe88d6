// The dialect's keywords as written in source, taken from the compiler's own
// keyword list so that completion and the editor grammar never drift from it.
#pragma once
#include <string>
#include <vector>

namespace lsp {

// The words of the keyword list (not its punctuation), each once, in the
// list's order.
const std::vector<std::string> &dialect_keywords();

}  // namespace lsp
