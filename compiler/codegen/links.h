// Compiler labels, forward references and their resolution.
#pragma once
#include <cstdint>

constexpr int32_t JUMP_TABLE_SIZE = 32768;
constexpr int32_t MISSING_LINK_SIZE = 10000;

// Link word of an unresolved jump, held in its placeholder.
constexpr uint32_t LINK_LABEL = 0x80000000u;  // target is a compiler label (with LINK_GOTO)
constexpr uint32_t LINK_GOTO = 0x40000000u;   // a jump rather than a call
constexpr uint32_t LINK_IOH = 0x20000000u;    // a jump inside I/O-handler code

extern int32_t jump_table[JUMP_TABLE_SIZE];
extern int32_t missingLink[MISSING_LINK_SIZE];

struct LinkState {
  // The next compiler label; label 0 is never used.
  uint16_t jmpPTR = 1;
  // Entries of missingLink in use.
  int32_t nextLink = 0;
  // Links below this index were resolved by a final resolution already;
  // their placeholders hold branches now, not link words.
  int32_t resolvedLinks = 0;
  // Highest jmpPTR since the last reset, so that a reset clears only what
  // a program used.
  uint16_t jump_high_water = 1;
};
extern LinkState links;

uint16_t add_fwd_ref();
uint16_t add_fwd_jmpcall(uint16_t op);
void patchJumpTable(int32_t label);
// Lists the placeholder at unit p for resolution ("Too many forward
// references" when the list is full).
void add_missing_link(uint32_t p);
// Code unit that compiler label n (label true) or symbol n stands for, in
// x; false when n names neither.
bool link_target_unit(bool label, uint32_t n, int32_t &x);
void optimizeTJ(uint32_t first, int final);

void reset_links();

// At the end of a FUNCTION or SUB: moves to the front of [first, nextLink)
// the links to symbols below keepBelow that are still undefined labels
// (global labels defined later in the program), and returns the index
// after them. The links behind it are the routine's own, to be resolved now.
int32_t keep_undefined_links(int32_t first, int32_t keepBelow);
