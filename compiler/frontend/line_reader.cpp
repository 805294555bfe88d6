#include "frontend/line_reader.h"

#include <cstdio>

#include "core/hooks.h"
#include "core/process.h"

LineReader reader;

int32_t BASICgetln(char *buffer) {
  int32_t len = 0;
  int c;
  reader.line_was_cut = 0;
  // One thread reads standard input: without taking the stream lock per
  // character. A caller that compiles in-process gives the characters
  // itself (core/hooks.h).
  while ((c = hooks.next_char ? hooks.next_char(hooks.next_char_context) : getchar_unlocked()) != EOF && c != '\n') {
    if (len < 255)
      buffer[len++] = static_cast<char>(c);
    else
      reader.line_was_cut = 1;
  }
  if (c == EOF && len == 0 && !reader.line_was_cut) {
    // The outside program closed our input: nothing more will come.
    end_process(ExitStatus::Done);
  }
  if (len > 0 && buffer[len - 1] == '\r' && !reader.line_was_cut) len--;
  buffer[len] = 0;
  return len;
}
