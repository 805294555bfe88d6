// Which programs the server compiles and what it tells the editor from
// them, with a stand-in compiler that reads #include lines, reports "ERR"
// wherever it appears and declares FUNCTIONs and labels: programs made of
// open and unopened files, diagnostics published once and withdrawn,
// settings, and the answers built from a compile.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "lsp/server.h"
#include "lsp/text.h"
#include "lsp/uri.h"

using lsp::json;
namespace fs = std::filesystem;

namespace {

struct Recorder final : lsp::MessageSink {
  bool send(const json &message) override {
    sent.push_back(message);
    return true;
  }
  std::vector<json> sent;
};

std::string upper(std::string s) {
  for (char &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The stand-in compiler.
struct FakeCompiler {
  std::vector<lsp::CompileRequest> requests;

  void read(const lsp::CompileRequest &r, const std::string &path, lsp::Analysis &a, int32_t scope) {
    std::optional<std::string> text = r.read(path);
    if (!text) return;
    a.files.push_back(path);
    lsp::LineIndex lines(*text);
    for (uint32_t n = 0; n < lines.line_count(); n++) {
      std::string l(lines.line(n));
      if (l.rfind("#include \"", 0) == 0) {
        std::string name = l.substr(10, l.size() - 11);
        read(r, (fs::path(path).parent_path() / name).string(), a, scope);
      } else if (size_t at = l.find("ERR"); at != std::string::npos) {
        a.diagnostics.push_back({path, n + 1, static_cast<uint32_t>(at + 1), true, "bad thing"});
      } else if (l.rfind("FUNCTION ", 0) == 0) {
        std::string name = l.substr(9, l.find('(') - 9);
        lsp::SymbolInfo s{upper(name), name, lsp::SymbolKind::Function, path, n + 1, 10, -1, 0,
                          "FUNCTION AS INTEGER", "WFUNCT", 0x3020, 1, l};
        scope = static_cast<int32_t>(a.symbols.size());
        a.symbols.push_back(s);
        // Its parameter, "v", is a local.
        a.symbols.push_back({"V", "v", lsp::SymbolKind::Variable, path, n + 1,
                             static_cast<uint32_t>(l.find("v") + 1), scope, 0, "INTEGER variable", "WORD", 0x40000004,
                             1, ""});
      } else if (l == "ENDFUNCTION") {
        a.symbols[static_cast<size_t>(scope)].end_line = n + 1;
        scope = -1;
      } else if (!l.empty() && l.back() == ':') {
        std::string name = l.substr(0, l.size() - 1);
        a.symbols.push_back({upper(name), name, lsp::SymbolKind::Label, path, n + 1, 1, scope, 0, "label", "CODE",
                             0x3000, 0, ""});
      }
    }
  }

  lsp::Analysis operator()(const lsp::CompileRequest &r) {
    requests.push_back(r);
    lsp::Analysis a;
    a.root = r.main;
    read(r, r.main, a, -1);
    return a;
  }
};

class Programs : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ombrik-lsp-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    write("lib.bas", "FUNCTION twice(v AS INTEGER)\nRETURN v * 2\nENDFUNCTION\n");
    write("main.bas", "#include \"lib.bas\"\nstart:\nx = twice(2)\n");
  }
  void TearDown() override { fs::remove_all(dir); }

  void write(const std::string &name, const std::string &text) { std::ofstream(dir / name) << text; }
  std::string path(const std::string &name) const { return (dir / name).string(); }
  std::string uri(const std::string &name) const { return lsp::path_to_uri(path(name)); }

  std::vector<json> feed(const json &message) {
    lsp::Frame f;
    f.kind = lsp::Frame::Kind::Message;
    f.message = message;
    out.sent.clear();
    server.handle(f);
    return out.sent;
  }
  std::vector<json> notify(const std::string &method, json params) {
    return feed({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
  }
  json call(const std::string &method, json params) {
    auto answers = feed({{"jsonrpc", "2.0"}, {"id", ++id}, {"method", method}, {"params", std::move(params)}});
    for (const json &a : answers)
      if (a.contains("id") && a["id"] == id) return a;
    return nullptr;
  }
  void start(json options = json::object()) {
    call("initialize", {{"rootUri", lsp::path_to_uri(dir.string())}, {"initializationOptions", options}});
  }
  std::vector<json> open(const std::string &name, const std::string &text) {
    return notify("textDocument/didOpen",
                  {{"textDocument", {{"uri", uri(name)}, {"languageId", "ombrik"}, {"version", 1}, {"text", text}}}});
  }
  std::vector<json> change(const std::string &name, const std::string &text) {
    return notify("textDocument/didChange",
                  {{"textDocument", {{"uri", uri(name)}, {"version", ++version}}}, {"contentChanges", {{{"text", text}}}}});
  }
  // The diagnostics published for each file, by file name.
  std::map<std::string, json> published(const std::vector<json> &sent) const {
    std::map<std::string, json> by_file;
    for (const json &m : sent)
      if (m.value("method", "") == "textDocument/publishDiagnostics")
        by_file[fs::path(*lsp::uri_to_path(m["params"]["uri"].get<std::string>())).filename().string()] = m["params"]["diagnostics"];
    return by_file;
  }
  std::vector<std::string> mains() const {
    std::vector<std::string> names;
    for (const auto &r : compiler->requests) names.push_back(fs::path(r.main).filename().string());
    return names;
  }

  fs::path dir;
  std::shared_ptr<FakeCompiler> compiler = std::make_shared<FakeCompiler>();
  Recorder out;
  lsp::Server server{out, [c = compiler](const lsp::CompileRequest &r) { return (*c)(r); }};
  int id = 0;
  int version = 1;
};

TEST_F(Programs, DiagnosticsAppearInTheIncludedFileAndGoAfterTheFix) {
  start();
  auto sent = open("main.bas", "#include \"lib.bas\"\nstart:\nx = twice(2)\n");
  EXPECT_EQ(mains(), std::vector<std::string>{"main.bas"});
  // Both files were read; neither has anything to report, and nothing had
  // been reported before, so nothing is sent.
  EXPECT_TRUE(published(sent).empty());

  // lib.bas opens: it is part of main.bas's program, not one of its own.
  sent = open("lib.bas", "FUNCTION twice(v AS INTEGER)\nRETURN v * 2\nENDFUNCTION\n");
  EXPECT_EQ(mains(), (std::vector<std::string>{"main.bas", "main.bas"}));

  // An error in the buffer (not on disk) of lib.bas, at the right place.
  sent = change("lib.bas", "FUNCTION twice(v AS INTEGER)\n  x\xc3\xa9 ERR\nENDFUNCTION\n");
  auto by_file = published(sent);
  ASSERT_EQ(by_file.size(), 1u);
  ASSERT_EQ(by_file["lib.bas"].size(), 1u);
  const json &d = by_file["lib.bas"][0];
  EXPECT_EQ(d["message"], "bad thing");
  EXPECT_EQ(d["severity"], 1);
  EXPECT_EQ(d["source"], "ombrik");
  // "  x", e-acute (two bytes, one UTF-16 unit), space: ERR is at UTF-16 5.
  EXPECT_EQ(d["range"], json({{"start", {{"line", 1}, {"character", 5}}}, {"end", {{"line", 1}, {"character", 8}}}}));

  // The same error again after an unrelated change: nothing new to send.
  EXPECT_TRUE(published(change("main.bas", "#include \"lib.bas\"\nstart:\nx = twice(3)\n")).empty());

  // The fix withdraws it.
  by_file = published(change("lib.bas", "FUNCTION twice(v AS INTEGER)\nRETURN v * 2\nENDFUNCTION\n"));
  ASSERT_EQ(by_file.size(), 1u);
  EXPECT_EQ(by_file["lib.bas"], json::array());
}

TEST_F(Programs, AClosedMainFileLeavesTheOpenIncludeAProgramOfItsOwn) {
  start();
  open("lib.bas", "FUNCTION twice(v AS INTEGER)\nERR\nENDFUNCTION\n");
  open("main.bas", "#include \"lib.bas\"\n");
  compiler->requests.clear();
  auto sent = notify("textDocument/didClose", {{"textDocument", {{"uri", uri("main.bas")}}}});
  EXPECT_EQ(mains(), std::vector<std::string>{"lib.bas"});
  // lib.bas still has its error, now from its own compile: nothing changes.
  EXPECT_TRUE(published(sent).empty());
  sent = notify("textDocument/didClose", {{"textDocument", {{"uri", uri("lib.bas")}}}});
  EXPECT_EQ(published(sent)["lib.bas"], json::array());
}

TEST_F(Programs, TableAndIncludeDirectoriesFromTheSettings) {
  start({{"table", "boards/x.table"}, {"includePaths", {"inc", "/abs/inc"}}});
  open("main.bas", "x = 1\n");
  ASSERT_EQ(compiler->requests.size(), 1u);
  EXPECT_EQ(compiler->requests[0].table, path("boards/x.table"));
  EXPECT_EQ(compiler->requests[0].include_dirs, (std::vector<std::string>{path("inc"), "/abs/inc"}));

  // No setting: ombrik.table in the workspace folder when there is one.
  notify("workspace/didChangeConfiguration", {{"settings", {{"ombrik", {{"table", ""}, {"includePaths", json::array()}}}}}});
  EXPECT_EQ(compiler->requests.back().table, "");
  write("ombrik.table", "2900\n4\n0\n0\n0\n0\n0\n");
  notify("workspace/didChangeConfiguration", {{"settings", {{"ombrik", json::object()}}}});
  EXPECT_EQ(compiler->requests.back().table, path("ombrik.table"));
  EXPECT_TRUE(compiler->requests.back().include_dirs.empty());

  // Saving the table compiles again; saving a program file does not.
  size_t before = compiler->requests.size();
  notify("textDocument/didSave", {{"textDocument", {{"uri", uri("main.bas")}}}});
  EXPECT_EQ(compiler->requests.size(), before);
  notify("textDocument/didSave", {{"textDocument", {{"uri", uri("ombrik.table")}}}});
  EXPECT_EQ(compiler->requests.size(), before + 1);
}

TEST_F(Programs, BadSettingsAreLogged) {
  start();
  auto sent = notify("workspace/didChangeConfiguration", {{"settings", {{"ombrik", {{"table", 3}}}}}});
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["params"]["message"], "workspace/didChangeConfiguration: \"table\" must be a string");
}

TEST_F(Programs, DefinitionHoverOutlineAndCompletion) {
  start();
  open("main.bas", "#include \"lib.bas\"\nstart:\nx = twice(2)\n");
  auto at = [&](const std::string &name, int line, int character) {
    return json{{"textDocument", {{"uri", uri(name)}}}, {"position", {{"line", line}, {"character", character}}}};
  };

  // twice, used in main.bas, is declared in lib.bas (not open: read from disk).
  json r = call("textDocument/definition", at("main.bas", 2, 6));
  EXPECT_EQ(r["result"], json({{"uri", uri("lib.bas")},
                               {"range", {{"start", {{"line", 0}, {"character", 9}}}, {"end", {{"line", 0}, {"character", 14}}}}}}));
  // The cursor just after the name still names it.
  EXPECT_EQ(call("textDocument/definition", at("main.bas", 2, 9))["result"]["uri"], uri("lib.bas"));
  // Nothing declared there: a null result, not an error.
  EXPECT_TRUE(call("textDocument/definition", at("main.bas", 2, 0))["result"].is_null());
  EXPECT_TRUE(call("textDocument/definition", at("main.bas", 2, 2))["result"].is_null());

  // In lib.bas, v is the FUNCTION's parameter.
  r = call("textDocument/definition", at("lib.bas", 1, 7));
  EXPECT_EQ(r["result"]["range"]["start"], json({{"line", 0}, {"character", 15}}));

  r = call("textDocument/hover", at("main.bas", 2, 5));
  std::string hover = r["result"]["contents"]["value"];
  EXPECT_NE(hover.find("FUNCTION twice(v AS INTEGER)"), std::string::npos) << hover;
  EXPECT_NE(hover.find("`WFUNCT` at `0x00003020`, 1 parameter"), std::string::npos) << hover;

  r = call("textDocument/documentSymbol", {{"textDocument", {{"uri", uri("lib.bas")}}}});
  ASSERT_EQ(r["result"].size(), 1u);
  EXPECT_EQ(r["result"][0]["name"], "twice");
  EXPECT_EQ(r["result"][0]["kind"], 12);
  EXPECT_EQ(r["result"][0]["range"]["end"], json({{"line", 2}, {"character", 11}}));
  ASSERT_EQ(r["result"][0]["children"].size(), 1u);
  EXPECT_EQ(r["result"][0]["children"][0]["name"], "v");
  r = call("textDocument/documentSymbol", {{"textDocument", {{"uri", uri("main.bas")}}}});
  ASSERT_EQ(r["result"].size(), 1u);
  EXPECT_EQ(r["result"][0]["name"], "start");
  EXPECT_EQ(r["result"][0]["kind"], 20);

  // Completion in main.bas: keywords, then the globals, not lib's local V.
  r = call("textDocument/completion", at("main.bas", 2, 0));
  std::vector<std::string> symbols;
  for (const json &item : r["result"]["items"])
    if (item["kind"] != 14) symbols.push_back(item["label"]);
  EXPECT_EQ(symbols, (std::vector<std::string>{"twice", "start"}));
  // Inside twice: its local V too.
  r = call("textDocument/completion", at("lib.bas", 1, 0));
  symbols.clear();
  for (const json &item : r["result"]["items"])
    if (item["kind"] != 14) symbols.push_back(item["label"]);
  EXPECT_EQ(symbols, (std::vector<std::string>{"v", "twice", "start"}));
}

}  // namespace
