#include "frontend/diagnostics.h"

#include <cstring>
#include <string>

#include "compile/symbol_map.h"
#include "frontend/symbols.h"
#include "test_support.h"

namespace {

class DiagnosticsTest : public CompilerTest {};

TEST_F(DiagnosticsTest, ErrorReportOnBothStreams) {
  strcpy(reader.line, "x = = 1");
  strcpy(reader.current_filename, "a.bas");
  diag.g_linenum = 7;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  print_error_ln("illegal assignment");
  diag.g_linenum = 9;
  print_error_ln("second");
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  const std::string expected =
      "x = = 1\n-ERROR  a.bas: 7: illegal assignment\n"
      "x = = 1\n-ERROR  a.bas: 9: second\n";
  EXPECT_EQ(out, expected);
  EXPECT_EQ(err, expected);
  EXPECT_EQ(diag.firstERR, 7);
  EXPECT_EQ(diag.error_seen, 1);
}

TEST_F(DiagnosticsTest, ErrorOnLineZeroIsStillSeen) {
  diag.g_linenum = 0;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  print_error_ln("m");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n-ERROR  : 0: m\n");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(diag.firstERR, 0);
  EXPECT_EQ(diag.error_seen, 1);
  init_compiler();
  EXPECT_EQ(diag.error_seen, 0);
}

TEST_F(DiagnosticsTest, SymbolMapLineForEveryKind) {
  struct Row {
    uint8_t type;
    int32_t addr;
    int32_t size;
    const char *line;
  };
  // Variable word 0 lives at 0x40000000 (words 6 and 7); code starts at 0x3000.
  f_table[6] = 0;
  f_table[7] = 0x4000;
  f_table[4] = 0x300;
  init_compiler();
  const Row rows[] = {
      {'A', 5, 0, "> 0x40000014 WORD   N 1\n"},
      {'C', 6, 0, "> 0x40000018 SINGLE N 1\n"},
      {'R', 0x3FF0, 65, "> 0x4000FFC0 STRING N 65\n"},
      {'Q', 0x3F00, 11, "> 0x4000FC00 ARRAY  N 11\n"},
      {'S', 0x3E00, 12, "> 0x4000F800 FARRAY N 12\n"},
      {'I', 1, 0, "> 0x40000004 INTPTR N 1\n"},
      {'X', 2, 0, "> 0x40000008 INTPTR N 1\n"},
      {'Y', 3, 0, "> 0x4000000C INTPTR N 1\n"},
      {'[', 4, 0, "> 0x40000010 INTPTR N 1\n"},
      {'K', 7, 0, "> 0x4000001C SNGLPTR N 1\n"},
      {'P', 8, 0, "> 0x40000020 PARRAY N 16\n"},
      {SYM_LABEL, 0x10, 0, "> 0x00003020 CODE   N 0\n"},
      {SYM_CSTRING, 0x1FFF0, 0, "> 0x0001FFF0 CSTRING N 1\n"},
      {SYM_NEW, 0, 0, "> 0x40000000 OTHER N 0\n"},
      {SYM_UNDEF_LABEL, 0, 0, "> 0x40000000 OTHER N 5\n"},
      {SYM_CONSTANT, 3, 0, "> 0x4000000C OTHER N 7\n"},
      {SYM_FUNCTION, 9, 0, "> 0x40000024 OTHER N 81\n"},
  };
  add_symbol("N", 1);
  for (const Row &r : rows) {
    SCOPED_TRACE(r.line);
    g_symbol_type[1] = r.type;
    g_symboladdr[1] = r.addr;
    g_symbolsize[1] = r.size;
    testing::internal::CaptureStdout();
    sym_dump("", 1, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), r.line);
  }
}

TEST_F(DiagnosticsTest, WholeMapWithMainPrefixAndDemoMode) {
  f_table[4] = 0x300;
  init_compiler();
  add_symbol("LOOP1", 5);
  add_symbol("V", 1);
  g_symbol_type[1] = SYM_LABEL;
  g_symboladdr[1] = 40;
  g_symbol_type[2] = 'A';
  g_symboladdr[2] = 1;
  testing::internal::CaptureStdout();
  sym_dump("", 0, symtab.g_symbolcount);
  sym_dump("F:", 2, symtab.g_symbolcount);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "> 0x00003004 CODE   MAIN 0\n"
            "> 0x00003050 CODE   LOOP1 0\n"
            "> 0x00000004 WORD   V 1\n"
            "> 0x00000004 WORD   F:V 1\n");
  // ARM-class code is counted in words.
  f_table[0] = 2000;
  compute_firmware_facts();
  testing::internal::CaptureStdout();
  sym_dump("", 1, 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "> 0x000030A0 CODE   LOOP1 0\n");
  options.DEMOmode = 1;
  testing::internal::CaptureStdout();
  sym_dump("", 0, symtab.g_symbolcount);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
