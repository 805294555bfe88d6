// One message about a compile, as every front end of the tool-chain passes
// it on: the preprocessor, the compiler core (through its diagnostics sink)
// and the table reader all produce these, and the command line renders them
// as text, JSON lines or a SARIF log.
#pragma once
#include <cstdint>
#include <string>

namespace ombrik {

enum class Severity { Error, Warning };

struct Diagnostic {
  // The file as it was named on the command line or in the #include; empty
  // for a message about no file in particular.
  std::string file;
  // 1-based; 0 when the message concerns the file as a whole.
  uint32_t line = 0;
  // 1-based byte column in the line as written; 0 when not known.
  uint32_t column = 0;
  Severity severity = Severity::Error;
  // The compiler's own text, unchanged.
  std::string message;
  // The line as written in its file, for showing it with a caret; empty when
  // there is no such line.
  std::string source_line;
};

inline const char *severity_name(Severity s) { return s == Severity::Error ? "error" : "warning"; }

}  // namespace ombrik
