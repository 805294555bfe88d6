// The driver's procedures: command loop, firmware-table download, reset,
// finishing and running a program, and standard-input reading.
#pragma once
#include <cstdint>

// Reads one line of standard input into buffer (at most 255 characters and a
// NUL; the rest of a longer physical line is discarded and line_was_cut set).
// A trailing carriage return is dropped. At the end of input it flushes
// standard output and ends the process with status 0.
int32_t BASICgetln(char *buffer);
extern uint8_t line_was_cut;

uint32_t getTickCount();
void timer_tick_init();

// Result of the last outermost compile(0): 1 when it stopped at a line or
// word it does not compile, 0 after an error.
extern uint8_t last_compile_ok;

void init_compiler();
int all_compilers();
int pc_commands();

void download_firmware_table();
[[noreturn]] void quit_dump();
void run_on_host();

// Intel HEX input side: digit conversion and the ":" record check.
int32_t hexdig2num(char c);
void check_hex_record(const char *text);
