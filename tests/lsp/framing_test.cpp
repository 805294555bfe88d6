// Content-Length framing: well-formed streams, every kind of damage the
// reader must survive, and resynchronisation on the next good frame.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "lsp/json_rpc.h"

using lsp::ErrorCode;
using lsp::Frame;
using lsp::FrameReader;
using lsp::json;
using lsp::MemorySource;

namespace {

std::string framed(const std::string &body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// What the reader made of a stream: "M:<id>" for a message (its "id"),
// "E:<problem>" for a malformed frame, until the end.
std::vector<std::string> read_all(lsp::ByteSource &source) {
  FrameReader reader(source);
  std::vector<std::string> seen;
  for (int guard = 0; guard < 100; guard++) {
    Frame f = reader.next();
    if (f.kind == Frame::Kind::End) return seen;
    if (f.kind == Frame::Kind::Message)
      seen.push_back("M:" + (f.message.is_object() && f.message.contains("id") ? f.message["id"].dump()
                                                                               : f.message.dump()));
    else
      seen.push_back("E:" + f.problem);
  }
  ADD_FAILURE() << "the reader did not reach the end";
  return seen;
}

std::vector<std::string> read_all(const std::string &bytes) {
  MemorySource source(bytes);
  return read_all(source);
}

const std::string A = R"({"jsonrpc":"2.0","id":1,"method":"a"})";
const std::string B = R"({"jsonrpc":"2.0","id":2,"method":"b"})";

struct StreamCase {
  const char *name;
  std::string bytes;
  std::vector<std::string> expected;
};

const std::vector<StreamCase> stream_cases = {
    {"two frames", framed(A) + framed(B), {"M:1", "M:2"}},
    {"header names in any case, other headers ignored",
     "content-LENGTH: " + std::to_string(A.size()) +
         "\r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n" + A + framed(B),
     {"M:1", "M:2"}},
    {"bare newlines", "Content-Length: " + std::to_string(A.size()) + "\n\n" + A, {"M:1"}},
    {"blank lines between frames", "\r\n\r\n" + framed(A) + "\r\n" + framed(B), {"M:1", "M:2"}},
    {"no Content-Length", "Content-Type: x\r\n\r\n" + A + framed(B),
     {"E:the message has no Content-Length header", "M:2"}},
    {"Content-Length not a number", "Content-Length: 3x\r\n\r\n" + A + framed(B),
     {"E:the Content-Length header is not a length", "M:2"}},
    {"Content-Length negative", "Content-Length: -5\r\n\r\n" + A + framed(B),
     {"E:the Content-Length header is not a length", "M:2"}},
    {"Content-Length too large to hold", "Content-Length: 99999999999999999999999\r\n\r\n" + A + framed(B),
     {"E:the Content-Length header is not a length", "M:2"}},
    {"body over the limit", "Content-Length: 16777217\r\n\r\n" + A + framed(B),
     {"E:a body of 16777217 bytes is longer than the 16777216 accepted", "M:2"}},
    {"Content-Length too small", "Content-Length: 10\r\n\r\n" + A + framed(B), {"M:1", "M:2"}},
    {"Content-Length too large, the next frame follows",
     "Content-Length: " + std::to_string(A.size() + 30) + "\r\n\r\n" + A + framed(B), {"M:1", "M:2"}},
    {"Content-Length too large at the end of the input",
     "Content-Length: " + std::to_string(A.size() + 30) + "\r\n\r\n" + A, {"M:1"}},
    {"bytes between frames", framed(A) + "hello there\r\n" + framed(B),
     {"M:1", "E:13 bytes outside any message were skipped", "M:2"}},
    {"bytes running into a header", framed(A) + "junk" + framed(B),
     {"M:1", "E:4 bytes outside any message were skipped", "M:2"}},
    {"a line too long to be a header", std::string(5000, 'x') + framed(B),
     {"E:5000 bytes outside any message were skipped", "M:2"}},
    {"bytes at the end", framed(A) + "trailing", {"M:1", "E:8 bytes outside any message were skipped"}},
    {"input ends in the headers", framed(A) + "Content-Length: 5\r\n",
     {"M:1", "E:the input ended inside a header"}},
    {"input ends in the body", framed(A) + "Content-Length: 50\r\n\r\n{\"id\":",
     {"M:1", "E:the input ended inside a message body"}},
    {"empty input", "", {}},
};

TEST(Framing, Streams) {
  for (const StreamCase &c : stream_cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(read_all(c.bytes), c.expected);
  }
}

TEST(Framing, BodyThatIsNotJsonIsReportedAndTheNextFrameRead) {
  auto seen = read_all(framed("{\"id\": 1,") + framed(B));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].rfind("E:the message body is not JSON: ", 0), 0u) << seen[0];
  EXPECT_EQ(seen[1], "M:2");
}

TEST(Framing, DeepNestingIsRefused) {
  std::string deep(lsp::MAX_JSON_DEPTH + 2, '[');
  deep += std::string(lsp::MAX_JSON_DEPTH + 2, ']');
  std::string ok(lsp::MAX_JSON_DEPTH, '[');
  ok += std::string(lsp::MAX_JSON_DEPTH, ']');
  auto seen = read_all(framed(deep) + framed(ok) + framed(B));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_NE(seen[0].find("nests deeper than 64 levels"), std::string::npos) << seen[0];
  EXPECT_EQ(seen[1].substr(0, 4), "M:[[");
  EXPECT_EQ(seen[2], "M:2");
}

TEST(Framing, EndStaysEnd) {
  const std::string bytes = framed(A);
  MemorySource source(bytes);
  FrameReader reader(source);
  EXPECT_EQ(reader.next().kind, Frame::Kind::Message);
  for (int i = 0; i < 3; i++) EXPECT_EQ(reader.next().kind, Frame::Kind::End);
}

// A writer that sends one byte at a time and never has more waiting: the
// reader must wait for the whole body instead of taking a JSON prefix.
class Trickle final : public lsp::ByteSource {
 public:
  explicit Trickle(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t read(char *buffer, size_t size) override {
    if (pos_ == bytes_.size() || size == 0) return 0;
    buffer[0] = bytes_[pos_++];
    return 1;
  }
  bool ready() override { return false; }

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

TEST(Framing, SlowWriterIsWaitedFor) {
  const std::string body = R"({"jsonrpc":"2.0","id":7,"method":"a","params":{"x":[1,2,{"y":3}]}})";
  Trickle source(framed(body) + framed(B));
  EXPECT_EQ(read_all(source), (std::vector<std::string>{"M:7", "M:2"}));
}

// Over a real pipe that stays open, a too-large Content-Length must not
// leave the reader waiting for bytes the editor will never send.
TEST(Framing, TooLargeLengthOnAnOpenPipeIsAnsweredAtOnce) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string bytes = "Content-Length: " + std::to_string(A.size() + 100) + "\r\n\r\n" + A;
  ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  lsp::FdSource source(fds[0]);
  FrameReader reader(source);
  Frame f = reader.next();
  ASSERT_EQ(f.kind, Frame::Kind::Message);
  EXPECT_EQ(f.message["id"], 1);
  close(fds[1]);
  EXPECT_EQ(reader.next().kind, Frame::Kind::End);
  close(fds[0]);
}

TEST(Framing, WrittenFramesReadBack) {
  json message = lsp::make_error(3, ErrorCode::MethodNotFound, "unknown method \"x\"");
  std::string bytes = lsp::frame(lsp::serialize(message));
  EXPECT_EQ(bytes.rfind("Content-Length: " + std::to_string(lsp::serialize(message).size()) + "\r\n\r\n", 0),
            0u);
  MemorySource source(bytes);
  FrameReader reader(source);
  Frame f = reader.next();
  ASSERT_EQ(f.kind, Frame::Kind::Message);
  EXPECT_EQ(f.message["error"]["code"], -32601);
  EXPECT_EQ(f.message["id"], 3);
}

TEST(Framing, BytesThatAreNotUtf8AreReplacedWhenWritten) {
  json message = lsp::make_notification("x", {{"text", std::string("a\xff" "b")}});
  EXPECT_NE(lsp::serialize(message).find("a\xef\xbf\xbd" "b"), std::string::npos);
}

}  // namespace
