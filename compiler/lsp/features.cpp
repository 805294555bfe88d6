#include "lsp/features.h"

#include <set>

#include "frontend/tokenizer.h"
#include "lsp/keyword_list.h"
#include "lsp/text.h"
#include "lsp/uri.h"

namespace lsp {

namespace {

// LSP enumerations.
enum LspSymbolKind { SK_FUNCTION = 12, SK_VARIABLE = 13, SK_CONSTANT = 14, SK_STRING = 15, SK_KEY = 20, SK_ARRAY = 18 };
enum LspCompletionKind { CK_FUNCTION = 3, CK_VARIABLE = 6, CK_KEYWORD = 14, CK_REFERENCE = 18, CK_CONSTANT = 21 };
constexpr int SEVERITY_ERROR = 1, SEVERITY_WARNING = 2;
// The compiler keeps this many characters of a name, and a '$'.
constexpr size_t NAME_SIGNIFICANT = 31;

bool name_char(char c) { return is_alpha_num(static_cast<uint8_t>(c)); }
bool name_start(char c) {
  auto u = static_cast<uint8_t>(c);
  return is_alpha(u) || to_upper(u) == '_';
}

json position(uint32_t line, uint32_t character) { return {{"line", line}, {"character", character}}; }

json range(uint32_t line, uint32_t start, uint32_t end) {
  return {{"start", position(line, start)}, {"end", position(line, end)}};
}

// The UTF-16 range of the name (or of whatever the compiler complained
// about) at 1-based line and byte column of a file's text: the name, number
// or string that starts there, or the line's text when the column is not
// known.
json range_at(const std::optional<std::string> &text, uint32_t line, uint32_t column, size_t length_hint = 0) {
  uint32_t l = line > 0 ? line - 1 : 0;
  if (!text) return range(l, column > 0 ? column - 1 : 0, column > 0 ? column - 1 + length_hint : 0);
  LineIndex lines(*text);
  std::string_view s = lines.line(l);
  size_t begin, end;
  if (column == 0 || line == 0) {
    begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos || line == 0) begin = 0;
    end = line == 0 ? 0 : s.size();
  } else {
    begin = std::min<size_t>(column - 1, s.size());
    end = begin;
    if (end < s.size() && s[end] == '"') {
      size_t close = s.find('"', end + 1);
      end = close == std::string_view::npos ? s.size() : close + 1;
    } else {
      while (end < s.size() && name_char(s[end])) end++;
      if (end < s.size() && s[end] == '$' && end > begin) end++;
      if (end == begin && end < s.size()) end++;
    }
  }
  return range(l, utf16_character(s, begin), utf16_character(s, end));
}

int symbol_kind(SymbolKind k) {
  switch (k) {
    case SymbolKind::Label:
    case SymbolKind::UndefinedLabel: return SK_KEY;
    case SymbolKind::Function:
    case SymbolKind::Sub: return SK_FUNCTION;
    case SymbolKind::Array: return SK_ARRAY;
    case SymbolKind::String: return SK_STRING;
    case SymbolKind::Constant: return SK_CONSTANT;
    default: return SK_VARIABLE;
  }
}

int completion_kind(SymbolKind k) {
  switch (k) {
    case SymbolKind::Label:
    case SymbolKind::UndefinedLabel: return CK_REFERENCE;
    case SymbolKind::Function:
    case SymbolKind::Sub: return CK_FUNCTION;
    case SymbolKind::Constant: return CK_CONSTANT;
    default: return CK_VARIABLE;
  }
}

bool is_routine(const SymbolInfo &s) { return s.kind == SymbolKind::Function || s.kind == SymbolKind::Sub; }

const std::string &shown(const SymbolInfo &s) { return s.written.empty() ? s.name : s.written; }

std::string hex8(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

}  // namespace

std::optional<Word> word_at(std::string_view line, size_t offset) {
  offset = std::min(offset, line.size());
  // The cursor may stand on the name, just after it, or on or after its '$'.
  size_t at = offset;
  if (at < line.size() && name_char(line[at])) {
  } else if (at >= 1 && name_char(line[at - 1])) {
    at -= 1;
  } else if (at >= 2 && line[at - 1] == '$' && name_char(line[at - 2])) {
    at -= 2;
  } else {
    return std::nullopt;
  }
  size_t begin = at, end = at;
  while (begin > 0 && name_char(line[begin - 1])) begin--;
  while (end < line.size() && name_char(line[end])) end++;
  // Digits cannot start a name: the tokenizer reads "0X1F" as 0 and X1F.
  while (begin < end && !name_start(line[begin])) begin++;
  if (begin == end || at < begin) return std::nullopt;
  Word w;
  w.begin = begin;
  for (size_t i = begin; i < end && w.name.size() < NAME_SIGNIFICANT; i++)
    w.name += static_cast<char>(to_upper(static_cast<uint8_t>(line[i])));
  if (end < line.size() && line[end] == '$') {
    w.name += '$';
    end++;
  }
  w.end = end;
  return w;
}

const SymbolInfo *routine_at(const Analysis &analysis, std::string_view path, uint32_t line) {
  for (const SymbolInfo &s : analysis.symbols)
    if (is_routine(s) && s.path == path && s.line <= line && (s.end_line == 0 || line <= s.end_line)) return &s;
  return nullptr;
}

const SymbolInfo *resolve(const Analysis &analysis, std::string_view path, uint32_t line, std::string_view name) {
  if (const SymbolInfo *routine = routine_at(analysis, path, line)) {
    auto scope = static_cast<int32_t>(routine - analysis.symbols.data());
    for (const SymbolInfo &s : analysis.symbols)
      if (s.scope == scope && s.name == name) return &s;
  }
  for (const SymbolInfo &s : analysis.symbols)
    if (s.scope < 0 && s.name == name) return &s;
  return nullptr;
}

json diagnostics_for(const Analysis &analysis, const std::string &path, const TextSource &texts) {
  json out = json::array();
  std::optional<std::string> text;
  bool loaded = false;
  for (const FileDiagnostic &d : analysis.diagnostics) {
    // Messages about no file in particular go with the main file.
    if (d.path != path && !(d.path.empty() && path == analysis.root)) continue;
    if (!loaded) text = texts(path), loaded = true;
    out.push_back({{"range", range_at(text, d.line, d.column)},
                   {"severity", d.error ? SEVERITY_ERROR : SEVERITY_WARNING},
                   {"source", "ombrik"},
                   {"message", d.message}});
  }
  return out;
}

json location_of(const SymbolInfo &symbol, const TextSource &texts) {
  return {{"uri", path_to_uri(symbol.path)},
          {"range", range_at(texts(symbol.path), symbol.line, symbol.column, symbol.name.size())}};
}

std::string hover_text(const Analysis &analysis, const SymbolInfo &symbol) {
  std::string text = "```\n";
  text += (is_routine(symbol) && !symbol.detail.empty() ? symbol.detail : shown(symbol)) + "\n```\n\n";
  text += symbol.description;
  if (symbol.scope >= 0) text += ", local to " + shown(analysis.symbols[static_cast<size_t>(symbol.scope)]);
  if (symbol.kind == SymbolKind::Constant && !symbol.detail.empty()) text += " = " + symbol.detail;
  text += "\n\n";
  if (!symbol.map_kind.empty()) {
    text += "Symbol map: `" + symbol.map_kind + "` at `" + hex8(symbol.map_address) + "`, ";
    text += is_routine(symbol) ? std::to_string(symbol.map_size) + (symbol.map_size == 1 ? " parameter" : " parameters")
                               : "size " + std::to_string(symbol.map_size);
    text += "\n\n";
  }
  text += "Declared in " + symbol.path.substr(symbol.path.find_last_of('/') + 1) + ", line " +
          std::to_string(symbol.line);
  return text;
}

json document_symbols(const Analysis &analysis, const std::string &path, const TextSource &texts) {
  std::optional<std::string> text = texts(path);
  auto entry = [&](const SymbolInfo &s) {
    json name_range = range_at(text, s.line, s.column, s.name.size());
    json whole = name_range;
    if (is_routine(s)) {
      uint32_t last = s.end_line ? s.end_line : s.line;
      uint32_t end_character = 0;
      if (text) end_character = utf16_length(LineIndex(*text).line(last - 1));
      whole = {{"start", position(s.line - 1, 0)}, {"end", position(last - 1, end_character)}};
    }
    return json{{"name", shown(s)},
                {"detail", s.description},
                {"kind", symbol_kind(s.kind)},
                {"range", whole},
                {"selectionRange", name_range},
                {"children", json::array()}};
  };
  json out = json::array();
  std::vector<int64_t> slot(analysis.symbols.size(), -1);  // where a routine went in out
  for (size_t i = 0; i < analysis.symbols.size(); i++) {
    const SymbolInfo &s = analysis.symbols[i];
    if (s.path != path || s.kind == SymbolKind::UndefinedLabel || s.line == 0) continue;
    if (s.scope >= 0 && slot[static_cast<size_t>(s.scope)] >= 0) {
      out[static_cast<size_t>(slot[static_cast<size_t>(s.scope)])]["children"].push_back(entry(s));
      continue;
    }
    if (is_routine(s)) slot[i] = static_cast<int64_t>(out.size());
    out.push_back(entry(s));
  }
  return out;
}

json completion_items(const Analysis *analysis, const std::string &path, uint32_t line) {
  json items = json::array();
  for (const std::string &word : dialect_keywords())
    items.push_back({{"label", word}, {"kind", CK_KEYWORD}, {"detail", "keyword"}});
  if (!analysis) return items;
  std::set<std::string> seen;
  auto add = [&](const SymbolInfo &s) {
    if (!seen.insert(s.name).second) return;
    items.push_back({{"label", shown(s)}, {"kind", completion_kind(s.kind)}, {"detail", s.description}});
  };
  // Locals first: they hide globals of the same name.
  if (const SymbolInfo *routine = routine_at(*analysis, path, line)) {
    auto scope = static_cast<int32_t>(routine - analysis->symbols.data());
    for (const SymbolInfo &s : analysis->symbols)
      if (s.scope == scope) add(s);
  }
  for (const SymbolInfo &s : analysis->symbols)
    if (s.scope < 0) add(s);
  return items;
}

}  // namespace lsp
