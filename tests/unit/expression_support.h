// Shared by the expression tests: a program's symbols and the operations
// recorded while compiling.
#pragma once
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "codegen/emit.h"
#include "compile/expression.h"
#include "compile/procedures.h"
#include "frontend/symbols.h"
#include "compile/statement.h"
#include "driver/driver.h"
#include "test_support.h"

using Ops = std::vector<std::pair<int32_t, int32_t>>;

// The operations recorded in the host operation stream from unit start on.
inline Ops recorded_ops(uint32_t start) {
  Ops ops;
  for (uint32_t p = start; p < emit.fCODE; p++)
    if (INT_ops[p] != 0) ops.emplace_back(INT_ops[p], INT_addrs[p]);
  return ops;
}

inline int declare(const char *name, uint8_t type, int32_t addr, int32_t size = 0) {
  int index = add_symbol(name, static_cast<int>(strlen(name)));
  g_symbol_type[index] = type;
  g_symboladdr[index] = addr;
  g_symbolsize[index] = size;
  return index;
}

// A program's symbols: integers A..F at words 1..6, SINGLEs X and Y at 7
// and 8, an integer array Q at 100, strings S$ at 10, T$ at 12, U$ at 14,
// V$ at 16, string pointer P$ at 20, constants K = 5 and KF = 2.5, a word
// table W at 0x1F000, and a FUNCTION G(n) at code position 50 whose
// parameter lives at word 30.
inline void declare_program() {
  const char *ints[] = {"A", "B", "C", "D", "E", "F"};
  for (int i = 0; i < 6; i++) declare(ints[i], 'A', i + 1);
  declare("X", 'C', 7);
  declare("Y", 'C', 8);
  declare("Q", 'Q', 100, 10);
  declare("S$", 'R', 10, 2);
  declare("T$", 'R', 12, 2);
  declare("U$", 'R', 14, 2);
  declare("V$", 'R', 16, 2);
  declare("P$", 'X', 20);
  declare("K", SYM_CONSTANT, 5);
  declare("KF", SYM_CONSTANT, 0x40200000, CONST_IS_SINGLE);
  declare("W", SYM_WORD_TABLE, 0x1F000);
  fsStart[2] = 10;
  localType[10] = 'A';
  localAddr[10] = 0;
  localType[11] = 'A';
  localAddr[11] = 30;
  localType[12] = 0;
  localAddr[12] = 0;
  declare("G", 0x82, 50);
}

inline void set_slot(int slot, uint8_t type, int32_t addr) {
  localType[slot] = type;
  localAddr[slot] = addr;
}

// More of the program: a SINGLE array SA at 200, a label L at unit 10, a
// constant string CS at 0x1FF00, a SUB SB without parameters, and
// FUNCTIONs H (one parameter of every kind), PA (a parameter array), H2 (a
// string by reference), FS (a STRING result) and FC (a SINGLE result).
inline void declare_routines() {
  declare("SA", 'S', 200, 5);
  declare("L", SYM_LABEL, 10);
  declare("CS", SYM_CSTRING, 0x1FF00);
  declare("SB", 0x80, 60);
  fsStart[3] = 20;
  const uint8_t kinds[] = {'I', 'Y', 'K', '[', 'X', 'R', 'C'};
  set_slot(20, 'A', 0);
  for (int i = 0; i < 7; i++) set_slot(21 + i, kinds[i], 40 + i);
  set_slot(28, 0, 0);
  declare("H", 0x83, 70);
  fsStart[4] = 30;
  set_slot(30, 'A', 0);
  set_slot(31, 'P', 60);
  set_slot(32, 0, 0);
  declare("PA", 0x84, 80);
  fsStart[5] = 35;
  set_slot(35, 'A', 0);
  set_slot(36, 'X', 90);
  set_slot(37, 0, 0);
  declare("H2", 0x85, 90);
  fsStart[6] = 40;
  set_slot(40, 'R', 0);
  set_slot(41, 0, 0);
  declare("FS", 0x86, 100);
  fsStart[7] = 45;
  set_slot(45, 'C', 0);
  set_slot(46, 0, 0);
  declare("FC", 0x87, 110);
}


// Tokenizes source, puts the cursor on its first token and the mode flags
// as given, runs compile_fn and collects what it printed and recorded.
template <typename Fn>
int compile_line(const char *source, uint8_t integer, Fn compile_fn, Ops &ops, std::string &out) {
  reset_everything();
  declare_program();
  declare_routines();
  EXPECT_EQ(tokenize(source), 1);
  cursor.g_tokenptr = 0;
  cursor.g_token = g_tokenlist[0];
  emit.integer_ops = integer;
  emit.bitwise_ops = 1;
  uint32_t start = emit.fCODE;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int r = compile_fn();
  out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  ops = recorded_ops(start);
  return r;
}

struct Session {
  Ops ops;
  std::string out;
  uint32_t start;
};

// Runs the lines through the statement compiler as the driver does, up to
// a final QUIT line, on the compiler as it stands, and collects the
// recorded operations and what was printed.
inline Session compile_more(const std::string &lines) {
  Session s;
  s.start = emit.fCODE;
  StdinFeed feed(lines + "QUIT\n");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  for (int passes = 0; passes < 10000; passes++) {
    compile(0);
    if (g_tokenlist[0] == 246) break;
    all_compilers();
    // A definition reads its body itself, up to the QUIT line if need be.
    if (g_tokenlist[0] == 246) break;
  }
  s.out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  s.ops = recorded_ops(s.start);
  return s;
}

// The same on a new program, on the default firmware or on another version.
inline Session compile_session(const std::string &lines, uint16_t version = 0) {
  reset_everything();
  if (version) {
    f_table[0] = version;
    init_compiler();
  }
  return compile_more(lines);
}

inline int sym(const char *name) { return is_symbol(name, static_cast<int>(strlen(name))) - 1; }
