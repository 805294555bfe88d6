// FUNCTION and SUB bookkeeping: parameter and local descriptors.
#pragma once
#include <cstdint>

constexpr int LOCALS_MAX = 16384;
constexpr int PROCEDURES_MAX = 4096;

extern uint8_t localType[LOCALS_MAX];
extern int32_t localAddr[LOCALS_MAX];
extern uint16_t fsStart[PROCEDURES_MAX];

// Puts the descriptor tables into their state before any definition, and
// no routine being compiled.
void reset_procedures();

// The first descriptor entry (the result slot) of the routine a symbol token
// names, and the routine's result letter ('A', 'C', 'R', or 0 for a SUB).
int function_first_slot(uint16_t t);
uint8_t function_result(uint16_t t);
// The entry after the last parameter has address 0.
inline bool is_end_mark(int slot) { return localAddr[slot] == 0; }

struct Procedures {
  // Descriptors in use (0 and 1 are the shared ones) and the next free
  // entry of localType/localAddr.
  int32_t fsPointer = 1;
  int32_t nextLocal = 4;
  // The routine being compiled: its result type as a token code (INTEGER
  // 214, SINGLE 213, STRING 200; 0 in a SUB or outside), its symbol, and
  // whether it is an interrupt SUB.
  uint16_t inside_function = 0;
  int32_t this_function = 0;
  uint8_t inside_interrupt = 0;
};
extern Procedures procs;

void do_subfunc(uint8_t interrupt);
int load_globalparam();
