#include "core/clock.h"

#include <sys/time.h>

uint32_t getTickCount() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  return static_cast<uint32_t>(static_cast<uint64_t>(tv.tv_sec) * 1000u + static_cast<uint64_t>(tv.tv_usec) / 1000u);
}

void timer_tick_init() {}
