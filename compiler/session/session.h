// Compiling a program in-process: the command line's build, run and check,
// and anything else that wants the compiler's results without a process of
// its own (a language server compiles every edit this way).
//
//   ombrik::PreprocessResult source = ombrik::preprocess(name, text, options);
//   ombrik::FirmwareTable table;                      // optional
//   ombrik::read_firmware_table("boards/x.table", table, error);
//   ombrik::CompileResult r = ombrik::compile_program(source, &table, ombrik::CompileAction::Build);
//   r.status, r.diagnostics, r.image (Intel HEX), r.text (summary and map)
//
// How it drives the compiler. The compiler core is one set of global tables
// that reads its input through the line reader and ends the process on its
// fatal conditions. A compile here
//   1. resets the core to its start-up state (reset_to_startup and the host
//      machine's reset), then downloads the given table, if any, line by
//      line through the core's own download, so that validation and
//      messages are the download's; lines after the table's last word are
//      refused;
//   2. runs the core's command loop on the preprocessed lines (markers
//      included) through the line reader's line source, followed by
//      QUITDUMP (Build, Check), or by QUIT and then the core's RUN routine
//      (Run), so that what RUN reports is told apart from the compile's
//      errors; lines that are commands of the protocol (RUN, QUIT, CLEAR,
//      '?', ...) are refused before the core sees them;
//   3. receives every error through the core's diagnostics sink, and maps its
//      line and column back to the file and the line as written through the
//      preprocessor's line table;
//   4. captures what QUITDUMP or RUN writes through the core's output
//      streams: the Intel HEX image in one, everything else (size summary,
//      MAP line, symbol map, RUN's own lines) in the other;
//   5. turns the core's fatal exit into a return: the end-of-process hook
//      throws an exception that unwinds the core's frames (running their
//      destructors, which a longjmp would skip) back into compile_program,
//      which maps the exit status to a CompileStatus. The core's next reset
//      puts every table back, so a compile that ended half way through a
//      line leaves nothing behind.
// Every hook is restored before compile_program returns, so the standard-
// input protocol works as before in the same process.
//
// After compile_program returns, the core's global state is that of the
// finished program (code units, symbol table, firmware table, memory
// layout) until the next compile: image writers and symbol tables build on
// it there. compile_program may be called any number of times; it is not
// reentrant and not thread-safe (the core is one set of globals).
//
// A program run by Run prints on standard output and reads standard input,
// as RUN does.
#pragma once
#include <string>
#include <vector>

#include "preprocess/preprocess.h"
#include "session/diagnostic.h"

namespace ombrik {

// A firmware table as the text a board sends after '?': the version line,
// the count line and the table words, one a line.
struct FirmwareTable {
  std::string name;                // the file, for messages
  std::vector<std::string> lines;  // without line ends
  // 1-based line in the file of lines[0] (2 when the file starts with "?").
  uint32_t first_line = 1;
};

// Reads a table file. A first line "?" (as a saved download has it) is
// skipped, and so are empty lines at the end. False with a message when the
// file cannot be read (what its words say is the download's to judge).
bool read_firmware_table(const std::string &path, FirmwareTable &table, std::string &error);

enum class CompileAction {
  Check,  // compile and finish as QUITDUMP does; the image is dropped
  Build,  // compile and finish as QUITDUMP does
  Run,    // compile and run on the host as RUN does
};

enum class CompileStatus {
  Ok,
  Errors,  // errors in the program (or the preprocessor's)
  UndefinedLabels,
  ProcedureNotJumpedAround,  // a FUNCTION/SUB with no GOTO or MAIN: around it
  CodeSpace,                 // code space or another compiler table full
  StringSpace,
  BadTable,  // the table's count, a word, or its framing
  FirmwareTooOld,
};

struct CompileResult {
  CompileStatus status = CompileStatus::Ok;
  // In the order they were found: the preprocessor's, then the compiler's.
  // A compiler message names the file and line as written (its column
  // mapped back through any macro replacement); one about a table line
  // names the table file and line; one about the whole program (undefined
  // labels, a FUNCTION/SUB not jumped around, a statement still open at the
  // end) names the main file with line 0. A message's own trailing line end
  // is dropped.
  std::vector<Diagnostic> diagnostics;
  // Build: the Intel HEX image, byte for byte as QUITDUMP writes it.
  std::string image;
  // Everything else QUITDUMP or RUN writes, in order: procedure map lines,
  // the size summary, the MAP line, the symbol map (Build, Check); the size
  // line, "Executing on the PC..." and the timing line (Run). Lines meant for
  // display start with a double quote.
  std::string text;
};

// Compiles source (whose diagnostics are copied into the result; a source
// with preprocessor errors is not compiled) with table, or the built-in
// table when table is null.
CompileResult compile_program(const PreprocessResult &source, const FirmwareTable *table, CompileAction action);

// The display lines of text (a size summary), without their quotes and
// carriage returns, one per line.
std::string display_lines(const std::string &text);

}  // namespace ombrik
