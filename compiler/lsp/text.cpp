#include "lsp/text.h"

namespace lsp {

namespace {

// Length in bytes and in UTF-16 units of the character at text[i].
struct Char {
  size_t bytes;
  uint32_t units;
};

Char char_at(std::string_view text, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char b = byte(i);
  size_t need;
  uint32_t min;
  if (b < 0x80) return {1, 1};
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    min = 0x10000;
  } else {
    return {1, 1};
  }
  if (i + need >= text.size()) return {1, 1};
  uint32_t cp = b & (0x3F >> need);
  for (size_t k = 1; k <= need; k++) {
    if ((byte(i + k) & 0xC0) != 0x80) return {1, 1};
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {1, 1};
  return {need + 1, cp >= 0x10000 ? 2u : 1u};
}

}  // namespace

LineIndex::LineIndex(std::string_view text) : text_(text) {
  starts_.push_back(0);
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == '\n' || text[i] == '\r') {
      ends_.push_back(i);
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') i++;
      starts_.push_back(i + 1);
    }
  }
  ends_.push_back(text.size());
}

std::string_view LineIndex::line(size_t n) const {
  if (n >= starts_.size()) return {};
  return text_.substr(starts_[n], ends_[n] - starts_[n]);
}

size_t LineIndex::line_start(size_t n) const {
  return n < starts_.size() ? starts_[n] : text_.size();
}

uint32_t utf16_length(std::string_view text) {
  uint32_t units = 0;
  for (size_t i = 0; i < text.size();) {
    Char c = char_at(text, i);
    i += c.bytes;
    units += c.units;
  }
  return units;
}

size_t byte_offset(std::string_view line, uint32_t utf16_character) {
  uint32_t units = 0;
  size_t i = 0;
  while (i < line.size()) {
    Char c = char_at(line, i);
    if (units + c.units > utf16_character) break;
    units += c.units;
    i += c.bytes;
  }
  return i;
}

uint32_t utf16_character(std::string_view line, size_t offset) {
  uint32_t units = 0;
  for (size_t i = 0; i < line.size() && i < offset;) {
    Char c = char_at(line, i);
    i += c.bytes;
    units += c.units;
  }
  return units;
}

size_t text_offset(std::string_view text, uint32_t line, uint32_t character) {
  LineIndex lines(text);
  if (line >= lines.line_count()) return text.size();
  return lines.line_start(line) + byte_offset(lines.line(line), character);
}

}  // namespace lsp
