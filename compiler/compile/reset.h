// The compiler's resets. Each owner of state has its own reset routine,
// which assigns its struct's defaults and clears what it must of its
// tables; these call them in turn.
#pragma once
#include <cstdint>

// Counts the resets of the compiler, so that a block open when CLEAR came
// can tell it has nothing left to finish.
extern uint32_t reset_generation;

// Every piece of a program's state back to empty, for the firmware table
// as it stands (its facts are worked out again); no code is emitted. The
// firmware layout from the download, the options, the line reader and the
// count of errors stay.
void reset_program();

// A new program: reset_program, then the start-up jumps every image begins
// with. Start-up, CLEAR and the firmware-table download call it.
void init_compiler();

// Everything as when the process starts: the built-in firmware table and
// layout, the string area and symbol tables all zero, no options, no line
// read, no error counted, then init_compiler.
// The host machine (host/interpreter.h) has its own reset.
void reset_to_startup();
