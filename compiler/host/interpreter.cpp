#include "host/interpreter.h"

// Host data memory; the driver points var_word and var_byte at it.
alignas(4) uint8_t g_var_seg[VAR_SEG_SIZE];

// The operation-stream interpreter is not connected yet.
void runINT() {}
