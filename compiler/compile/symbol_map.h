// The map output: the symbol map QUITDUMP prints (and each FUNCTION or SUB
// prints for its own symbols when it is finished), the routines' lines and
// the MAP line of a program with __MAP__, on text_stream() (core/hooks.h).
// Demo mode prints no symbol map.
#pragma once
#include <cstdint>

// The symbols first .. last - 1, each name after prefix; from 0, MAIN first.
void sym_dump(const char *prefix, int first, int last);
// The line of a FUNCTION or SUB just compiled: its entry, kind, name and
// number of parameters.
void print_routine_map_line(int sym, const char *name, int params);

// What the symbol map gives for a symbol of this type, address and size:
// its kind ("WORD", "ARRAY", "CODE", ...), its address on the board, and
// the last field (the size; for OTHER, the type code printed in hexadecimal).
struct MapEntry {
  const char *kind;
  uint32_t address;
  int32_t size;
  bool other;
};
MapEntry map_entry(uint8_t type, int32_t addr, int32_t size);
// The kind a routine's line of the map gives it: "SFUNCT", "FFUNCT" or
// "WFUNCT" for a FUNCTION by its result type, "SUB   " for a SUB.
const char *routine_map_kind(int sym);
// "MAP CODE ... CONST ... DATA ... STRING ...": where each area ends.
void print_memory_map_line();
