#include "lsp/compile.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <utility>

#include "compile/expression.h"
#include "compile/procedures.h"
#include "compile/symbol_map.h"
#include "core/firmware.h"
#include "frontend/declarations.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"
#include "lsp/features.h"
#include "lsp/text.h"
#include "preprocess/preprocess.h"
#include "session/session.h"

namespace lsp {

namespace {

namespace fs = std::filesystem;

// How the compile names files, and back: relative to the workspace folder
// when under it, else absolute. A main file without a path (a new buffer
// the editor names by a URI) keeps its name.
struct Names {
  std::string root;
  std::string main;
  std::string name_of(const std::string &path) const {
    if (root.empty() || !fs::path(path).is_absolute()) return path;
    fs::path rel = fs::path(path).lexically_relative(root);
    if (rel.empty() || *rel.begin() == "..") return path;
    return rel.string();
  }
  std::string path_of(const std::string &name) const {
    if (name == name_of(main)) return main;
    fs::path p(name);
    if (p.is_relative() && !root.empty()) p = fs::path(root) / p;
    return p.lexically_normal().string();
  }
};

// Word of a symbol type, as hover shows it.
std::string describe(uint8_t type) {
  switch (type) {
    case SYM_INTEGER: return "INTEGER variable";
    case SYM_SINGLE: return "SINGLE variable";
    case SYM_INT_ARRAY: return "INTEGER array";
    case SYM_SINGLE_ARRAY: return "SINGLE array";
    case SYM_STRING: return "STRING or BYTE array";
    case SYM_PARAM_ARRAY: return "PARAMARRAY parameter";
    case SYM_INT_PTR: return "INTEGER parameter by reference";
    case SYM_SINGLE_PTR: return "SINGLE parameter by reference";
    case SYM_STRING_PTR: return "STRING parameter by reference";
    case SYM_INT_ARRAY_PTR: return "INTEGER array parameter by reference";
    case SYM_SINGLE_ARRAY_PTR: return "SINGLE array parameter by reference";
    case SYM_LABEL: return "label";
    case SYM_UNDEF_LABEL: return "label, not defined";
    case SYM_CONSTANT: return "constant";
    case SYM_WORD_TABLE: return "constant INTEGER table";
    case SYM_CSTRING: return "constant string";
    default: return "symbol";
  }
}

SymbolKind kind_of(uint8_t type) {
  switch (type) {
    case SYM_LABEL: return SymbolKind::Label;
    case SYM_UNDEF_LABEL: return SymbolKind::UndefinedLabel;
    case SYM_INTEGER:
    case SYM_SINGLE: return SymbolKind::Variable;
    case SYM_INT_ARRAY:
    case SYM_SINGLE_ARRAY:
    case SYM_PARAM_ARRAY: return SymbolKind::Array;
    case SYM_STRING: return SymbolKind::String;
    case SYM_INT_PTR:
    case SYM_SINGLE_PTR:
    case SYM_STRING_PTR:
    case SYM_INT_ARRAY_PTR:
    case SYM_SINGLE_ARRAY_PTR: return SymbolKind::Pointer;
    case SYM_CONSTANT:
    case SYM_WORD_TABLE:
    case SYM_CSTRING: return SymbolKind::Constant;
    default: return SymbolKind::Other;
  }
}

std::string constant_value(int32_t addr, int32_t size) {
  if (size != CONST_IS_SINGLE) return std::to_string(addr);
  float f;
  static_assert(sizeof f == sizeof addr);
  std::memcpy(&f, &addr, sizeof f);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(f));
  return buf;
}

std::string trimmed(std::string_view s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t\r\n");
  return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
}

// The symbols the declaration table holds, with their final type, address
// and size: a closed local's from its entry, the others' from the symbol
// table the compile left behind.
void read_declarations(const ombrik::PreprocessResult &source, const Names &names, const TextSource &texts,
                       Analysis &a) {
  // Source lines by file name and line, for the columns as written.
  std::map<std::pair<std::string, uint32_t>, const ombrik::OutputLine *> lines;
  for (const ombrik::OutputLine &l : source.lines)
    if (l.file >= 0) lines.emplace(std::make_pair(source.file_names[static_cast<size_t>(l.file)], l.line), &l);
  // The files' texts and lines, read once each.
  struct FileLines {
    std::optional<std::string> text;
    std::optional<LineIndex> lines;
  };
  std::map<std::string, FileLines> files;

  std::vector<int32_t> index(static_cast<size_t>(decls.count), -1);
  for (int32_t i = 0; i < decls.count; i++) {
    const Declaration &d = declarations[i];
    uint8_t type;
    int32_t addr, size;
    if (d.closed) {
      type = d.type, addr = d.addr, size = d.size;
    } else if (d.symbol < symtab.g_symbolcount &&
               (d.symbol == 0 || strcmp(g_symboltable + find_symbol(d.symbol), d.name) == 0)) {
      type = g_symbol_type[d.symbol], addr = g_symboladdr[d.symbol], size = g_symbolsize[d.symbol];
    } else {
      continue;
    }
    // A declaration that failed left its symbol untyped; a label used and
    // defined later has its definition's entry.
    if (type == SYM_NEW || type == SYM_NEW_STR) continue;
    if (d.first_use && type != SYM_UNDEF_LABEL) continue;

    SymbolInfo s;
    s.name = d.name;
    const char *file_name = declaration_files[d.file];
    s.path = names.path_of(file_name);
    s.line = d.line;
    auto at = lines.find({file_name, d.line});
    s.column = at != lines.end() ? at->second->written_column(d.column) : d.column;
    s.scope = d.routine >= 0 ? index[static_cast<size_t>(d.routine)] : -1;
    s.end_line = d.end_line;
    auto file = files.find(s.path);
    if (file == files.end()) {
      file = files.emplace(s.path, FileLines{texts(s.path), std::nullopt}).first;
      if (file->second.text) file->second.lines.emplace(*file->second.text);
    }
    std::string_view written_line;
    if (file->second.lines && s.line > 0) written_line = file->second.lines->line(s.line - 1);
    if (std::optional<Word> w = word_at(written_line, s.column > 0 ? s.column - 1 : 0); w && w->name == s.name)
      s.written = std::string(written_line.substr(w->begin, w->end - w->begin));

    if (type & 0x80) {
      uint16_t token = static_cast<uint16_t>(TOK_SYMBOL + d.symbol);
      uint8_t result = function_result(token);
      s.kind = result ? SymbolKind::Function : SymbolKind::Sub;
      s.description = !result                ? "SUB"
                      : result == SYM_STRING ? "FUNCTION AS STRING"
                      : result == SYM_SINGLE ? "FUNCTION AS SINGLE"
                                             : "FUNCTION AS INTEGER";
      s.map_kind = trimmed(routine_map_kind(d.symbol));
      s.map_address = code_unit_address(static_cast<uint32_t>(addr));
      int params = 0;
      for (int slot = function_first_slot(token) + 1; !is_end_mark(slot); slot++) params++;
      s.map_size = params;
      s.detail = trimmed(written_line);
    } else {
      s.kind = kind_of(type);
      s.description = describe(type);
      if (type != SYM_UNDEF_LABEL) {
        MapEntry e = map_entry(type, addr, size);
        s.map_kind = e.kind;
        s.map_address = e.address;
        s.map_size = e.size;
      }
      if (type == SYM_CONSTANT) s.detail = constant_value(addr, size);
    }
    index[static_cast<size_t>(i)] = static_cast<int32_t>(a.symbols.size());
    a.symbols.push_back(std::move(s));
  }
}

}  // namespace

Analysis compile_for_editor(const CompileRequest &request) {
  Analysis a;
  a.root = request.main;
  a.files.push_back(request.main);
  Names names{request.root, request.main};
  std::optional<std::string> text = request.read(request.main);
  if (!text) {
    a.diagnostics.push_back({request.main, 0, 0, true, "cannot read the file"});
    return a;
  }

  ombrik::PreprocessOptions options;
  options.include_dirs = request.include_dirs;
  options.read_file = [&](const std::string &name) {
    ombrik::FileRead r;
    std::string path = names.path_of(name);
    if (std::optional<std::string> t = request.read(path)) {
      r.status = ombrik::FileRead::Ok;
      r.text = std::move(*t);
      r.identity = path;
    }
    return r;
  };
  ombrik::PreprocessResult source = ombrik::preprocess(names.name_of(request.main), *text, options, request.main);

  ombrik::FirmwareTable table;
  bool have_table = false;
  if (!request.table.empty()) {
    std::string error;
    have_table = ombrik::read_firmware_table(request.table, table, error);
    if (!have_table)
      a.diagnostics.push_back({request.table, 0, 0, true, error + "; compiling with the built-in table"});
  }
  ombrik::CompileResult result =
      ombrik::compile_program(source, have_table ? &table : nullptr, ombrik::CompileAction::Check);

  a.files.clear();
  for (const std::string &name : source.file_names) a.files.push_back(names.path_of(name));
  if (a.files.empty()) a.files.push_back(request.main);
  read_declarations(source, names, request.read, a);

  for (const ombrik::Diagnostic &d : result.diagnostics) {
    FileDiagnostic f{d.file.empty() ? std::string() : names.path_of(d.file), d.line, d.column,
                     d.severity == ombrik::Severity::Error, d.message};
    while (!f.message.empty() && f.message.back() == '\n') f.message.pop_back();
    // An undefined label is reported where the program or routine ends;
    // the editor shows it where the label was first used.
    constexpr std::string_view undefined = "Undefined Label ";
    if (f.column == 0 && f.message.rfind(undefined, 0) == 0) {
      std::string name = f.message.substr(undefined.size());
      for (const SymbolInfo &s : a.symbols)
        if (s.kind == SymbolKind::UndefinedLabel && s.name == name) {
          f.path = s.path, f.line = s.line, f.column = s.column;
          break;
        }
    }
    a.diagnostics.push_back(std::move(f));
  }
  if (decls.overflow)
    a.diagnostics.push_back({request.main, 0, 0, false,
                             "more declarations than the compiler keeps positions for (" +
                                 std::to_string(DECLARATIONS_MAX) + "): some have no definition or hover"});
  return a;
}

}  // namespace lsp
