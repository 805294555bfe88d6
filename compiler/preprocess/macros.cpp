#include "preprocess/macros.h"

#include "preprocess/line_lexer.h"

namespace ombrik {

bool MacroTable::define(std::string_view name, std::string_view text) {
  auto [it, inserted] = macros_.try_emplace(fold_name(name));
  bool same = inserted || it->second.text == text;
  it->second.text = std::string(text);
  return same;
}

void MacroTable::undefine(std::string_view name) { macros_.erase(fold_name(name)); }

bool MacroTable::defined(std::string_view name) const { return find(name) != nullptr; }

const Macro *MacroTable::find(std::string_view name) const {
  auto it = macros_.find(fold_name(name));
  return it == macros_.end() ? nullptr : &it->second;
}

bool MacroTable::expand(std::string_view line, std::string &out, std::vector<uint32_t> &columns,
                        std::string &error) const {
  out.clear();
  columns.clear();
  std::set<std::string> active;
  return expand_into(line, active, 0, -1, out, columns, error);
}

// column is -1 for the line itself (each byte keeps its own column), else
// the column every byte of this replacement is attributed to.
bool MacroTable::expand_into(std::string_view text, std::set<std::string> &active, int depth, int32_t column,
                             std::string &out, std::vector<uint32_t> &columns, std::string &error) const {
  if (depth > NESTING_MAX) {
    error = "macros nested more than " + std::to_string(NESTING_MAX) + " deep";
    return false;
  }
  for (const Span &s : scan_line(text)) {
    std::string_view piece = text.substr(s.begin, s.end - s.begin);
    if (s.kind == SpanKind::Word) {
      std::string key = fold_name(piece);
      auto it = macros_.find(key);
      if (it != macros_.end() && !active.count(key)) {
        active.insert(key);
        int32_t at = column >= 0 ? column : static_cast<int32_t>(s.begin);
        bool ok = expand_into(it->second.text, active, depth + 1, at, out, columns, error);
        active.erase(key);
        if (!ok) return false;
        continue;
      }
    }
    if (out.size() + piece.size() > EXPANDED_LINE_MAX) {
      error = "line longer than " + std::to_string(EXPANDED_LINE_MAX) + " characters after macro replacement";
      return false;
    }
    out.append(piece);
    for (size_t k = 0; k < piece.size(); k++)
      columns.push_back(column >= 0 ? static_cast<uint32_t>(column) : static_cast<uint32_t>(s.begin + k));
  }
  return true;
}

}  // namespace ombrik
