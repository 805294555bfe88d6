#include "preprocess/line_lexer.h"

#include "frontend/tokenizer.h"

namespace ombrik {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool comment_start(char c) { return c == '\'' || c == 0x1B || c == 0x03; }
uint8_t byte(std::string_view t, size_t i) { return i < t.size() ? static_cast<uint8_t>(t[i]) : 0; }
bool name_start(uint8_t c) { return is_alpha(c) || to_upper(c) == '_'; }

size_t scan_name(std::string_view t, size_t p) {
  while (p < t.size() && is_alpha_num(byte(t, p))) p++;
  if (p < t.size() && t[p] == '$') p++;
  return p;
}

// Digits of one number part, with the prefixes the compiler's number reader
// takes: 0x, &H and $ (hexadecimal), % (binary).
size_t scan_digits(std::string_view t, size_t p) {
  bool hex = false;
  if (byte(t, p) == '0' && byte(t, p + 1) == 'x') {
    hex = true;
    p += 2;
  } else if (byte(t, p) == '&' && byte(t, p + 1) == 'H') {
    hex = true;
    p += 2;
  } else if (byte(t, p) == '$') {
    hex = true;
    p++;
  } else if (byte(t, p) == '%') {
    p++;
  }
  for (; p < t.size(); p++) {
    uint8_t c = byte(t, p);
    if (is_num(c) || (hex && to_upper(c) >= 'A' && to_upper(c) <= 'F')) continue;
    break;
  }
  return p;
}

size_t scan_number(std::string_view t, size_t p) {
  p = scan_digits(t, p);
  if (byte(t, p) == '.') p = scan_digits(t, p + 1);
  if (byte(t, p) == 'E' || byte(t, p) == 'e') {
    p++;
    if (byte(t, p) == '+' || byte(t, p) == '-') p++;
    while (p < t.size() && is_num(byte(t, p))) p++;
  }
  return p;
}

size_t scan_string(std::string_view t, size_t p) {
  // "x" is a character literal, so three quotes in a row are one.
  if (p + 2 < t.size() && t[p + 2] == '"') return p + 3;
  size_t close = t.find('"', p + 1);
  return close == std::string_view::npos ? t.size() : close + 1;
}

bool is_rem(std::string_view t, const Span &s) {
  return s.end - s.begin == 3 && fold_name(t.substr(s.begin, 3)) == "REM" && (s.end == t.size() || blank(t[s.end]));
}

}  // namespace

std::vector<Span> scan_line(std::string_view t) {
  std::vector<Span> spans;
  bool statement_start = true;
  size_t p = 0;
  while (p < t.size()) {
    char c = t[p];
    uint8_t u = byte(t, p);
    Span s{SpanKind::Other, p, p + 1};
    if (blank(c)) {
      s.kind = SpanKind::Blank;
      while (s.end < t.size() && blank(t[s.end])) s.end++;
    } else if (comment_start(c)) {
      s = {SpanKind::Comment, p, t.size()};
    } else if (name_start(u)) {
      s = {SpanKind::Word, p, scan_name(t, p)};
      if (statement_start && is_rem(t, s)) s = {SpanKind::Comment, p, t.size()};
    } else if (start_number(c, static_cast<char>(byte(t, p + 1)))) {
      s = {SpanKind::Number, p, scan_number(t, p)};
      // "$" or "%" with no digit still moves on.
      if (s.end == p) s.end = p + 1;
    } else if (c == '"') {
      s = {SpanKind::String, p, scan_string(t, p)};
    }
    if (s.kind != SpanKind::Blank) statement_start = s.kind == SpanKind::Other && c == ':';
    spans.push_back(s);
    p = s.end;
  }
  return spans;
}

std::string fold_name(std::string_view word) {
  std::string folded(word);
  for (char &c : folded) c = static_cast<char>(to_upper(static_cast<uint8_t>(c)));
  return folded;
}

bool is_name(std::string_view text) {
  if (text.empty() || !name_start(byte(text, 0))) return false;
  return scan_name(text, 0) == text.size();
}

}  // namespace ombrik
