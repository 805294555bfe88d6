// What one compile of a program tells the editor: the files it read, its
// messages, and every symbol it declared with where and what it is. The
// server keeps one of these per program it compiles and answers the
// editor's questions from it.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lsp {

enum class SymbolKind {
  Label,
  UndefinedLabel,  // used (GOTO, GOSUB) but not defined; where it was first used
  Function,
  Sub,
  Variable,
  Array,
  String,   // STRING or BYTE array
  Pointer,  // BYREF parameters and pointers
  Constant,
  Other,
};

struct SymbolInfo {
  std::string name;     // as the compiler stores it: upper case, with its '$'
  std::string written;  // as the declaration spells it
  SymbolKind kind = SymbolKind::Other;
  std::string path;  // the file that declares it
  uint32_t line = 0;    // 1-based
  uint32_t column = 0;  // 1-based byte column of the name in the line as written
  // Index in Analysis::symbols of the routine whose local it is; -1 global.
  int32_t scope = -1;
  // Routines: the line of their ENDFUNCTION/ENDSUB in path (0 while open).
  uint32_t end_line = 0;
  // "INTEGER variable", "FUNCTION AS SINGLE", "label", ...
  std::string description;
  // As the symbol map gives it: "WORD", "ARRAY", "CODE", "WFUNCT", ...
  std::string map_kind;
  uint32_t map_address = 0;
  // The map's last field: the size (count of parameters for a routine).
  int64_t map_size = 0;
  // Routines: their header line as written; constants: their value.
  std::string detail;
};

struct FileDiagnostic {
  std::string path;     // empty: the program as a whole
  uint32_t line = 0;    // 1-based; 0 when not known
  uint32_t column = 0;  // 1-based byte column; 0 when not known
  bool error = true;
  std::string message;
};

struct Analysis {
  std::string root;                // the program's main file
  std::vector<std::string> files;  // every file it read, the main file first
  std::vector<FileDiagnostic> diagnostics;
  std::vector<SymbolInfo> symbols;
};

// The text of a file by path: the editor's buffer when it is open, else the
// file on disk; nothing when it cannot be read.
using TextSource = std::function<std::optional<std::string>(const std::string &path)>;

// What the server asks of the compiler for one program.
struct CompileRequest {
  std::string main;                       // the main file's path
  // The workspace folder: files under it are named relative to it in the
  // compiler's line markers, which hold names of limited length. Empty: none.
  std::string root;
  std::vector<std::string> include_dirs;  // absolute
  std::string table;                      // a firmware table file; empty: the built-in table
  TextSource read;                        // how to read the main file and its includes
};
using Compiler = std::function<Analysis(const CompileRequest &)>;

}  // namespace lsp
