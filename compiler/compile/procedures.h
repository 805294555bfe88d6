// FUNCTION and SUB bookkeeping: parameter and local descriptors.
#pragma once
#include <cstdint>

constexpr int LOCALS_MAX = 16384;
constexpr int PROCEDURES_MAX = 4096;

extern uint8_t localType[LOCALS_MAX];
extern int32_t localAddr[LOCALS_MAX];
extern uint16_t fsStart[PROCEDURES_MAX];
extern int32_t fsPointer;
extern int32_t nextLocal;

// Puts the descriptor tables into their state before any definition.
void reset_procedures();

// The first descriptor entry (the result slot) of the routine a symbol token
// names, and the routine's result letter ('A', 'C', 'R', or 0 for a SUB).
int function_first_slot(uint16_t t);
uint8_t function_result(uint16_t t);
// The entry after the last parameter has address 0.
inline bool is_end_mark(int slot) { return localAddr[slot] == 0; }

// The routine being compiled: its result type as a token code (INTEGER
// 214, SINGLE 213, STRING 200; 0 in a SUB or outside), its symbol, and
// whether it is an interrupt SUB.
extern uint16_t inside_function;
extern int32_t this_function;
extern uint8_t inside_interrupt;
// The 16-word global parameter block (0 until first used).
extern int32_t globalstart;

void do_subfunc(uint8_t interrupt);
int load_globalparam();
