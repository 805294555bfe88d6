// The server's life cycle and message handling, driven in-process: every
// request is answered with a result or the right error, and nothing the
// editor sends stops the server before "exit".
#include <gtest/gtest.h>

#include <vector>

#include "lsp/keyword_list.h"
#include "lsp/server.h"

using lsp::json;

namespace {

class Recorder final : public lsp::MessageSink {
 public:
  bool send(const json &message) override {
    sent.push_back(message);
    return open;
  }
  std::vector<json> sent;
  bool open = true;
};

class ServerTest : public ::testing::Test {
 protected:
  // Hands a message to the server; what it sent in answer.
  std::vector<json> feed(const json &message) {
    lsp::Frame f;
    f.kind = lsp::Frame::Kind::Message;
    f.message = message;
    out.sent.clear();
    running = server.handle(f);
    return out.sent;
  }
  std::vector<json> call(int id, const std::string &method, json params = json::object()) {
    return feed({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
  }
  std::vector<json> notify(const std::string &method, json params = json::object()) {
    return feed({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }
  void start() {
    ASSERT_EQ(call(1, "initialize", {{"processId", nullptr}, {"capabilities", json::object()}}).size(), 1u);
    ASSERT_TRUE(notify("initialized").empty());
  }
  static int error_code(const std::vector<json> &answers) {
    if (answers.size() != 1 || !answers[0].contains("error")) return 0;
    return answers[0]["error"]["code"].get<int>();
  }

  Recorder out;
  lsp::Server server{out};
  bool running = true;
};

TEST_F(ServerTest, InitializeAnnouncesFullTextSync) {
  auto answers = call(1, "initialize", {{"capabilities", json::object()}});
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0]["id"], 1);
  EXPECT_EQ(answers[0]["result"]["capabilities"]["textDocumentSync"]["change"], 1);
  EXPECT_EQ(answers[0]["result"]["capabilities"]["textDocumentSync"]["openClose"], true);
  EXPECT_EQ(error_code(call(2, "initialize")), -32600);
}

TEST_F(ServerTest, RequestsBeforeInitializeAreRefused) {
  auto answers = call(5, "textDocument/hover", {{"textDocument", {{"uri", "file:///a.bas"}}}});
  EXPECT_EQ(error_code(answers), -32002);
  EXPECT_EQ(answers[0]["id"], 5);
  EXPECT_TRUE(notify("textDocument/didOpen", {{"textDocument",
                                               {{"uri", "file:///a.bas"},
                                                {"languageId", "ombrik"},
                                                {"version", 1},
                                                {"text", "x = 1\n"}}}})
                  .empty());
  EXPECT_EQ(server.documents().find("file:///a.bas"), nullptr);
  EXPECT_TRUE(running);
}

TEST_F(ServerTest, MalformedMessagesGetTheRightErrors) {
  start();
  struct Case {
    const char *name;
    json message;
    int code;
    json id;
  };
  const Case cases[] = {
      {"unknown method", {{"jsonrpc", "2.0"}, {"id", 3}, {"method", "no/such"}}, -32601, 3},
      {"string id", {{"jsonrpc", "2.0"}, {"id", "x7"}, {"method", "no/such"}}, -32601, "x7"},
      {"id of the wrong type", {{"jsonrpc", "2.0"}, {"id", {{"a", 1}}}, {"method", "shutdown"}}, -32600, nullptr},
      {"fractional id", {{"jsonrpc", "2.0"}, {"id", 1.5}, {"method", "shutdown"}}, -32600, nullptr},
      {"no jsonrpc member", {{"id", 4}, {"method", "shutdown"}}, -32600, 4},
      {"method not a string", {{"jsonrpc", "2.0"}, {"id", 5}, {"method", 12}}, -32600, 5},
      {"no method", {{"jsonrpc", "2.0"}, {"id", 6}}, -32600, 6},
      {"params a number", {{"jsonrpc", "2.0"}, {"id", 7}, {"method", "shutdown"}, {"params", 5}}, -32602, 7},
      {"a batch", json::array({{{"jsonrpc", "2.0"}, {"id", 8}, {"method", "shutdown"}}}), -32600, nullptr},
      {"not an object", 42, -32600, nullptr},
      {"params of the wrong shape",
       {{"jsonrpc", "2.0"}, {"id", 9}, {"method", "textDocument/completion"}, {"params", {{"textDocument", 3}}}},
       -32602, 9},
      {"params missing",
       {{"jsonrpc", "2.0"}, {"id", 10}, {"method", "textDocument/completion"}}, -32602, 10},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    auto answers = feed(c.message);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(error_code(answers), c.code);
    EXPECT_EQ(answers[0]["id"], c.id);
    EXPECT_TRUE(running);
  }
  // Still serving: shutdown was refused above, so it works now.
  auto answers = call(11, "shutdown");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_TRUE(answers[0]["result"].is_null());
}

TEST_F(ServerTest, ParamsErrorsNameTheMember) {
  start();
  auto answers = call(3, "textDocument/completion", {{"textDocument", {{"uri", 5}}}});
  ASSERT_EQ(error_code(answers), -32602);
  EXPECT_EQ(answers[0]["error"]["message"], "\"uri\" must be a string");
}

TEST_F(ServerTest, NotificationsAreNeverAnswered) {
  start();
  EXPECT_TRUE(notify("no/such").empty());
  EXPECT_TRUE(notify("$/cancelRequest", {{"id", 1}}).empty());
  EXPECT_TRUE(feed({{"jsonrpc", "2.0"}, {"id", 99}, {"result", nullptr}}).empty());  // an answer to us
  // A broken notification can only be logged.
  auto answers = notify("textDocument/didOpen", {{"textDocument", {{"uri", "file:///a.bas"}}}});
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0]["method"], "window/logMessage");
  EXPECT_EQ(answers[0]["params"]["type"], 1);
  EXPECT_EQ(answers[0]["params"]["message"], "textDocument/didOpen: \"text\" is missing");
  EXPECT_TRUE(running);
}

TEST_F(ServerTest, MalformedFramesAreAnsweredWithNullId) {
  lsp::Frame f;
  f.kind = lsp::Frame::Kind::Malformed;
  f.code = lsp::ErrorCode::ParseError;
  f.problem = "the message has no Content-Length header";
  EXPECT_TRUE(server.handle(f));
  ASSERT_EQ(out.sent.size(), 1u);
  EXPECT_TRUE(out.sent[0]["id"].is_null());
  EXPECT_EQ(out.sent[0]["error"]["code"], -32700);
  EXPECT_EQ(out.sent[0]["error"]["message"], f.problem);
}

TEST_F(ServerTest, DocumentsFollowOpenChangeAndClose) {
  start();
  const std::string uri = "file:///w/main.bas";
  notify("textDocument/didOpen",
         {{"textDocument", {{"uri", uri}, {"languageId", "ombrik"}, {"version", 1}, {"text", "a = 1\n"}}}});
  ASSERT_NE(server.documents().find(uri), nullptr);
  EXPECT_EQ(server.documents().find(uri)->path, "/w/main.bas");

  notify("textDocument/didChange",
         {{"textDocument", {{"uri", uri}, {"version", 2}}}, {"contentChanges", {{{"text", "b = 2\nc = 3\n"}}}}});
  EXPECT_EQ(server.documents().find(uri)->text, "b = 2\nc = 3\n");
  EXPECT_EQ(server.documents().find(uri)->version, 2);

  json ranged = {{"range", {{"start", {{"line", 1}, {"character", 4}}}, {"end", {{"line", 1}, {"character", 5}}}}},
                 {"text", "30"}};
  notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 3}}}, {"contentChanges", {ranged}}});
  EXPECT_EQ(server.documents().find(uri)->text, "b = 2\nc = 30\n");

  EXPECT_TRUE(notify("textDocument/didSave", {{"textDocument", {{"uri", uri}}}}).empty());
  notify("textDocument/didClose", {{"textDocument", {{"uri", uri}}}});
  EXPECT_EQ(server.documents().find(uri), nullptr);

  // A change to a document that is not open is logged, not applied.
  auto answers = notify("textDocument/didChange",
                        {{"textDocument", {{"uri", uri}, {"version", 4}}}, {"contentChanges", {{{"text", "x"}}}}});
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0]["method"], "window/logMessage");
  EXPECT_EQ(server.documents().find(uri), nullptr);
}

TEST_F(ServerTest, CompletionOffersEveryKeyword) {
  start();
  auto answers = call(4, "textDocument/completion",
                      {{"textDocument", {{"uri", "file:///w/main.bas"}}}, {"position", {{"line", 0}, {"character", 0}}}});
  ASSERT_EQ(answers.size(), 1u);
  std::vector<std::string> labels;
  for (const json &item : answers[0]["result"]["items"])
    if (item["kind"] == 14) labels.push_back(item["label"]);
  EXPECT_EQ(labels, lsp::dialect_keywords());
}

TEST(KeywordList, WordsOfTheCompilersTableOnceEach) {
  const auto &words = lsp::dialect_keywords();
  // 147 keywords, less the twelve punctuation entries.
  EXPECT_EQ(words.size(), 135u);
  for (const char *w : {"ABS", "FUNCTION", "ENDFUNCTION", "GOSUB", "CALL", "__MAP__", "P0", "WR_HALF"})
    EXPECT_EQ(std::count(words.begin(), words.end(), w), 1) << w;
  for (const char *p : {"&", "(", "{", ";"})
    EXPECT_EQ(std::count(words.begin(), words.end(), p), 0) << p;
}

struct ExitCase {
  const char *name;
  bool shutdown_first;
  int status;
};

TEST(ServerExit, StatusDependsOnShutdown) {
  const ExitCase cases[] = {{"after shutdown", true, 0}, {"without shutdown", false, 1}};
  for (const ExitCase &c : cases) {
    SCOPED_TRACE(c.name);
    Recorder out;
    lsp::Server server(out);
    lsp::Frame f;
    f.kind = lsp::Frame::Kind::Message;
    f.message = {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}};
    ASSERT_TRUE(server.handle(f));
    if (c.shutdown_first) {
      f.message = {{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}};
      ASSERT_TRUE(server.handle(f));
      // After shutdown, requests are refused but the server waits for exit.
      f.message = {{"jsonrpc", "2.0"}, {"id", 3}, {"method", "textDocument/completion"}};
      ASSERT_TRUE(server.handle(f));
      EXPECT_EQ(out.sent.back()["error"]["code"], -32600);
    }
    f.message = {{"jsonrpc", "2.0"}, {"method", "exit"}};
    EXPECT_FALSE(server.handle(f));
    EXPECT_EQ(server.exit_status(), c.status);
  }
}

TEST(ServerExit, EndOfInputOrAGoneEditorStopsIt) {
  Recorder out;
  lsp::Server server(out);
  EXPECT_FALSE(server.handle(lsp::Frame{}));
  EXPECT_EQ(server.exit_status(), 1);

  Recorder closed;
  closed.open = false;
  lsp::Server orphan(closed);
  lsp::Frame f;
  f.kind = lsp::Frame::Kind::Message;
  f.message = {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}};
  EXPECT_FALSE(orphan.handle(f));
  EXPECT_EQ(orphan.exit_status(), 1);
}

TEST(Serve, WholeStreamInMemory) {
  auto framed = [](const json &m) { return lsp::frame(lsp::serialize(m)); };
  std::string input = framed({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}}) + "garbage\r\n" +
                      framed({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}}) +
                      framed({{"jsonrpc", "2.0"}, {"method", "exit"}}) +
                      framed({{"jsonrpc", "2.0"}, {"id", 3}, {"method", "never/read"}});
  lsp::MemorySource in(input);
  Recorder out;
  EXPECT_EQ(lsp::serve(in, out), 0);
  ASSERT_EQ(out.sent.size(), 3u);
  EXPECT_EQ(out.sent[0]["id"], 1);
  EXPECT_EQ(out.sent[1]["error"]["code"], -32700);
  EXPECT_EQ(out.sent[2]["id"], 2);
}

}  // namespace
