// Splits a source line the way the compiler's tokenizer reads it, as far as
// the preprocessor needs to know: names, numbers and string literals come
// whole, and everything from the start of a comment to the end of the line
// is one span. Macro names are replaced only in Word spans, so a name inside
// a string, a number such as &HFACE or a comment is never touched.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ombrik {

enum class SpanKind { Blank, Word, Number, String, Comment, Other };

struct Span {
  SpanKind kind;
  size_t begin;
  size_t end;  // exclusive
};

// A comment starts at an apostrophe, at ESC or ETX (where the tokenizer stops
// reading a line), or at the word REM heading a statement (at the start of
// the line or after a ':').
std::vector<Span> scan_line(std::string_view text);

// A name as the compiler compares it: letters folded to upper case, bytes
// from 0x80 folded the same way.
std::string fold_name(std::string_view word);

// True when text is exactly one name (letters, digits and '_', starting with
// a letter or '_', optionally ending in '$').
bool is_name(std::string_view text);

}  // namespace ombrik
