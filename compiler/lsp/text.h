// Lines and positions of a document as editors count them: lines end at
// "\n", "\r\n" or "\r", and a character position counts UTF-16 code units,
// while the compiler counts bytes of UTF-8 (or whatever) text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lsp {

// Byte offsets of the line starts of a text. Holds a view: the text must
// outlive it.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text);
  size_t line_count() const { return starts_.size(); }
  // Line n without its line end; empty past the last line.
  std::string_view line(size_t n) const;
  size_t line_start(size_t n) const;

 private:
  std::string_view text_;
  std::vector<size_t> starts_;
  std::vector<size_t> ends_;
};

// UTF-16 code units in text. A byte that does not begin a well-formed UTF-8
// sequence counts as one unit, as editors show it as one replacement
// character.
uint32_t utf16_length(std::string_view text);
// Byte offset in line of a UTF-16 position, clamped to the line's end; a
// position inside a character means that character's start.
size_t byte_offset(std::string_view line, uint32_t utf16_character);
// UTF-16 position of a byte offset in line (clamped to the line's end).
uint32_t utf16_character(std::string_view line, size_t byte_offset);

// Byte offset in text of an LSP position; past the last line or past a
// line's end means the end of that line or of the text.
size_t text_offset(std::string_view text, uint32_t line, uint32_t character);

}  // namespace lsp
