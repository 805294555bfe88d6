// The `sim` command: loads a program (compiling a source file first), lays
// out the board from its firmware table, and runs it, or serves it to a
// debugger. The host program parses the command line and supplies reading
// table files and compiling.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "sim/board.h"
#include "sim/image.h"
#include "sim/lines.h"
#include "sim/machine.h"

namespace sim {

// Exit statuses of the command besides a compiler's own.
constexpr int SIM_OK = 0;          // the program reached its END
constexpr int SIM_USAGE = 2;       // a bad option value, or an option's file cannot be read or is malformed
constexpr int SIM_BAD_IMAGE = 10;  // the image cannot be read or is not for the board
constexpr int SIM_FAULT = 11;      // the program stopped with a fault
constexpr int SIM_LIMIT = 12;      // --max-instructions or --max-time stopped it

struct Program {
  Image image;
  LineTable lines;
  bool thumb_entry = false;  // an ELF's entry point is Thumb code
};

struct SimHost {
  // Reads a firmware table file into its words: 0, or the status to end
  // with after the reason has been reported.
  std::function<int(const std::string &path, std::vector<uint16_t> &table)> read_table;
  // Compiles a source file for the board: 0 with the program filled in, or
  // the status to end with after the compiler has reported why.
  std::function<int(const std::string &path, const Board &board, Program &program)> compile;
};

struct SimOptions {
  std::string file;   // FILE.bas (compiled first), an Intel HEX or an ELF file
  std::string table;  // a table file; "" for the board's own table
  std::string board;  // "cortex", "arm7" or "" (the table's)
  std::string pins;   // a pin script; "" for none
  Limits limits;
  bool stats = false;
  bool trace_lines = false;
  int gdb_port = -1;  // -1: no debugger
};

// The option names set_sim_option takes, each with the argument it shows
// in help ("" for a flag) and what it does.
struct SimOptionHelp {
  const char *name;
  const char *argument;
  const char *help;
};
extern const SimOptionHelp sim_option_help[7];
// The exit statuses of sim besides a compiler's, as help lines.
std::string sim_status_help();

// Sets option `name` (without "--") from its text; false with a message for
// a value it does not take.
bool set_sim_option(SimOptions &options, const std::string &name, const std::string &value, std::string &error);

// Loads the program (compiling a source file first), lays the board out and
// runs the program, or serves it to a debugger. The program's output goes
// to out, board events, messages and statistics to err, and its text input
// comes from in. Returns the exit status.
int run_sim(const SimOptions &options, const SimHost &host, FILE *out, FILE *err, FILE *in);

// Reads an image file: Intel HEX (the board's own or standard) or ELF. The
// board says how its own HEX is written (word 5's offset, scrambling).
// False with a message naming the file.
bool load_image_file(const std::string &path, const Board &board, Program &program, std::string &error);

}  // namespace sim
