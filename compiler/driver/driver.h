// The driver's procedures: command loop, firmware-table download,
// finishing and running a program.
#pragma once
#include <cstdint>

struct DriverState {
  // Result of the last outermost compile(0): 1 when it stopped at a line or
  // word it does not compile, 0 after an error.
  uint8_t last_compile_ok = 0;
};
extern DriverState driver;

// The version the banner and the command line show.
constexpr char OMBRIK_VERSION[] = "9.36k";

int all_compilers();
int pc_commands();
// Reads, compiles and carries out commands until the compiler ends
// (end_process).
[[noreturn]] void command_loop();

void download_firmware_table();
[[noreturn]] void quit_dump();
void run_on_host();

// Intel HEX input side: digit conversion and the ":" record check.
int32_t hexdig2num(char c);
void check_hex_record(const char *text);
