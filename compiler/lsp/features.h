// The answers to the editor's questions, from a program's Analysis and the
// texts of its files: diagnostics, definition, hover, outline, completion.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lsp/analysis.h"
#include "lsp/json_rpc.h"

namespace lsp {

// A name in a line, as the compiler reads it: a letter or '_' and then name
// characters, with a '$' right after them belonging to it.
struct Word {
  std::string name;  // folded as the compiler folds names (upper case, 31 characters and the '$')
  size_t begin = 0;  // byte offsets in the line
  size_t end = 0;
};
// The name at or just before byte offset in line, if any.
std::optional<Word> word_at(std::string_view line, size_t offset);

// The declaration that name means at line (1-based) of path: a local of the
// routine around that line first, then a global.
const SymbolInfo *resolve(const Analysis &analysis, std::string_view path, uint32_t line, std::string_view name);
// The routine whose body holds line (1-based) of path, if any.
const SymbolInfo *routine_at(const Analysis &analysis, std::string_view path, uint32_t line);

// LSP Diagnostic objects for the messages about path.
json diagnostics_for(const Analysis &analysis, const std::string &path, const TextSource &texts);
// An LSP Location of a symbol's name.
json location_of(const SymbolInfo &symbol, const TextSource &texts);
// LSP Hover contents (markdown) for a symbol.
std::string hover_text(const Analysis &analysis, const SymbolInfo &symbol);
// LSP DocumentSymbol objects for the declarations in path: routines with
// their locals inside them.
json document_symbols(const Analysis &analysis, const std::string &path, const TextSource &texts);
// LSP CompletionItem objects: the dialect's keywords, then the symbols in
// scope at line (1-based) of path; analysis may be null (keywords only).
json completion_items(const Analysis *analysis, const std::string &path, uint32_t line);

}  // namespace lsp
