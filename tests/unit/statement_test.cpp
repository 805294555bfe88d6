#include <string>
#include <vector>

#include "codegen/emit.h"
#include "codegen/links.h"
#include "compile/statement.h"
#include "driver/driver.h"
#include "expression_support.h"

namespace {

int32_t addr(const char *name) { return g_symboladdr[sym(name)]; }

struct StatementCase {
  const char *source;
  Ops ops;  // variables: X at 1, Y at 2, I at 3 when declared in that order
  const char *message;
};

TEST(Statements, OperationSequences) {
  const StatementCase cases[] = {
      {"x = 1\n", {{103, 1}, {116, 1}}, ""},
      {"x = 1\nx += 2\n", {{103, 1}, {116, 1}, {100, 2}, {104, 1}, {16, 1}, {116, 1}}, ""},
      {"x = 1\nx -= x\n", {{103, 1}, {116, 1}, {102, 1}, {104, 1}, {17, 1}, {116, 1}}, ""},
      {"DIM q(3)\nq(1) *= 2\n", {{103, 0x4000 - 5 + 1}, {1, 0}, {103, 0x4000 - 5 + 1}, {2, 0}, {100, 2}, {4, 1}, {3, 0}}, ""},
      {"DIM x AS SINGLE\nx = 2\n", {{103, 0x40000000}, {116, 1}}, ""},
      {"DIM s(3) AS STRING\ns = \"ab\"\n",
       {{96, 4 * (0x4000 - 2)}, {1, 0}, {26, 1}, {98, 0x20000 - 3}, {27, 1}, {118, 0}}, ""},
      {"DIM s(3) AS STRING\ns(0) = 65\n", {{96, 4 * (0x4000 - 2)}, {1, 0}, {103, 65}, {117, 0}}, ""},
      {"CONST K = 7\nx = K\n", {{103, 7}, {116, 1}}, ""},
      {"*x = 5\n", {{104, 1}, {1, 0}, {103, 5}, {111, 0}}, ""},
      {"x <= 1\n", {}, "illegal compound"},
      {"x + 1\n", {}, "illegal statement"},
      {"x\n", {}, "Expected ="},
      {"TIMER = 5\n", {}, "TIMER cannot be assigned"},
      {"TXD0(1) = 5\n", {}, "Expected ="},
      {"THEN = 5\n", {}, "Expected lvalue: variable, pointer, or register"},
      // Blocks.
      {"IF x THEN\ny = 1\nELSE\ny = 2\nENDIF\n",
       {{104, 1}, {62, 1}, {103, 1}, {116, 2}, {63, 2}, {103, 2}, {116, 2}}, ""},
      {"IF x THEN y = 1 ELSE y = 2\n", {{104, 1}, {62, 1}, {103, 1}, {116, 2}, {63, 2}, {103, 2}, {116, 2}}, ""},
      {"IF x\ny = 1\nEND IF\n", {{104, 1}, {62, 1}, {103, 1}, {116, 2}}, ""},
      {"IF x THEN\nELSEIF y THEN\nELSE\nENDIF\n", {{104, 1}, {62, 1}, {63, 2}, {104, 2}, {62, 3}, {63, 4}}, ""},
      {"IF x y = 1\n", {}, "THEN required for one line IF"},
      {"IF x THEN\nELSE IF y THEN\nENDIF\n", {}, "ELSEIF required, not ELSE IF"},
      {"IF x THEN\nNEXT\n", {}, "Expected ENDIF"},
      {"END IF x\n", {}, "Expected End Of Line"},
      {"IF x THEN y = 1 z\n", {}, "Expected End Of Line"},
      {"IF x THEN\nELSEIF y THEN y = 2\nENDIF\n", {}, "Expected End Of Line"},
      {"FOR i = 1 TO 3\nNEXT\n",
       {{103, 1}, {116, 1}, {103, 3}, {63, 1}, {104, 1}, {100, 1}, {16, 1}, {139, 1001}, {102, 1}, {36, 1}, {62, 2},
        {139, 1004}},
       ""},
      {"FOR i = 9 DOWNTO 1 STEP 2\nNEXT i\n",
       {{103, 9}, {116, 1}, {103, 1}, {63, 1}, {103, 2}, {130, 0}, {104, 1}, {17, 1}, {139, 1001}, {102, 1}, {35, 1},
        {62, 2}, {139, 1004}},
       ""},
      {"FOR i = 1 TO 3\nNEXT j\n", {}, "Incorrect Next Variable"},
      {"FOR i = 1 TO 3\nNEXT 5\n", {}, "Incorrect Next Variable"},
      {"FOR 5 = 1 TO 3\n", {}, "Expected a Variable"},
      {"FOR i 1 TO 3\n", {}, "Expected a ="},
      {"FOR i = 1, 3\n", {}, "Expected TO Or DOWNTO"},
      {"FOR i = 1 TO 3\nLOOP\n", {}, "Expected NEXT"},
      {"WHILE x\nEXIT\nLOOP\n", {{104, 1}, {62, 1}, {63, 1}, {139, 1000}}, ""},
      {"DO\nx = 1\nLOOP\n", {{103, 1}, {116, 1}, {139, 1000}}, ""},
      {"DO\nLOOP UNTIL x\n", {{104, 1}, {134, 1000}}, ""},
      {"DO\nUNTIL x\n", {{104, 1}, {134, 1000}}, ""},
      {"DO\nLOOP WHILE x\n", {}, "Expected UNTIL"},
      {"DO x\n", {}, "Expected End Of Line"},
      {"WHILE x\nNEXT\n", {}, "Expected LOOP"},
      {"SELECT CASE x\nCASE 1, 2\ny = 1\nCASE < 5\nCASE 6 TO 8\nCASE ELSE\ny = 2\nEND SELECT\n",
       {{104, 1}, {131, 0}, {103, 1}, {112, 0}, {32, 1}, {62, 1}, {63, 2}, {103, 2}, {112, 0}, {32, 1}, {62, 3},
        {132, 1}, {103, 1}, {116, 2}, {63, 4}, {103, 5}, {112, 0}, {34, 1}, {62, 5}, {132, 1}, {63, 6},
        {103, 6}, {112, 0}, {35, 1}, {62, 7}, {103, 8}, {112, 0}, {36, 1}, {62, 8}, {132, 1}, {63, 9},
        {132, 0}, {103, 2}, {116, 2}},
       ""},
      {"SELECT x\nCASE 1\nENDSELECT\n", {{104, 1}, {131, 0}, {103, 1}, {112, 0}, {32, 1}, {62, 1}, {132, 1}, {63, 2}, {132, 2}}, ""},
      {"SELECT x\nx = 1\n", {}, "CASE invalid"},
      {"SELECT x\nCASE 1: y = 2\n", {}, "Expected End Of Line"},
      {"EXIT\n", {}, "EXIT outside a loop"},
      // Jumps.
      {"GOTO l\nl:\n", {{136, 1}, {23, 1}}, ""},
      {"GOSUB l\nl:\n", {{137, 1}, {23, 1}}, ""},
      {"GOTO MAIN\n", {{136, 0}}, ""},
      {"l: x = 1\n", {}, "Expected End Of Line"},
      {"l:\nl:\n", {}, "Duplicate Name"},
      {"x = 1\nx:\n", {}, "Label Declaration Error"},
      {"GOTO 5\n", {}, "Goto Not Followed By Label"},
      {"RETURN\nEND\n", {{141, 0}, {124, 0}}, ""},
      // Declarations and raw code.
      {"__ASM__ 0x1234\n__ASM__(7)\n", {{255, 0x1234}, {255, 7}}, ""},
      {"__ASM__ x\n", {}, "Must be a constant"},
      {"__ASM__(7\n", {}, "ASM expected )"},
      {"DIM s(256) AS STRING\n", {}, "illegal string declaration"},
      {"DIM a$(10), b\n", {}, "illegal string declaration"},
      {"DIM b AS BYTE\n", {}, "illegal byte array declaration"},
      {"DIM a(x)\n", {}, "Size Must Be Constant or too large"},
      {"DIM a(-2)\n", {}, "Size Must Be Constant or too large"},
      {"DIM a(40000)\n", {}, "Size Must Be Constant or too large"},
      {"DIM a(3\n", {}, "Expected )"},
      {"DIM a b\n", {}, "DIM error"},
      {"DIM 5\n", {}, "Expected Variable Name"},
      {"DIM a\nDIM a\n", {}, "Duplicate Name"},
      {"DIM a AS foo\n", {}, "expected type specifier"},
      {"CONST 5 = 1\n", {}, "Expected Variable Name"},
      {"CONST K AS WORD = 1\n", {}, "illegal constant type"},
      {"CONST K 1\n", {}, "Expected ="},
      {"CONST K = {1, x}\n", {}, "Expected a Constant"},
      {"x = 1\nCONST x = 2\n", {}, "Duplicate Name"},
      {"__MAP__ CODE x\n", {}, "CODE expected constant"},
      {"__MAP__ CONST\n", {}, "CONST expected a constant"},
      {"__MAP__ DATA 0\n", {}, "DATA pointer error"},
      {"__MAP__ STRING 0\n", {}, "STRING pointer error"},
      {"__MAP__ CODE 0\n", {}, "CODE pointer error"},
      {"__MAP__ FOO\n", {}, "__MAP__ syntax error"},
      {"FUNCTION f\n", {}, "Expected ENDFUNCTION/ENDSUB"},
      {"ON TIMER GOSUB l\n", {}, "ON not supported on Cortex parts"},
  };
  for (const StatementCase &c : cases) {
    SCOPED_TRACE(c.source);
    Session s = compile_session(c.source);
    if (*c.message) {
      // The first report is the statement's own; a block abandoned after it
      // may be followed by the report of its stray terminator.
      size_t first = s.out.find("-ERROR");
      ASSERT_NE(first, std::string::npos) << s.out;
      std::string report = s.out.substr(first, s.out.find('\n', first) - first);
      std::string tail = std::string(": ") + c.message;
      EXPECT_TRUE(report.size() >= tail.size() && report.compare(report.size() - tail.size(), tail.size(), tail) == 0)
          << s.out;
      continue;
    }
    EXPECT_EQ(s.out, "");
    // A back jump names the operation it lands on as 1000 + its index in
    // the list: the first operation recorded at or after its target.
    Ops actual = s.ops;
    std::vector<uint32_t> positions;
    for (uint32_t p = s.start; p < emit.fCODE; p++)
      if (INT_ops[p] != 0) positions.push_back(p);
    for (auto &op : actual) {
      if (op.first != 139 && op.first != 134) continue;
      for (size_t k = 0; k < positions.size(); k++)
        if (positions[k] >= static_cast<uint32_t>(op.second)) {
          op.second = 1000 + static_cast<int32_t>(k);
          break;
        }
    }
    EXPECT_EQ(actual, c.ops);
  }
}

TEST(Statements, JumpTargets) {
  // IF x THEN y = 1 ELSE y = 2: the false branch lands on the ELSE part,
  // the end of the THEN part jumps past it.
  Session s = compile_session("IF x THEN y = 1 ELSE y = 2\n");
  ASSERT_EQ(s.out, "");
  uint32_t elseStart = 0, end = emit.fCODE;
  for (uint32_t p = s.start; p < emit.fCODE; p++)
    if (INT_ops[p] == 63) elseStart = p + 1;
  EXPECT_EQ(jump_table[1], static_cast<int32_t>(elseStart));
  EXPECT_EQ(jump_table[2], static_cast<int32_t>(end));
}

TEST(Statements, DeclarationsAllocateVariableSpace) {
  // A bound n gives n + 1 elements: a(0) is a scalar, b(1) already an
  // array (with one word more than its elements).
  Session s = compile_session("DIM a(0), b(1), c(2)\nDIM s(255) AS STRING\nDIM t(4) AS BYTE\nDIM f(9) AS SINGLE\n");
  ASSERT_EQ(s.out, "");
  EXPECT_EQ(g_symbol_type[sym("A")], 'A');
  EXPECT_EQ(addr("A"), 1);
  EXPECT_EQ(g_symbol_type[sym("B")], 'Q');
  EXPECT_EQ(addr("B"), 0x4000 - 3);
  EXPECT_EQ(g_symbolsize[sym("B")], 2);
  EXPECT_EQ(addr("C"), 0x4000 - 7);
  EXPECT_EQ(g_symbolsize[sym("C")], 3);
  EXPECT_EQ(g_symbol_type[sym("S")], 'R');
  EXPECT_EQ(g_symbolsize[sym("S")], 65);
  EXPECT_EQ(addr("S"), 0x4000 - 7 - 65);
  EXPECT_EQ(g_symbolsize[sym("T")], 2);
  EXPECT_EQ(g_symbol_type[sym("F")], 'S');
  EXPECT_EQ(addr("F"), 0x4000 - 7 - 65 - 2 - 11);
  EXPECT_EQ(vars.g_VSP, 2);
  EXPECT_EQ(symtab.requireDIM, 0);
  // A plain INTEGER scalar makes declarations compulsory from then on.
  Session d = compile_session("DIM z\nx = 1\n");
  EXPECT_EQ(d.out, "x = 1\n-ERROR  : 2: Undefined Label  X\n\n");
}

TEST(Statements, VariableSpaceIsCheckedBeforeAllocating) {
  Session s = compile_session("DIM a(16370)\nDIM b(20)\nx = 1\n");
  EXPECT_NE(s.out.find("b(20)\n-ERROR  : 2: Too Many Variables\n"), std::string::npos) << s.out;
  EXPECT_EQ(vars.g_VSPdim, 0x4000 - 16372);
  EXPECT_EQ(g_symbol_type[sym("B")], SYM_NEW);
}

TEST(Statements, ConstantTablesAcrossLines) {
  Session s = compile_session("CONST T AS BYTE = {1, 2,\n 3}\nCONST U AS BYTE = {1, 2, 3, -4}\nCONST W = {-1,\n 258}\n");
  ASSERT_EQ(s.out, "");
  EXPECT_EQ(g_symbol_type[sym("T")], SYM_CSTRING);
  EXPECT_EQ(addr("T"), 0x20000 - 4);
  EXPECT_EQ(std::string(g_stringtable + 0x20000 - 4, 4), std::string("\x01\x02\x03\x00", 4));
  EXPECT_EQ(addr("U"), 0x20000 - 12);
  EXPECT_EQ(std::string(g_stringtable + 0x20000 - 12, 8), std::string("\x01\x02\x03\xFC\x00\x00\x00\x00", 8));
  EXPECT_EQ(g_symbol_type[sym("W")], SYM_WORD_TABLE);
  EXPECT_EQ(addr("W"), 0x20000 - 20);
  EXPECT_EQ(std::string(g_stringtable + 0x20000 - 20, 8), std::string("\xFF\xFF\xFF\xFF\x02\x01\x00\x00", 8));
  EXPECT_EQ(s.ops, (Ops{}));  // OP_DATAEND emits no code
}

TEST(Statements, NamedConstantsKeepTheirKind) {
  Session s = compile_session("CONST A = -5\nCONST F = -2.5\nx = F\nDIM y AS SINGLE\ny = A\n");
  ASSERT_EQ(s.out, "");
  EXPECT_EQ(addr("A"), -5);
  EXPECT_EQ(static_cast<uint32_t>(addr("F")), 0xC0200000u);
  EXPECT_EQ(s.ops, (Ops{{103, -2}, {116, 1}, {103, static_cast<int32_t>(0xC0A00000u)}, {116, 2}}));
}

TEST(Statements, PrintForms) {
  struct Print {
    const char *source;
    Ops ops;
  };
  const Print cases[] = {
      {"PRINT\n", {{147, 1}}},
      {"PRINT \"hi\"\n", {{98, 0x20000 - 3}, {148, 1}, {147, 1}}},
      {"PRINT x; y\n", {{26, 1}, {104, 1}, {145, 1}, {26, 1}, {104, 2}, {145, 1}, {147, 1}}},
      {"PRINT x, \"a\"\n", {{26, 1}, {104, 1}, {145, 1}, {146, 1}, {103, 97}, {149, 1}, {147, 1}}},
      {"PRINT x;\n", {{26, 1}, {104, 1}, {145, 1}}},
      // A character literal after a SINGLE item is still a character code.
      {"DIM f AS SINGLE\nPRINT f; \" \"\n", {{26, 1}, {104, 1}, {145, 0}, {103, 32}, {149, 1}, {147, 1}}},
      // STR takes the type of its own argument.
      {"DIM f AS SINGLE\nPRINT STR(f)\n", {{26, 1}, {104, 1}, {121, 0}, {96, 0x10000}, {148, 1}, {147, 1}}},
      {"DIM s(4) AS STRING\nPRINT s + \"!\"\n",
       {{26, 1}, {96, 4 * (0x4000 - 2)}, {27, 1}, {103, 33}, {28, 1}, {96, 0x10000}, {148, 1}, {147, 1}}},
      {"PRINTF(\"%d\", x)\n",
       {{98, 0x20000 - 3}, {100, 0x4000 - 16}, {19, 1}, {3, 1}, {104, 1}, {100, 0x4000 - 15}, {19, 1},
        {3, 1}, {103, 0x4000 - 1}, {1, 0}, {103, 1}, {3, 2}, {103, 0}, {100, 4 * (0x4000 - 16)}, {161, 0},
        {147, 1}}},
  };
  for (const Print &c : cases) {
    SCOPED_TRACE(c.source);
    Session s = compile_session(c.source);
    EXPECT_EQ(s.out, "");
    EXPECT_EQ(s.ops, c.ops);
  }
}

TEST(Statements, ClearInsideABlockLeavesNothingToFinish) {
  Session s = compile_session("FOR i = 1 TO 3\nCLEAR\nx = 1\nNEXT\n");
  // After CLEAR the loop is gone: its NEXT stands alone.
  EXPECT_NE(s.out.find("NEXT\n-ERROR  : 2: NEXT Without FOR\n"), std::string::npos) << s.out;
  EXPECT_EQ(s.ops, (Ops{{103, 1}, {116, 1}}));
}

TEST(Statements, NestingIsBounded) {
  std::string source;
  for (int i = 0; i < 2100; i++) source += "IF x THEN\n";
  Session s = compile_session(source);
  EXPECT_NE(s.out.find("Nesting too deep"), std::string::npos);
}

TEST(Statements, QuitNowLeavesOpenBlocks) {
  reset_everything();
  StdinFeed feed("FOR i = 1 TO 3\nWHILE x\nQUITNOW\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(compile(0), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(cursor.g_token, 216);
}

TEST(Statements, MainAndMap) {
  Session s = compile_session("x = 1\nMAIN:\n__MAP__ DATA 400 STRING 8000\n");
  ASSERT_EQ(s.out, "");
  EXPECT_EQ(g_symbol_type[0], SYM_LABEL);
  EXPECT_EQ(program.first_gotosubwhiledo, 1);
  EXPECT_EQ(vars.g_VSP, 100);
  EXPECT_EQ(vars.g_VSPdim, 2000);
  EXPECT_EQ(program.mapfound, 1);
  Session again = compile_session("MAIN:\nMAIN:\n");
  EXPECT_NE(again.out.find("Duplicate Name"), std::string::npos);
}

}  // namespace
