// The statement compiler: compiles lines until one it does not handle.
#pragma once
#include <cstdint>

#include "frontend/diagnostics.h"

constexpr int32_t BASIC_CONST_SIZE = 131072;

// Staging area of one constant table while it is read.
extern uint8_t BASIC_const[BASIC_CONST_SIZE];

// What the statements of a program leave for the driver to check at its end.
struct ProgramState {
  // A __MAP__ statement was compiled: the map gets its MAP line.
  uint8_t mapfound = 0;
  // Code position of the first GOTO, GOSUB, WHILE, DO or MAIN, and of the
  // first FUNCTION or SUB (0 for none): a routine must not be run into.
  int32_t first_gotosubwhiledo = 0;
  int32_t first_functionsub = 0;
  // Fill count of BASIC_const.
  int32_t BC_index = 0;
};
extern ProgramState program;

// What compiling a statement tells the line loop in compile().
enum LineResult : int {
  LINE_FAILED = 0,  // an error was reported: compile() gives up and returns it
  LINE_ENDS = 1,    // a line compile() does not compile, or QUITNOW: compile() returns it
  LINE_NEXT = 2,    // the statement is done: on to the next line
};

// Reports msg; LINE_FAILED.
inline LineResult line_error(const char *msg) {
  print_error_ln(msg);
  return LINE_FAILED;
}
// A statement must end its line: LINE_NEXT at the end of the line,
// LINE_ENDS before QUITNOW, else "Expected End Of Line" and LINE_FAILED.
LineResult end_of_statement();

// Compiles lines until one it does not compile (LINE_ENDS) or an error
// (LINE_FAILED).
LineResult compile(int32_t exitHandle);

// Reads and tokenizes the next line (read_tokenize_line); a source line is
// recorded as beginning where emission stands now (frontend/source_lines.h).
int read_source_line();

// Bounds the nesting of blocks (and of ELSEIF and CASE chains), which
// recurse on the machine stack. enter_nesting reports "Nesting too deep"
// and returns false past the limit; each successful enter is matched by
// leave_nesting.
bool enter_nesting();
void leave_nesting();

struct NestingGuard {
  bool ok;
  NestingGuard() : ok(enter_nesting()) {}
  ~NestingGuard() {
    if (ok) leave_nesting();
  }
};

// The body of a block, compiled by a nested call. A CLEAR inside it reset
// the compiler: the construct that opened the block then has nothing left
// to finish, and gives way as after an error.
LineResult compile_body(int32_t exitHandle);
