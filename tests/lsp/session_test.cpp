// `ombrik lsp` as an editor runs it: a child process on two pipes, driven by
// a scripted JSON-RPC session on a two-file program with the workspace's
// firmware table. Diagnostics come and go, definitions cross files, hover
// agrees with the map `ombrik build` writes, malformed frames are answered
// while the server keeps serving, and shutdown and exit end it with 0.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "lsp/uri.h"
#include "lsp_process.h"

using lsp::json;
namespace fs = std::filesystem;

namespace {

const std::string LIB =
    "FUNCTION twice(v AS INTEGER) AS INTEGER\n"
    "  RETURN v * 2\n"
    "ENDFUNCTION\n";
// Line 4 (3 from 0) ends in a stray ")": its byte column 23 is UTF-16
// character 21 after the two-byte e-acute.
const std::string BROKEN =
    "#include \"lib.bas\"\n"
    "MAIN:\n"
    "DIM count AS INTEGER\n"
    "PRINT \"h\xc3\xa9llo\", count )\n"
    "start:\n"
    "count = twice(count) + 1\n"
    "IF count < 100 THEN GOTO start\n"
    "END\n";

std::string fixed() {
  std::string text = BROKEN;
  text.replace(text.find("count )"), 7, "count");
  return text;
}

std::string read(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class Session : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ombrik-lsp-session-" + std::to_string(getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "lib.bas") << LIB;
    std::ofstream(dir / "main.bas") << fixed();
    fs::copy_file(std::string(OMBRIK_SOURCE_DIR) + "/boards/sim-cortex.table", dir / "ombrik.table");
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string uri(const std::string &name) const { return lsp::path_to_uri((dir / name).string()); }
  json at(const std::string &name, int line, int character) const {
    return {{"textDocument", {{"uri", uri(name)}}}, {"position", {{"line", line}, {"character", character}}}};
  }
  static bool diagnostics_for(const json &m, const std::string &u) {
    return m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == u;
  }
  // The map line `ombrik build` writes for a symbol: "> 0xADDRESS KIND NAME SIZE".
  std::string map_line(const std::string &name) const {
    std::string command = std::string(OMBRIK_BINARY) + " build " + (dir / "main.bas").string() + " -t " +
                          (dir / "ombrik.table").string() + " -o " + (dir / "out.hex").string() + " > /dev/null";
    if (std::system(command.c_str()) != 0) return "build failed";
    std::istringstream map(read(dir / "out.map"));
    for (std::string l; std::getline(map, l);) {
      std::istringstream fields(l);
      std::string gt, address, kind, n;
      fields >> gt >> address >> kind >> n;
      if (gt == ">" && n == name) return l;
    }
    return "";
  }

  fs::path dir;
};

std::vector<std::string> labels(const json &items, bool keywords) {
  std::vector<std::string> out;
  for (const json &i : items)
    if ((i["kind"] == 14) == keywords) out.push_back(i["label"]);
  return out;
}

TEST_F(Session, ScriptedEditing) {
  LspProcess server(OMBRIK_BINARY, {"lsp"}, dir.string());

  auto init = server.call(1, "initialize",
                          {{"processId", nullptr}, {"rootUri", lsp::path_to_uri(dir.string())}, {"capabilities", json::object()}});
  ASSERT_TRUE(init);
  const json &caps = (*init)["result"]["capabilities"];
  EXPECT_EQ(caps["textDocumentSync"]["change"], 1);
  EXPECT_EQ(caps["definitionProvider"], true);
  EXPECT_EQ(caps["hoverProvider"], true);
  EXPECT_EQ(caps["documentSymbolProvider"], true);
  server.send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});

  // The broken buffer (the file on disk is fine): an error at the ")".
  server.send({{"jsonrpc", "2.0"},
               {"method", "textDocument/didOpen"},
               {"params", {{"textDocument", {{"uri", uri("main.bas")}, {"languageId", "ombrik"}, {"version", 1}, {"text", BROKEN}}}}}});
  auto published = server.until([&](const json &m) { return diagnostics_for(m, uri("main.bas")); });
  ASSERT_TRUE(published);
  ASSERT_EQ((*published)["params"]["diagnostics"].size(), 1u) << published->dump();
  const json &d = (*published)["params"]["diagnostics"][0];
  EXPECT_EQ(d["message"], "Expected End Of Line");
  EXPECT_EQ(d["severity"], 1);
  EXPECT_EQ(d["range"], json({{"start", {{"line", 3}, {"character", 21}}}, {"end", {{"line", 3}, {"character", 22}}}}));

  // The fix withdraws it.
  server.send({{"jsonrpc", "2.0"},
               {"method", "textDocument/didChange"},
               {"params", {{"textDocument", {{"uri", uri("main.bas")}, {"version", 2}}}, {"contentChanges", {{{"text", fixed()}}}}}}});
  published = server.until([&](const json &m) { return diagnostics_for(m, uri("main.bas")); });
  ASSERT_TRUE(published);
  EXPECT_EQ((*published)["params"]["diagnostics"], json::array());

  // twice, used in main.bas, is defined in lib.bas.
  auto def = server.call(2, "textDocument/definition", at("main.bas", 5, 10));
  ASSERT_TRUE(def);
  EXPECT_EQ((*def)["result"], json({{"uri", uri("lib.bas")},
                                    {"range", {{"start", {{"line", 0}, {"character", 9}}}, {"end", {{"line", 0}, {"character", 14}}}}}}));

  // Hover: the type, and the kind, address and size of the map's line.
  auto hover = server.call(3, "textDocument/hover", at("main.bas", 2, 6));
  ASSERT_TRUE(hover);
  std::string text = (*hover)["result"]["contents"]["value"];
  EXPECT_NE(text.find("INTEGER variable"), std::string::npos) << text;
  std::istringstream line(map_line("COUNT"));
  std::string gt, address, kind, name, size;
  line >> gt >> address >> kind >> name >> size;
  ASSERT_EQ(name, "COUNT");
  EXPECT_NE(text.find("`" + kind + "` at `" + address + "`, size " + size), std::string::npos) << text;
  hover = server.call(4, "textDocument/hover", at("main.bas", 5, 10));
  text = (*hover)["result"]["contents"]["value"];
  EXPECT_NE(text.find("FUNCTION twice(v AS INTEGER) AS INTEGER"), std::string::npos) << text;

  // The outline: labels of main.bas, the FUNCTION of lib.bas with its parameter.
  auto outline = server.call(5, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri("main.bas")}}}});
  std::vector<std::string> names;
  for (const json &s : (*outline)["result"]) names.push_back(s["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"MAIN", "count", "start"}));
  outline = server.call(6, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri("lib.bas")}}}});
  ASSERT_EQ((*outline)["result"].size(), 1u);
  EXPECT_EQ((*outline)["result"][0]["name"], "twice");
  EXPECT_EQ((*outline)["result"][0]["kind"], 12);
  EXPECT_EQ((*outline)["result"][0]["children"][0]["name"], "v");

  // Completion: the keywords and the symbols.
  auto completion = server.call(7, "textDocument/completion", at("main.bas", 6, 0));
  const json &items = (*completion)["result"]["items"];
  std::vector<std::string> keywords = labels(items, true);
  for (const char *k : {"GOSUB", "ENDFUNCTION", "PRINTF", "__MAP__"})
    EXPECT_NE(std::find(keywords.begin(), keywords.end(), k), keywords.end()) << k;
  // In the order of their declarations: lib.bas comes in before MAIN:.
  EXPECT_EQ(labels(items, false), (std::vector<std::string>{"twice", "MAIN", "count", "start"}));

  // Malformed frames get errors with a null id; the server goes on.
  // (What follows a malformed frame up to the next header counts as part of
  // it, so the stray line comes first to get an answer of its own.)
  server.send_raw("no header at all\r\n");
  server.send_raw("Content-Length: 12\r\n\r\n{\"id\": 1, !}");
  server.send_raw("Content-Length: 2\r\nContent-Length: x\r\n\r\n[]");
  server.send({{"jsonrpc", "2.0"}, {"id", 8}, {"method", "textDocument/noSuchThing"}, {"params", json::object()}});
  std::vector<json> errors;
  for (int i = 0; i < 4; i++) {
    auto m = server.until([](const json &m) { return m.contains("error"); });
    ASSERT_TRUE(m) << "error " << i;
    errors.push_back(*m);
  }
  for (int i = 0; i < 3; i++) {
    EXPECT_TRUE(errors[static_cast<size_t>(i)]["id"].is_null()) << errors[static_cast<size_t>(i)].dump();
    EXPECT_EQ(errors[static_cast<size_t>(i)]["error"]["code"], -32700) << errors[static_cast<size_t>(i)].dump();
  }
  EXPECT_EQ(errors[3]["id"], 8);
  EXPECT_EQ(errors[3]["error"]["code"], -32601);
  def = server.call(9, "textDocument/definition", at("main.bas", 5, 10));
  ASSERT_TRUE(def);
  EXPECT_EQ((*def)["result"]["uri"], uri("lib.bas"));

  auto down = server.call(10, "shutdown", nullptr);
  ASSERT_TRUE(down);
  EXPECT_TRUE((*down)["result"].is_null());
  server.send({{"jsonrpc", "2.0"}, {"method", "exit"}});
  EXPECT_EQ(server.wait(), 0);
}

TEST_F(Session, EndOfInputWithoutShutdownEndsWithOne) {
  LspProcess server(OMBRIK_BINARY, {"lsp"}, dir.string());
  ASSERT_TRUE(server.call(1, "initialize", {{"capabilities", json::object()}}));
  server.close_input();
  EXPECT_EQ(server.wait(), 1);
}

}  // namespace
