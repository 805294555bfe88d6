// The wall clock, in milliseconds.
#pragma once
#include <cstdint>

uint32_t getTickCount();
void timer_tick_init();
