#include "lsp/json_rpc.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace lsp {

namespace {

constexpr std::string_view CONTENT_LENGTH = "content-length:";

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Position of "Content-Length:" in any letter case at or after from.
size_t find_content_length(std::string_view text, size_t from) {
  if (text.size() < CONTENT_LENGTH.size()) return std::string_view::npos;
  for (size_t i = from; i + CONTENT_LENGTH.size() <= text.size(); i++) {
    size_t k = 0;
    while (k < CONTENT_LENGTH.size() && lower(text[i + k]) == CONTENT_LENGTH[k]) k++;
    if (k == CONTENT_LENGTH.size()) return i;
  }
  return std::string_view::npos;
}

bool is_token_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.';
}

// "Name: value" with a header name of token characters.
bool split_header(std::string_view line, std::string_view &name, std::string_view &value) {
  size_t colon = line.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  for (size_t i = 0; i < colon; i++)
    if (!is_token_char(line[i])) return false;
  name = line.substr(0, colon);
  value = line.substr(colon + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  return true;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// A decimal length, refused when empty, not all digits or too large to hold.
bool parse_length(std::string_view text, size_t &length) {
  if (text.empty() || text.size() > 18) return false;
  size_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  length = n;
  return true;
}

struct TooDeep {};

}  // namespace

size_t FdSource::read(char *buffer, size_t size) {
  for (;;) {
    ssize_t n = ::read(fd_, buffer, size);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return 0;
  }
}

bool FdSource::ready() {
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

size_t MemorySource::read(char *buffer, size_t size) {
  size_t n = std::min(size, bytes_.size() - pos_);
  bytes_.copy(buffer, n, pos_);
  pos_ += n;
  return n;
}

bool parse_json(std::string_view text, json &out, std::string *why) {
  try {
    out = json::parse(
        text.begin(), text.end(),
        [](int depth, json::parse_event_t, json &) {
          if (depth > MAX_JSON_DEPTH) throw TooDeep{};
          return true;
        });
    return true;
  } catch (const json::exception &e) {
    if (why) *why = e.what();
  } catch (const TooDeep &) {
    if (why) *why = "the JSON nests deeper than " + std::to_string(MAX_JSON_DEPTH) + " levels";
  }
  return false;
}

bool FrameReader::fill() {
  if (ended_) return false;
  char chunk[65536];
  size_t n = source_.read(chunk, sizeof chunk);
  if (n == 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(chunk, n);
  return true;
}

void FrameReader::fill_ready() {
  while (!ended_ && source_.ready() && fill()) {
  }
}

void FrameReader::compact() {
  if (pos_ == 0) return;
  buffer_.erase(0, pos_);
  pos_ = 0;
}

Frame FrameReader::accept(size_t length, json message) {
  pos_ += length;
  Frame f;
  f.kind = Frame::Kind::Message;
  f.message = std::move(message);
  return f;
}

Frame FrameReader::malformed(ErrorCode code, std::string problem) {
  Frame f;
  f.kind = Frame::Kind::Malformed;
  f.code = code;
  f.problem = std::move(problem);
  return f;
}

Frame FrameReader::next() {
  compact();
  size_t skipped = 0;  // bytes dropped because they were outside any frame
  bool in_headers = false;
  bool have_length = false;
  bool bad_length = false;
  size_t length = 0;
  for (;;) {
    // Peek at the next line, or at as much of it as a header may be long.
    size_t nl;
    while ((nl = rest().find('\n')) == std::string_view::npos && rest().size() <= MAX_HEADER_LINE &&
           fill()) {
    }
    if (rest().empty()) {
      if (skipped > 0 && !quiet_skip_)
        return malformed(ErrorCode::ParseError,
                         std::to_string(skipped) + " bytes outside any message were skipped");
      if (in_headers) return malformed(ErrorCode::ParseError, "the input ended inside a header");
      return Frame{};
    }
    bool complete = nl != std::string_view::npos && nl <= MAX_HEADER_LINE;
    std::string_view line = rest().substr(0, complete ? nl : std::min(rest().size(), MAX_HEADER_LINE));
    size_t consumed = complete ? nl + 1 : line.size();
    if (complete && !line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (complete && line.empty()) {
      pos_ += consumed;
      if (in_headers) break;
      continue;  // blank lines between frames are harmless
    }
    // Bytes outside a frame (such as the rest of a body whose Content-Length
    // was too small) may run straight into the next header.
    size_t k = find_content_length(line, 1);
    std::string_view name, value;
    if (k == std::string_view::npos && complete && split_header(line, name, value)) {
      if (skipped > 0 && !in_headers) {
        if (!quiet_skip_)
          return malformed(ErrorCode::ParseError,
                           std::to_string(skipped) + " bytes outside any message were skipped");
        skipped = 0;
      }
      quiet_skip_ = false;
      in_headers = true;
      pos_ += consumed;
      if (same_name(name, "Content-Length")) {
        have_length = parse_length(value, length);
        bad_length = !have_length;
      }
      continue;  // other headers (Content-Type) carry nothing we need
    }
    size_t drop;
    if (k != std::string_view::npos) {
      drop = k;
    } else if (!complete && !ended_) {
      drop = line.size() - (CONTENT_LENGTH.size() - 1);  // a header may straddle the cut
    } else {
      drop = consumed;
    }
    pos_ += drop;
    skipped += drop;
    in_headers = have_length = bad_length = false;
  }

  if (bad_length || !have_length) {
    quiet_skip_ = true;
    return malformed(ErrorCode::ParseError,
                     bad_length ? "the Content-Length header is not a length"
                                : "the message has no Content-Length header");
  }
  if (length > MAX_BODY_BYTES) {
    quiet_skip_ = true;
    return malformed(ErrorCode::ParseError, "a body of " + std::to_string(length) +
                                                " bytes is longer than the " +
                                                std::to_string(MAX_BODY_BYTES) + " accepted");
  }
  return read_body(length);
}

Frame FrameReader::read_body(size_t length) {
  json message;
  // A Content-Length too large: the JSON ends before the declared length,
  // and the rest is either the next frame or nothing at all (the editor waits
  // for our answer). Either way, take the whole JSON text that is there.
  auto whole_text_before_next_header = [&](std::string_view text) -> size_t {
    if (parse_json(text, message) && (message.is_object() || message.is_array())) return text.size();
    for (size_t k = find_content_length(text, 1); k != std::string_view::npos;
         k = find_content_length(text, k + 1))
      if (parse_json(text.substr(0, k), message)) return k;
    return 0;
  };

  while (rest().size() < length) {
    if (!ended_ && source_.ready()) {
      fill();
      continue;
    }
    if (size_t k = whole_text_before_next_header(rest())) return accept(k, std::move(message));
    if (ended_) {
      pos_ = buffer_.size();
      return malformed(ErrorCode::ParseError, "the input ended inside a message body");
    }
    fill();  // a slow writer: wait for the rest
  }

  std::string why;
  std::string_view body = rest().substr(0, length);
  if (parse_json(body, message, &why)) return accept(length, std::move(message));
  if (size_t k = whole_text_before_next_header(body)) return accept(k, std::move(message));
  // A Content-Length too small: the JSON goes on up to the next header.
  fill_ready();
  size_t end = find_content_length(rest(), length);
  if (end == std::string_view::npos) end = rest().size();
  if (end > length && parse_json(rest().substr(0, end), message)) return accept(end, std::move(message));
  pos_ += length;
  quiet_skip_ = true;
  return malformed(ErrorCode::ParseError, "the message body is not JSON: " + why);
}

std::string frame(std::string_view body) {
  std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  out.append(body);
  return out;
}

std::string serialize(const json &message) {
  return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

json make_response(const json &id, json result) {
  return json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

json make_error(const json &id, ErrorCode code, std::string_view message) {
  return json{{"jsonrpc", "2.0"},
              {"id", id},
              {"error", {{"code", static_cast<int>(code)}, {"message", std::string(message)}}}};
}

json make_notification(std::string_view method, json params) {
  return json{{"jsonrpc", "2.0"}, {"method", std::string(method)}, {"params", std::move(params)}};
}

bool FdSink::send(const json &message) {
  std::string bytes = frame(serialize(message));
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace lsp
