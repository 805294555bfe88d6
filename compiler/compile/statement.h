// The statement compiler: compiles lines until one it does not handle.
#pragma once
#include <cstdint>

int compile(int32_t exitHandle);
