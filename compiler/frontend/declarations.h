// Where each symbol of a program is declared, for editors: the file, line
// and column of its name. The symbol table forgets a FUNCTION's or SUB's
// locals when the routine ends; their entries here keep them, with the type,
// address and size they had then. Nothing here is ever printed, so the
// protocol's output does not depend on it.
#pragma once
#include <cstdint>

#include "frontend/line_reader.h"
#include "frontend/symbols.h"

constexpr int DECLARATIONS_MAX = 65536;
constexpr int DECLARATION_FILES_MAX = 256;
// A stored name: 31 characters, a '$' and the NUL.
constexpr int DECLARED_NAME_SIZE = 33;

struct Declaration {
  char name[DECLARED_NAME_SIZE];
  uint16_t symbol;
  uint16_t file;  // index in declaration_files
  uint16_t line;
  // 1-based column of the name in the line read; 0 when the line does not
  // hold it.
  uint8_t column;
  // The first use of a label not yet defined, not a declaration: where an
  // editor shows "Undefined Label" when it stays undefined.
  uint8_t first_use;
  // The entry of the FUNCTION or SUB the symbol is local to; -1 for a global.
  int32_t routine;
  // A FUNCTION's or SUB's entry: the line that ended its definition (0
  // while it is open).
  uint16_t end_line;
  // A local whose routine has ended: type, addr and size are the symbol's
  // last. Otherwise the symbol table has them.
  uint8_t closed;
  uint8_t type;
  int32_t addr;
  int32_t size;
};
extern Declaration declarations[DECLARATIONS_MAX];
extern char declaration_files[DECLARATION_FILES_MAX][FILENAME_SIZE];

struct DeclarationState {
  int32_t count = 0;
  int32_t files = 0;
  // The entry of the FUNCTION or SUB being compiled, -1 outside one.
  int32_t routine = -1;
  // Set when a declaration could not be kept because a table was full.
  uint8_t overflow = 0;
};
extern DeclarationState decls;

// No declarations, for a new program.
void reset_declarations();
// The symbol's name in the current line declares it (DIM, CONST, a label,
// a FUNCTION or SUB and its parameters, an integer's first use). A symbol
// keeps its first declaration. A FUNCTION or SUB is noted once its symbol
// has the routine's type: its locals follow.
void note_declaration(int symbol);
// The symbol, a label not yet defined, is used here (GOTO, GOSUB, ...).
void note_label_use(int symbol);
// The FUNCTION or SUB ends: its locals, from first_local up, keep their
// last type, address and size, and the routine its last line.
void close_routine_declarations(int first_local);
