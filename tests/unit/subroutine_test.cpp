#include <string>
#include <vector>

#include "codegen/emit.h"
#include "codegen/links.h"
#include "compile/procedures.h"
#include "compile/statement.h"
#include "driver/driver.h"
#include "expression_support.h"

namespace {

// The descriptor of a routine: its entries from the result to the end entry.
std::vector<std::pair<int, int32_t>> descriptor(const char *name) {
  std::vector<std::pair<int, int32_t>> d;
  int slot = fsStart[g_symbol_type[sym(name)] & 0x7F];
  d.emplace_back(localType[slot], localAddr[slot]);
  for (slot++; localAddr[slot] != 0; slot++) d.emplace_back(localType[slot], localAddr[slot]);
  return d;
}

TEST(Subroutines, ParameterKinds) {
  Session s = compile_session(
      "SUB s(a, BYREF b, c AS SINGLE, BYREF d AS SINGLE, e$(7), BYREF f$, BYREF g(), BYREF h() AS SINGLE)\n"
      "ENDSUB\n");
  ASSERT_EQ(s.out.find("-ERROR"), std::string::npos) << s.out;
  // Scalars take words from 1 up; the string by value its own words below
  // the array space.
  EXPECT_EQ(descriptor("S"), (std::vector<std::pair<int, int32_t>>{
                                 {0, 0}, {'A', 1}, {'I', 2}, {'C', 3}, {'K', 4}, {'R', 0x4000 - 2}, {'X', 5},
                                 {'Y', 6}, {'[', 7}}));
  EXPECT_EQ(g_symbol_type[sym("S")], 0x82);
  // A FUNCTION's type and its parameter array.
  Session f = compile_session("FUNCTION f(PARAMARRAY p) AS SINGLE\nRETURN 1.5\nENDFUNCTION\n");
  ASSERT_EQ(f.out.find("-ERROR"), std::string::npos) << f.out;
  EXPECT_EQ(descriptor("F"), (std::vector<std::pair<int, int32_t>>{{'C', 0}, {'P', 0x4000 - 16}}));
}

TEST(Subroutines, BodiesAndMapLines) {
  Session s = compile_session(
      "GOTO start\n"
      "FUNCTION add(a, b)\nDIM t\nt = a + b\nRETURN t\nENDFUNCTION\n"
      "FUNCTION half(x AS SINGLE) AS SINGLE\nRETURN x / 2\nENDFUNCTION\n"
      "FUNCTION name(BYREF s$) AS STRING\nRETURN s$\nENDFUNCTION\n"
      "SUB tick\nEND SUB\n"
      "start:\n");
  EXPECT_EQ(s.out,
            "> 0x00003008 WFUNCT ADD 2\n"
            "> 0x00000004 WORD   ADD:A 1\n"
            "> 0x00000008 WORD   ADD:B 1\n"
            "> 0x0000000C WORD   ADD:T 1\n"
            "> 0x00003018 FFUNCT HALF 1\n"
            "> 0x00000010 SINGLE HALF:X 1\n"
            "> 0x00003028 SFUNCT NAME 1\n"
            "> 0x00000014 INTPTR NAME:S$ 1\n"
            "> 0x00003038 SUB    TICK 0\n");
  // The locals are gone: only the globals and the routines remain.
  EXPECT_EQ(symtab.g_symbolcount, 6);
  EXPECT_EQ(sym("T"), -1);
  EXPECT_EQ(sym("A"), -1);
  // The SUB's body: entry, return, pool placement.
  Session t = compile_session("SUB tick\nEND SUB\n");
  EXPECT_EQ(t.ops, (Ops{{142, 0}, {141, 0}}));
}

TEST(Subroutines, CallsAndScopes) {
  Session s = compile_session(
      "x = 5\n"
      "GOTO go\n"
      "SUB show(BYREF n)\nDIM x\nx = n\nENDSUB\n"
      "go:\n"
      "show(x)\n");
  ASSERT_EQ(s.out, "> 0x0000300C SUB    SHOW 1\n> 0x00000008 INTPTR SHOW:N 1\n> 0x0000000C WORD   SHOW:X 1\n");
  // After the routine the global X is found again.
  EXPECT_EQ(g_symboladdr[sym("X")], 1);
  Ops tail(s.ops.end() - 3, s.ops.end());
  EXPECT_EQ(tail, (Ops{{103, 1}, {116, 2}, {138, 6}}));
}

TEST(Subroutines, Messages) {
  struct Message {
    const char *source;
    const char *message;
  };
  const Message cases[] = {
      {"FUNCTION f(a)\na = 1\nENDFUNCTION\n", "Expected RETURN at end of FUNCTION"},
      {"SUB s\nENDFUNCTION\n", "Expected ENDFUNCTION/ENDSUB"},
      {"SUB s\nx = 1\nENDSUB\n", "Undefined Label  X"},
      {"SUB s\ns\nENDSUB\n", "Recursion not allowed"},
      {"FUNCTION f\nGOSUB later\nRETURN 1\nENDFUNCTION\n", "Calls within functions must be pre-defined"},
      {"SUB s\nGOTO nowhere\nENDSUB\n", "Undefined Label  NOWHERE"},
      {"FUNCTION f AS WORD\n", "Illegal function type"},
      {"SUB s x\n", "Function/Sub syntax error"},
      {"x = 1\nSUB x\n", "Duplicate Name"},
      {"SUB 5\n", "Label Declaration Error"},
      {"SUB s(BYREF PARAMARRAY p)\n", "ParamArray must be byval"},
      {"SUB s(PARAMARRAY p, q)\n", "expected )"},
      {"SUB s(PARAMARRAY 5)\n", "parameter error9"},
      {"SUB s(5)\n", "parameter error1"},
      {"SUB s(BYVAL a())\n", "Array must be BYREF"},
      {"SUB s(a(x))\n", "Size Must Be Constant or too large"},
      {"SUB s(a$(3 x)\n", "Expected )"},
      {"SUB s(x AS INTEGER(3))\n", "parameter syntax error6"},
      {"SUB s(x(3) AS INTEGER)\n", "illegal parameter size"},
      {"SUB s(a AS WORD)\n", "parameter error3"},
      {"SUB s(BYREF a AS STRING(3))\n", "parameter syntax error6"},
      {"SUB s(a$)\n", "No String Size declared"},
      {"SUB s(a(3))\n", "parameter byref size not allowed"},
      {"SUB s(BYREF a$(3))\n", "parameter byref size not allowed"},
      {"SUB s(a$())\n", "No String Size declared"},
      {"SUB s(a b)\n", "parameter syntax error6"},
  };
  for (const Message &c : cases) {
    SCOPED_TRACE(c.source);
    Session s = compile_session(c.source);
    size_t first = s.out.find("-ERROR");
    ASSERT_NE(first, std::string::npos) << s.out;
    std::string report = s.out.substr(first, s.out.find('\n', first) - first);
    EXPECT_NE(report.find(c.message), std::string::npos) << s.out;
  }
}

TEST(Subroutines, ForwardJumpToAGlobalLabelWaitsForTheProgramsEnd) {
  Session s = compile_session("GOTO start\nSUB s\nGOTO start\nENDSUB\nstart:\n");
  ASSERT_EQ(s.out, "> 0x00003008 SUB    S 0\n");
  // The routine's GOTO is still listed and resolves to START at the end.
  ASSERT_EQ(links.nextLink, 2);
  optimizeTJ(0, 1);
  int32_t target = g_symboladdr[sym("START")] + 2;
  for (int i = 0; i < 2; i++) EXPECT_EQ(INT_addrs[missingLink[i] + 1], target);
}

TEST(Subroutines, InterruptSub) {
  Session s = compile_session("INTERRUPT SUB tick\nx = 1\nENDSUB\n");
  EXPECT_NE(s.out.find("Undefined Label  X"), std::string::npos);
  Session t = compile_session("DIM x\nGOTO m\nINTERRUPT SUB tick\nx = 1\nENDSUB\nm:\n");
  ASSERT_EQ(t.out, "> 0x00003008 SUB    TICK 0\n");
  Ops tail(t.ops.begin() + 1, t.ops.begin() + 5);
  EXPECT_EQ(tail, (Ops{{43, 1}, {103, 1}, {116, 1}, {44, 1}}));
}

TEST(Subroutines, ClearInsideARoutine) {
  Session s = compile_session("SUB s\nCLEAR\nx = 1\nENDSUB\ny = 2\n");
  // The routine is gone with the reset; its end stands alone.
  EXPECT_EQ(s.out.find("-ERROR"), std::string::npos) << s.out;
  EXPECT_EQ(symtab.g_symbolcount, 3);
  EXPECT_EQ(symtab.localcnt, 0);
}

TEST(Subroutines, FunctionNotJumpedAroundIsRefused) {
  reset_everything();
  StdinFeed feed("SUB s\nENDSUB\nQUITDUMP\n");
  EXPECT_EXIT(
      {
        for (;;) {
          compile(0);
          if (!all_compilers()) pc_commands();
        }
      },
      testing::ExitedWithCode(3), "Function/Sub requires GOTO around or MAIN:");
}

}  // namespace
