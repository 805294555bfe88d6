// Writes the fuzzing dictionary of a compiler session on standard output:
// every keyword of the dialect, from the compiler's own keyword table, and
// the command lines of the standard-input protocol. The format is the one
// AFL++ and libFuzzer read: one name="value" line per entry.
#include <cstdio>
#include <cstring>

#include "frontend/keywords.h"

namespace {

void entry(const char *name, const char *value) {
  printf("%s=\"", name);
  for (const char *p = value; *p; p++) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\')
      printf("\\%c", c);
    else if (c < 32 || c >= 127)
      printf("\\x%02X", c);
    else
      putchar(c);
  }
  printf("\"\n");
}

}  // namespace

int main() {
  char name[32];
  // Entry 0 and the last entry are the table's sentinels.
  for (int i = 1; i < KEYWORD_COUNT - 1; i++) {
    snprintf(name, sizeof name, "keyword_%d", i);
    entry(name, keyword_table[i].name);
  }
  const char *lines[] = {"RUN\n", "QUITDUMP\n", "QUITNOW\n", "QUIT\n", "CLEAR\n", "?\n", "# 1 \"a.bas\"\n",
                         "<<", ">>", "<>", "<=", ">=", "+=", "\"", "&H", "%", "$", "0x", "\n"};
  int n = 0;
  for (const char *line : lines) {
    snprintf(name, sizeof name, "protocol_%d", n++);
    entry(name, line);
  }
  return 0;
}
