// The exit statuses of the subcommands. The standard-input protocol keeps
// its own (0 to 6); here 2 is taken by usage errors, so the protocol's own
// conditions start at 3, each with a status of its own.
#pragma once

namespace ombrik::cli {

enum ExitStatus : int {
  EXIT_OK = 0,
  EXIT_COMPILE_ERRORS = 1,
  EXIT_USAGE = 2,
  EXIT_UNDEFINED_LABELS = 3,
  EXIT_PROCEDURE_NOT_JUMPED_AROUND = 4,
  EXIT_CODE_SPACE = 5,
  EXIT_STRING_SPACE = 6,
  EXIT_BAD_TABLE = 7,
  EXIT_FIRMWARE_TOO_OLD = 8,
  EXIT_OUTPUT_FAILED = 9,
};

struct ExitStatusInfo {
  ExitStatus status;
  const char *meaning;
};

inline constexpr ExitStatusInfo exit_statuses[] = {
    {EXIT_OK, "success"},
    {EXIT_COMPILE_ERRORS, "errors in the program (each reported as a diagnostic)"},
    {EXIT_USAGE, "usage error: unknown option, missing or unreadable file"},
    {EXIT_UNDEFINED_LABELS, "undefined labels"},
    {EXIT_PROCEDURE_NOT_JUMPED_AROUND, "a FUNCTION or SUB is not jumped around (GOTO or MAIN: before it)"},
    {EXIT_CODE_SPACE, "code space exhausted, or another of the compiler's tables full"},
    {EXIT_STRING_SPACE, "string space exhausted"},
    {EXIT_BAD_TABLE, "bad firmware table (count, word or number of lines)"},
    {EXIT_FIRMWARE_TOO_OLD, "firmware too old for this compiler"},
    {EXIT_OUTPUT_FAILED, "an output file could not be written (the old one is left as it was)"},
};

}  // namespace ombrik::cli
