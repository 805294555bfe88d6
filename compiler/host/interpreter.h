// Host execution of the recorded operation stream.
#pragma once
#include <cstdint>

constexpr int32_t VAR_SEG_SIZE = 65792;
extern uint8_t g_var_seg[VAR_SEG_SIZE];

void runINT();
