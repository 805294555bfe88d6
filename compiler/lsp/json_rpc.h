// JSON-RPC over a byte stream with Content-Length framing, as editors speak
// to language servers. The reader never trusts the peer: a frame with bad
// headers, a length that does not match its body, or bytes between frames is
// reported as a malformed frame, and the reader resynchronises on the next
// Content-Length header, so one bad message never stops the server.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace lsp {

using json = nlohmann::json;

// JSON-RPC and LSP error codes the server answers with.
enum class ErrorCode : int {
  ParseError = -32700,
  InvalidRequest = -32600,
  MethodNotFound = -32601,
  InvalidParams = -32602,
  InternalError = -32603,
  ServerNotInitialized = -32002,
  RequestFailed = -32803,
};

// Where the reader's bytes come from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to size bytes, blocking until at least one is there; 0 at the
  // end of the stream (a read error ends it just the same).
  virtual size_t read(char *buffer, size_t size) = 0;
  // True when read() would return at once. The reader asks before it waits
  // for the rest of a body, so that a Content-Length larger than the body
  // that was sent does not leave the editor waiting for an answer.
  virtual bool ready() = 0;
};

// A file descriptor, normally standard input.
class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  size_t read(char *buffer, size_t size) override;
  bool ready() override;

 private:
  int fd_;
};

// Bytes held in memory, for tests and the fuzzer: everything is ready, and
// the end of the bytes is the end of the stream.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  size_t read(char *buffer, size_t size) override;
  bool ready() override { return true; }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

struct Frame {
  enum class Kind { Message, Malformed, End };
  Kind kind = Kind::End;
  json message;                          // Message: the parsed body
  ErrorCode code = ErrorCode::ParseError;  // Malformed: the error to answer with
  std::string problem;                   // Malformed: what was wrong
};

// A body longer than this is refused and skipped, not held in memory.
constexpr size_t MAX_BODY_BYTES = 16u << 20;
// A header line longer than this is not a header.
constexpr size_t MAX_HEADER_LINE = 1024;
// No message of the protocol nests deeper; deeper bodies are refused before
// anything recursive (copying, printing) could walk them.
constexpr int MAX_JSON_DEPTH = 64;

class FrameReader {
 public:
  explicit FrameReader(ByteSource &source) : source_(source) {}
  // The next frame; Kind::End once the stream has ended, for ever after.
  Frame next();

 private:
  bool fill();
  void fill_ready();
  void compact();
  std::string_view rest() const { return std::string_view(buffer_).substr(pos_); }
  Frame read_body(size_t length);
  Frame accept(size_t length, json message);
  Frame malformed(ErrorCode code, std::string problem);

  ByteSource &source_;
  std::string buffer_;
  size_t pos_ = 0;
  bool ended_ = false;
  // After a frame whose extent is unknown (no usable Content-Length, or a
  // body that is not JSON), what is left of it is skipped up to the next
  // header without a second complaint.
  bool quiet_skip_ = false;
};

// Parses one JSON text; false (with why) when it is not JSON or nests deeper
// than MAX_JSON_DEPTH.
bool parse_json(std::string_view text, json &out, std::string *why = nullptr);

// A whole frame, headers and body, ready to write.
std::string frame(std::string_view body);
// The body text of a message. Bytes that are not UTF-8 (a source line may
// hold any byte) come out as U+FFFD rather than failing.
std::string serialize(const json &message);

json make_response(const json &id, json result);
json make_error(const json &id, ErrorCode code, std::string_view message);
json make_notification(std::string_view method, json params);

// Where the server's messages go: standard output, or a list in the tests.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // False when the peer is gone; the server then stops.
  virtual bool send(const json &message) = 0;
};

class FdSink final : public MessageSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}
  bool send(const json &message) override;

 private:
  int fd_;
};

}  // namespace lsp
