// What a program that compiles in-process redirects: where the line reader
// reads, where errors go, how the compiler ends and where the finished
// program is written. With nothing set, each is the standard-input
// protocol's: standard input, the error report on standard output and
// standard error, the end of the process, standard output.
#pragma once
#include <cstdint>
#include <cstdio>

#include "core/process.h"

enum class DiagnosticSeverity : uint8_t { Error, Warning };

struct CoreHooks {
  // The line reader's characters: the next byte, or EOF at the end.
  int (*next_char)(void *context) = nullptr;
  void *next_char_context = nullptr;
  // Receives each error in place of the printed report. file and line are
  // the line marker's file and the line number as the report would give
  // them; column is the 1-based column in the line read of the token the
  // compiler was at, 0 when not known; message is the report's text.
  void (*report)(void *context, const char *file, uint32_t line, uint32_t column, DiagnosticSeverity severity,
                 const char *message) = nullptr;
  void *report_context = nullptr;
  // Called in place of ending the process, with the status it would end
  // with; it must not return (a caller that compiles in-process throws).
  void (*end)(ExitStatus status) = nullptr;
  // The Intel HEX records of the image, and everything else a finished or
  // run program writes: size summary, MAP line, symbol map, RUN's own lines.
  FILE *image = nullptr;
  FILE *text = nullptr;
};
extern CoreHooks hooks;

inline FILE *image_stream() { return hooks.image ? hooks.image : stdout; }
inline FILE *text_stream() { return hooks.text ? hooks.text : stdout; }
