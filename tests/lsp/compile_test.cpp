// What a compile tells the editor, from the compiler's declaration table:
// every kind of declaration at its file, line and column, locals kept after
// their routine, kinds, addresses and sizes exactly as the symbol map of the
// same program gives them, undefined labels placed at their first use, and
// the table's capacities.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "frontend/declarations.h"
#include "lsp/compile.h"
#include "preprocess/preprocess.h"
#include "session/session.h"

using lsp::SymbolInfo;
using lsp::SymbolKind;

namespace {

const std::string TABLE = std::string(OMBRIK_SOURCE_DIR) + "/boards/sim-cortex.table";

const std::string LIB =
    "FUNCTION twice(v AS INTEGER) AS INTEGER\n"
    "  DIM t AS INTEGER\n"
    "inner:\n"
    "  t = v * 2\n"
    "  RETURN t\n"
    "ENDFUNCTION\n"
    "SUB show(BYREF s$, n AS SINGLE, BYREF a())\n"
    "  PRINT s$\n"
    "ENDSUB\n";

// An implicit integer comes before the first DIM: from there on names must
// be declared.
const std::string MAIN =
    "#include \"lib.bas\"\n"
    "MAIN:\n"
    "  implicit = 1\n"
    "DIM count AS INTEGER\n"
    "DIM ratio, farr(3) AS SINGLE\n"
    "DIM buf(20) AS STRING\n"
    "DIM table(9), fl(4)\n"
    "CONST LIMIT = 10\n"
    "CONST HALF = 0.5\n"
    "CONST GREETING = \"hi\"\n"
    "CONST primes = {2, 3, 5}\n"
    "start:\n"
    "count = twice(3) + implicit\n"
    "IF count < LIMIT THEN GOTO start\n"
    "END\n";

// Files kept in memory, as the editor's buffers.
lsp::Analysis compile(const std::map<std::string, std::string> &files, const std::string &table = TABLE) {
  lsp::CompileRequest r;
  r.main = "/w/main.bas";
  r.root = "/w";
  r.table = table;
  r.read = [files](const std::string &path) -> std::optional<std::string> {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  };
  return lsp::compile_for_editor(r);
}

const SymbolInfo *find(const lsp::Analysis &a, const std::string &name) {
  for (const SymbolInfo &s : a.symbols)
    if (s.name == name) return &s;
  return nullptr;
}

struct Expected {
  const char *name;
  const char *path;
  uint32_t line, column;
  const char *scope;  // the routine's name; "" for a global
  SymbolKind kind;
  const char *description;
  const char *written;
};

TEST(Declarations, EveryKindAtItsPlace) {
  lsp::Analysis a = compile({{"/w/main.bas", MAIN}, {"/w/lib.bas", LIB}});
  for (const auto &d : a.diagnostics) ADD_FAILURE() << d.path << ":" << d.line << ": " << d.message;
  EXPECT_EQ(a.files, (std::vector<std::string>{"/w/main.bas", "/w/lib.bas"}));
  const Expected expected[] = {
      {"TWICE", "/w/lib.bas", 1, 10, "", SymbolKind::Function, "FUNCTION AS INTEGER", "twice"},
      {"V", "/w/lib.bas", 1, 16, "TWICE", SymbolKind::Variable, "INTEGER variable", "v"},
      {"T", "/w/lib.bas", 2, 7, "TWICE", SymbolKind::Variable, "INTEGER variable", "t"},
      {"INNER", "/w/lib.bas", 3, 1, "TWICE", SymbolKind::Label, "label", "inner"},
      {"SHOW", "/w/lib.bas", 7, 5, "", SymbolKind::Sub, "SUB", "show"},
      {"S$", "/w/lib.bas", 7, 16, "SHOW", SymbolKind::Pointer, "STRING parameter by reference", "s$"},
      {"N", "/w/lib.bas", 7, 20, "SHOW", SymbolKind::Variable, "SINGLE variable", "n"},
      {"A", "/w/lib.bas", 7, 39, "SHOW", SymbolKind::Pointer, "INTEGER array parameter by reference", "a"},
      {"MAIN", "/w/main.bas", 2, 1, "", SymbolKind::Label, "label", "MAIN"},
      {"IMPLICIT", "/w/main.bas", 3, 3, "", SymbolKind::Variable, "INTEGER variable", "implicit"},
      {"COUNT", "/w/main.bas", 4, 5, "", SymbolKind::Variable, "INTEGER variable", "count"},
      {"RATIO", "/w/main.bas", 5, 5, "", SymbolKind::Variable, "SINGLE variable", "ratio"},
      {"FARR", "/w/main.bas", 5, 12, "", SymbolKind::Array, "SINGLE array", "farr"},
      {"BUF", "/w/main.bas", 6, 5, "", SymbolKind::String, "STRING or BYTE array", "buf"},
      {"TABLE", "/w/main.bas", 7, 5, "", SymbolKind::Array, "INTEGER array", "table"},
      {"FL", "/w/main.bas", 7, 15, "", SymbolKind::Array, "INTEGER array", "fl"},
      {"LIMIT", "/w/main.bas", 8, 7, "", SymbolKind::Constant, "constant", "LIMIT"},
      {"HALF", "/w/main.bas", 9, 7, "", SymbolKind::Constant, "constant", "HALF"},
      {"GREETING", "/w/main.bas", 10, 7, "", SymbolKind::Constant, "constant string", "GREETING"},
      {"PRIMES", "/w/main.bas", 11, 7, "", SymbolKind::Constant, "constant INTEGER table", "primes"},
      {"START", "/w/main.bas", 12, 1, "", SymbolKind::Label, "label", "start"},
  };
  ASSERT_EQ(a.symbols.size(), std::size(expected));
  for (const Expected &e : expected) {
    SCOPED_TRACE(e.name);
    const SymbolInfo *s = find(a, e.name);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->path, e.path);
    EXPECT_EQ(s->line, e.line);
    EXPECT_EQ(s->column, e.column);
    EXPECT_EQ(s->scope < 0 ? "" : a.symbols[static_cast<size_t>(s->scope)].name, e.scope);
    EXPECT_EQ(s->kind, e.kind);
    EXPECT_EQ(s->description, e.description);
    EXPECT_EQ(s->written, e.written);
  }
  EXPECT_EQ(find(a, "LIMIT")->detail, "10");
  EXPECT_EQ(find(a, "HALF")->detail, "0.5");
  EXPECT_EQ(find(a, "TWICE")->detail, "FUNCTION twice(v AS INTEGER) AS INTEGER");
  EXPECT_EQ(find(a, "TWICE")->end_line, 6u);
  EXPECT_EQ(find(a, "SHOW")->end_line, 9u);
}

// Each symbol's kind, address and size as the map of the same program,
// built, gives them: globals by name, locals as ROUTINE:NAME.
TEST(Declarations, AsTheSymbolMapGivesThem) {
  std::map<std::string, std::string> files = {{"/w/main.bas", MAIN}, {"/w/lib.bas", LIB}};
  lsp::Analysis a = compile(files);

  ombrik::PreprocessOptions options;
  options.read_file = [&](const std::string &path) {
    ombrik::FileRead r;
    r.status = ombrik::FileRead::Ok;
    r.text = files.at("/w/" + path);
    return r;
  };
  ombrik::PreprocessResult source = ombrik::preprocess("main.bas", MAIN, options);
  ombrik::FirmwareTable table;
  std::string error;
  ASSERT_TRUE(ombrik::read_firmware_table(TABLE, table, error)) << error;
  ombrik::CompileResult built = ombrik::compile_program(source, &table, ombrik::CompileAction::Build);
  ASSERT_EQ(built.status, ombrik::CompileStatus::Ok);

  struct Line {
    std::string kind;
    uint32_t address;
    int64_t size;
  };
  std::map<std::string, Line> map;
  std::istringstream in(built.text);
  for (std::string l; std::getline(in, l);) {
    if (l.rfind("> 0x", 0) != 0) continue;
    std::istringstream fields(l.substr(2));
    std::string address, kind, name, size;
    fields >> address >> kind >> name >> size;
    // A routine has its own line, printed when it is finished, before the
    // global symbols' OTHER line for it.
    map.emplace(name, Line{kind, static_cast<uint32_t>(std::stoul(address, nullptr, 16)),
                           kind == "OTHER" ? std::stoll(size, nullptr, 16) : std::stoll(size)});
  }
  ASSERT_EQ(map.size(), a.symbols.size());
  for (const SymbolInfo &s : a.symbols) {
    std::string key = s.scope < 0 ? s.name : a.symbols[static_cast<size_t>(s.scope)].name + ":" + s.name;
    SCOPED_TRACE(key);
    ASSERT_EQ(map.count(key), 1u);
    EXPECT_EQ(s.map_kind, map[key].kind);
    EXPECT_EQ(s.map_address, map[key].address);
    EXPECT_EQ(s.map_size, map[key].size);
  }
}

TEST(Declarations, UndefinedLabelsAreShownWhereFirstUsed) {
  struct Case {
    const char *program;
    const char *diagnostic;
  };
  const Case cases[] = {
      // Reported when the program is finished.
      {"MAIN:\nx = 1\n  GOSUB missing\nEND\n", "/w/main.bas:3:9: Undefined Label MISSING"},
      // Reported when the SUB is finished.
      {"MAIN:\nSUB s\n  GOTO nowhere\nENDSUB\nEND\n", "/w/main.bas:3:8: Undefined Label NOWHERE"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.program);
    lsp::Analysis a = compile({{"/w/main.bas", c.program}});
    std::vector<std::string> seen;
    for (const lsp::FileDiagnostic &d : a.diagnostics)
      seen.push_back(d.path + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) + ": " + d.message);
    EXPECT_EQ(seen, std::vector<std::string>{c.diagnostic});
  }
}

TEST(Declarations, ErrorsAndUnreadableFiles) {
  // A declaration that failed leaves no symbol; the compile goes on.
  lsp::Analysis a = compile({{"/w/main.bas", "MAIN:\nz = 1\nCONST y\nDIM x AS WHAT\nEND\n"}});
  EXPECT_EQ(find(a, "Y"), nullptr);
  ASSERT_NE(find(a, "Z"), nullptr);
  EXPECT_EQ(find(a, "Z")->line, 2u);
  EXPECT_FALSE(a.diagnostics.empty());

  a = compile({});
  ASSERT_EQ(a.diagnostics.size(), 1u);
  EXPECT_EQ(a.diagnostics[0].message, "cannot read the file");

  a = compile({{"/w/main.bas", "MAIN:\nEND\n"}}, "/w/none.table");
  ASSERT_EQ(a.diagnostics.size(), 1u);
  EXPECT_EQ(a.diagnostics[0].path, "/w/none.table");
  EXPECT_NE(a.diagnostics[0].message.find("compiling with the built-in table"), std::string::npos);
  EXPECT_NE(find(a, "MAIN"), nullptr);
}

// More declarations than the table holds (three SUBs of 22000 constants:
// locals, which the symbol table forgets after each SUB), and more files.
TEST(Declarations, CapacitiesAreCheckedAndReported) {
  std::string program = "MAIN:\n";
  for (int sub = 0; sub < 3; sub++) {
    program += "SUB s" + std::to_string(sub) + "\n";
    for (int i = 0; i < 22000; i++) program += "CONST c" + std::to_string(i) + " = 1\n";
    program += "ENDSUB\n";
  }
  program += "END\n";
  lsp::Analysis a = compile({{"/w/main.bas", program}});
  EXPECT_EQ(a.symbols.size(), static_cast<size_t>(DECLARATIONS_MAX));
  ASSERT_FALSE(a.diagnostics.empty());
  EXPECT_FALSE(a.diagnostics.back().error);
  EXPECT_EQ(a.diagnostics.back().message,
            "more declarations than the compiler keeps positions for (65536): some have no definition or hover");
  // The first SUB's locals are all there, the last SUB's only in part.
  EXPECT_EQ(a.symbols[2].name, "C0");
  EXPECT_EQ(a.symbols.back().scope, 1 + 2 * 22001);

  std::map<std::string, std::string> files;
  std::string main = "MAIN:\n";
  for (int i = 0; i <= DECLARATION_FILES_MAX; i++) {
    main += "#include \"f" + std::to_string(i) + ".bas\"\n";
    files["/w/f" + std::to_string(i) + ".bas"] = "CONST k" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  }
  files["/w/main.bas"] = main + "END\n";
  a = compile(files);
  // main.bas and 255 included files have room; the last two do not.
  EXPECT_NE(find(a, "K254"), nullptr);
  EXPECT_EQ(find(a, "K255"), nullptr);
  EXPECT_EQ(a.diagnostics.back().message.rfind("more declarations than", 0), 0u);
}

}  // namespace
