#include "frontend/diagnostics.h"

#include <cstdio>

#include "core/hooks.h"
#include "frontend/line_reader.h"
#include "frontend/tokenizer.h"

Diagnostics diag;

void reset_diagnostics() { diag = Diagnostics{.error_count = diag.error_count}; }

void print_error_ln(const char *msg) {
  diag.error_count++;
  if (hooks.report) {
    hooks.report(hooks.report_context, reader.current_filename, diag.g_linenum, error_column(),
                 DiagnosticSeverity::Error, msg);
  } else {
    printf("%s\n%s", reader.line, "-ERROR ");
    fprintf(stderr, "%s\n%s", reader.line, "-ERROR ");
    printf(" %s: %d: %s\n", reader.current_filename, diag.g_linenum, msg);
    fprintf(stderr, " %s: %d: %s\n", reader.current_filename, diag.g_linenum, msg);
  }
  if (diag.firstERR == 0) diag.firstERR = diag.g_linenum;
  diag.error_seen = 1;
}

void report_plain_error(const char *printed, const char *message) {
  if (hooks.report)
    hooks.report(hooks.report_context, reader.current_filename, diag.g_linenum, 0, DiagnosticSeverity::Error, message);
  else
    fputs(printed, stdout);
}

void report_warning(const char *message) {
  if (hooks.report)
    hooks.report(hooks.report_context, reader.current_filename, diag.g_linenum, 0, DiagnosticSeverity::Warning,
                 message);
}

void fatal_error(const char *msg, ExitStatus status) {
  print_error_ln(msg);
  end_process(status);
}
