// The dialect's own preprocessor. It runs before the compiler and turns a
// source file and the files it includes into the one stream of lines the
// compiler reads, with line markers (# N "file") wherever the stream moves
// to another place, so that every compiler message names the file and line
// as written.
//
// Directives (a line whose first non-blank character is '#'; the directive
// name in any letter case):
//   #include "FILE"      FILE relative to the including file, then in each -I
//                        directory in order
//   #define NAME TEXT    NAME is replaced by TEXT (whole names only, not in
//                        strings or comments; letter case ignored as the
//                        compiler ignores it); TEXT ends at a ' comment
//   #undef NAME
//   #ifdef NAME / #ifndef NAME / #if EXPR / #elif EXPR / #else / #endif
//   #error TEXT          an error with TEXT as its message
// A line "# N ..." (a space, then a digit) is the compiler's own line marker
// and keeps its meaning: it passes through and the lines after it are
// numbered from N. Any other '#' line with a name is reported as an unknown
// directive (a warning) and passed through, which the compiler ignores.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "session/diagnostic.h"

namespace ombrik {

// What reading one file gave.
struct FileRead {
  enum Status { Ok, Missing, Failed } status = Missing;
  std::string text;
  // Names the file itself, whatever path led to it, so that an include
  // cycle is seen however the files name each other.
  std::string identity;
  // Why a file that exists could not be read ("is a directory", ...).
  std::string error;
};
using FileReader = std::function<FileRead(const std::string &path)>;

// Reads a file from disk (the default reader).
FileRead read_source_file(const std::string &path);

struct PreprocessOptions {
  std::vector<std::string> include_dirs;
  // As given to -D: NAME (defined as 1) or NAME=TEXT; a later one for the
  // same name replaces an earlier one. They are defined before the first
  // line, so a file can give a default that -D overrides with
  //   #ifndef NAME / #define NAME default / #endif
  std::vector<std::string> defines;
  // How #include reads files; an editor may serve its unsaved buffers.
  FileReader read_file = read_source_file;
  uint32_t include_depth_max = 32;
  // The whole output, in lines; a file that includes another many times
  // over cannot make it grow without end.
  size_t output_lines_max = 1u << 20;
};

// One line of the output and where it came from.
struct OutputLine {
  std::string text;
  // Index into PreprocessResult::file_names of the file messages about this
  // line name, and its line number there; file is -1 for line markers.
  int32_t file = -1;
  uint32_t line = 0;
  // The line as written, when macro replacement changed it (else empty).
  std::string written;
  // For each byte of text, the 0-based column in the written line it came
  // from; empty when text is the line as written.
  std::vector<uint32_t> columns;

  const std::string &source() const { return columns.empty() ? text : written; }
  // The 1-based column in the written line of the 1-based column c of text
  // (a column beyond the text maps beyond the written line).
  uint32_t written_column(uint32_t c) const;
};

struct PreprocessResult {
  std::vector<std::string> file_names;
  std::vector<OutputLine> lines;
  std::vector<Diagnostic> diagnostics;

  bool has_errors() const;
  // The stream the compiler reads: every line followed by '\n'.
  std::string text() const;
};

// Preprocesses text, the contents of the file named name (the name messages
// and markers use; includes are looked up relative to it). identity is the
// file's FileRead::identity, for finding a cycle back to it (default: name).
PreprocessResult preprocess(const std::string &name, std::string_view text, const PreprocessOptions &options,
                            const std::string &identity = "");

// Splits a -D argument, NAME or NAME=TEXT; false with a message when NAME is
// not a name.
bool parse_define(std::string_view argument, std::string &name, std::string &text, std::string &error);

// The longest file name a line marker can carry.
extern const size_t MARKER_FILE_NAME_MAX;

}  // namespace ombrik
