#include <cstdio>
#include <cstdlib>
#include <sys/time.h>

#include "driver/driver.h"

uint8_t line_was_cut = 0;

int32_t BASICgetln(char *buffer) {
  int32_t len = 0;
  int c;
  line_was_cut = 0;
  while ((c = getchar()) != EOF && c != '\n') {
    if (len < 255)
      buffer[len++] = static_cast<char>(c);
    else
      line_was_cut = 1;
  }
  if (c == EOF && len == 0 && !line_was_cut) {
    // The outside program closed our input: nothing more will come.
    fflush(stdout);
    exit(0);
  }
  if (len > 0 && buffer[len - 1] == '\r' && !line_was_cut) len--;
  buffer[len] = 0;
  return len;
}

uint32_t getTickCount() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  return static_cast<uint32_t>(static_cast<uint64_t>(tv.tv_sec) * 1000u +
                               static_cast<uint64_t>(tv.tv_usec) / 1000u);
}

void timer_tick_init() {}
