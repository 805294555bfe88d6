// The three forms the command line gives diagnostics in: text for people
// ("file:line:col: error: message", the line and a caret under the column),
// one JSON object per line for scripts, and a SARIF 2.1.0 log for
// code-review tools.
#pragma once
#include <string>
#include <vector>

#include "session/diagnostic.h"

namespace ombrik::cli {

enum class DiagnosticFormat { Text, Json, Sarif };

// "file:line:col: error: message" and, when the column is known, the line as
// written and a caret line under it. The parts that are not known are left
// out: "file:line: error: ...", "file: error: ...", "ombrik: error: ...".
std::string format_text(const Diagnostic &d);

// One JSON object with the keys file, line, column, severity and message, and
// a line end; an unknown line or column is null, a message about no file has
// a null file. Bytes that are not UTF-8 become U+FFFD.
std::string format_json_line(const Diagnostic &d);

struct SarifTool {
  std::string name;
  std::string version;
};

// A SARIF 2.1.0 log with one run holding every diagnostic as a result.
// Columns are counted in Unicode code points of the line as written, as the
// log declares.
std::string format_sarif(const std::vector<Diagnostic> &diagnostics, const SarifTool &tool, int exit_status);

// A file name as a SARIF artifact URI: a relative reference for a relative
// name, a file: URI for an absolute one, reserved characters percent-encoded.
std::string artifact_uri(const std::string &file);

}  // namespace ombrik::cli
