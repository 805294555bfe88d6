// The `sim` command: loads a program (compiling a source file first), lays
// out the board from its firmware table, and runs it, or serves it to a
// debugger. The host program supplies reading table files and compiling.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "sim/board.h"
#include "sim/image.h"
#include "sim/lines.h"

namespace sim {

// Exit statuses of the command besides a compiler's own.
constexpr int SIM_OK = 0;          // the program reached its END
constexpr int SIM_USAGE = 2;       // a bad option, or an option's file cannot be read or is malformed
constexpr int SIM_BAD_IMAGE = 10;  // the image cannot be read or is not for the board
constexpr int SIM_FAULT = 11;      // the program stopped with a fault
constexpr int SIM_LIMIT = 12;      // --max-instructions or --max-time stopped it

struct Program {
  Image image;
  LineTable lines;
  bool thumb_entry = false;  // an ELF's entry point is Thumb code
};

struct SimHost {
  // Reads a firmware table file into its words; false with a message.
  std::function<bool(const std::string &path, std::vector<uint16_t> &table, std::string &error)> read_table;
  // Compiles a source file for the table; 0 with the program filled in, or
  // the status to end with after the compiler has reported why.
  std::function<int(const std::string &path, const std::vector<uint16_t> &table, Program &program)> compile;
};

// The options, the input format and the exit statuses.
std::string sim_usage();

// Runs `sim` with its arguments (those after the word "sim"). The program's
// output goes to out, board events, messages and statistics to err, and
// its text input comes from in.
int sim_command(const std::vector<std::string> &args, const SimHost &host, FILE *out, FILE *err, FILE *in);

// Reads an image file: Intel HEX (the board's own or standard) or ELF. The
// board says how its own HEX is written (word 5's offset, scrambling).
// False with a message naming the file.
bool load_image_file(const std::string &path, const Board &board, Program &program, std::string &error);

}  // namespace sim
