// The map output: the symbol map QUITDUMP prints (and each FUNCTION or SUB
// prints for its own symbols when it is finished), the routines' lines and
// the MAP line of a program with __MAP__, on text_stream() (core/hooks.h).
// Demo mode prints no symbol map.
#pragma once

// The symbols first .. last - 1, each name after prefix; from 0, MAIN first.
void sym_dump(const char *prefix, int first, int last);
// The line of a FUNCTION or SUB just compiled: its entry, kind, name and
// number of parameters.
void print_routine_map_line(int sym, bool function, const char *name, int params);
// "MAP CODE ... CONST ... DATA ... STRING ...": where each area ends.
void print_memory_map_line();
