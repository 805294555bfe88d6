// The preprocessor's macro table: #define, #undef and -D names, and their
// whole-word replacement in a line.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ombrik {

struct Macro {
  std::string text;
};

class MacroTable {
 public:
  // Names compare as the compiler compares names (letter case ignored).
  // Returns false when the name was defined with a different text before.
  bool define(std::string_view name, std::string_view text);
  void undefine(std::string_view name);
  bool defined(std::string_view name) const;
  const Macro *find(std::string_view name) const;

  // Replaces every macro name in the code of a line (not in strings or
  // comments), and the names in the replacements in turn; a macro is not
  // replaced inside its own replacement. columns receives, for each byte of
  // the result, the 0-based column of the byte it came from (for a
  // replacement, the column of the macro's name). Returns false with a
  // message when the result would exceed the limits below.
  bool expand(std::string_view line, std::string &out, std::vector<uint32_t> &columns, std::string &error) const;

  // Limits that keep a self-multiplying macro from exhausting the machine.
  static constexpr size_t EXPANDED_LINE_MAX = 65536;
  static constexpr int NESTING_MAX = 200;

 private:
  bool expand_into(std::string_view text, std::set<std::string> &active, int depth, int32_t column, std::string &out,
                   std::vector<uint32_t> &columns, std::string &error) const;
  std::map<std::string, Macro> macros_;
};

}  // namespace ombrik
