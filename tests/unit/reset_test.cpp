#include "codegen/emit.h"
#include "compile/procedures.h"
#include "driver/driver.h"
#include "driver/state.h"
#include "frontend/symbols.h"
#include "test_support.h"

namespace {

class ResetTest : public CompilerTest {};

TEST_F(ResetTest, ClearPutsBackEveryPieceOfState) {
  add_symbol("A", 1);
  g_linenum = 40;
  firstERR = 12;
  error_seen = 1;
  mapfound = 1;
  CODEoffset = 8;
  CONSToffset = 0x100;
  ConstantStringPtr = 0x1000;
  ConstantStringCounter = 9;
  requireDIM = 1;
  first_gotosubwhiledo = 3;
  first_functionsub = 4;
  g_VSP = 30;
  g_VSPdim = 100;
  localcnt = 5;
  localoffset = 6;
  nextLocal = 40;
  jmpPTR = 77;
  init_compiler();
  EXPECT_EQ(g_symbolcount, 1);
  EXPECT_EQ(g_STP, 0u);
  EXPECT_EQ(g_linenum, 0);
  EXPECT_EQ(firstERR, 0);
  EXPECT_EQ(error_seen, 0);
  EXPECT_EQ(mapfound, 0);
  EXPECT_EQ(CODEoffset, 0);
  EXPECT_EQ(CONSToffset, 0x20000);
  EXPECT_EQ(ConstantStringPtr, 0x20000);
  EXPECT_EQ(ConstantStringCounter, 0);
  EXPECT_EQ(requireDIM, 0);
  EXPECT_EQ(first_gotosubwhiledo, 0);
  EXPECT_EQ(first_functionsub, 0);
  EXPECT_EQ(g_VSP, 1);
  EXPECT_EQ(g_VSPdim, varSpace);
  EXPECT_EQ(localcnt, 0);
  EXPECT_EQ(localoffset, 0u);
  EXPECT_EQ(jmpPTR, 1);
  // Descriptors 0 and 1 serve SUBs and INTEGER FUNCTIONs without
  // parameters: a result entry and its end entry each.
  EXPECT_EQ(nextLocal, 4);
  EXPECT_EQ(fsPointer, 1);
  EXPECT_EQ(fsStart[0], 0);
  EXPECT_EQ(fsStart[1], 2);
  EXPECT_EQ(localType[0], 0);
  EXPECT_EQ(localAddr[1], 0);
  EXPECT_EQ(localType[2], 'A');
  EXPECT_EQ(localAddr[3], 0);
  EXPECT_EQ(g_symbol_type[0], SYM_UNDEF_LABEL);
  EXPECT_EQ(g_symboladdr[0], 2);
}

TEST_F(ResetTest, LayoutFromTheTable) {
  f_table[1] = 95;
  f_table[2] = 0x3200;
  f_table[3] = 0x1000;
  f_table[4] = 0x0800;
  f_table[41] = 0x7000;
  init_compiler();
  EXPECT_EQ(codeStart, 0x8000);
  EXPECT_EQ(DATAstart, 0x10000);
  EXPECT_EQ(FlashEnd, 0x20070000);
  f_table[2] = 0x2138;
  f_table[1] = 4;
  FlashEnd = 0x79000;
  init_compiler();
  EXPECT_EQ(FlashEnd, 0x79000);  // short tables keep the previous value
  f_table[0] = 2047;
  init_compiler();
  EXPECT_EQ(g_symboladdr[0], 1);
}

}  // namespace
