// What build, run and check share: the options that say what to compile and
// how to report, reading the inputs they name, and reporting the result.
#pragma once
#include <string>
#include <vector>

#include "cli/diagnostic_formats.h"
#include "cli/options.h"
#include "session/session.h"

namespace ombrik::cli {

// -t/--table, -D/--define, -I/--include-dir, --diagnostics, and -h/--help.
std::vector<OptionDef> compile_options();
// -h/--help, which every subcommand takes.
OptionDef help_option();

struct CompileInputs {
  std::string source_path;
  PreprocessResult source;
  bool has_table = false;
  FirmwareTable table;
  DiagnosticFormat format = DiagnosticFormat::Text;
};

// Reads the source file and the table and preprocesses the source. On a
// usage error (a missing or unreadable file, a bad option value) prints the
// message and returns EXIT_USAGE; else EXIT_OK.
int read_compile_inputs(const ParsedOptions &options, CompileInputs &inputs);

// Compiles the inputs, prints the diagnostics on standard error in the
// chosen format and returns the result; status is the exit status.
CompileResult compile_and_report(const CompileInputs &inputs, CompileAction action, int &status);

// The exit status of a compile's outcome.
int exit_status_of(CompileStatus status);

// Prints a usage error ("ombrik: message") and returns EXIT_USAGE.
int usage_error(const std::string &message);

}  // namespace ombrik::cli
