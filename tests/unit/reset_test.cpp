#include "codegen/emit.h"
#include "compile/procedures.h"
#include "compile/statement.h"
#include "core/firmware.h"
#include "driver/driver.h"
#include "frontend/symbols.h"
#include "test_support.h"

namespace {

class ResetTest : public CompilerTest {};

TEST_F(ResetTest, ClearPutsBackEveryPieceOfState) {
  add_symbol("A", 1);
  diag.g_linenum = 40;
  diag.firstERR = 12;
  diag.error_seen = 1;
  program.mapfound = 1;
  emit.CODEoffset = 8;
  cstrings.CONSToffset = 0x100;
  cstrings.ConstantStringPtr = 0x1000;
  cstrings.ConstantStringCounter = 9;
  symtab.requireDIM = 1;
  program.first_gotosubwhiledo = 3;
  program.first_functionsub = 4;
  vars.g_VSP = 30;
  vars.g_VSPdim = 100;
  symtab.localcnt = 5;
  symtab.localoffset = 6;
  procs.nextLocal = 40;
  links.jmpPTR = 77;
  init_compiler();
  EXPECT_EQ(symtab.g_symbolcount, 1);
  EXPECT_EQ(symtab.g_STP, 0u);
  EXPECT_EQ(diag.g_linenum, 0);
  EXPECT_EQ(diag.firstERR, 0);
  EXPECT_EQ(diag.error_seen, 0);
  EXPECT_EQ(program.mapfound, 0);
  EXPECT_EQ(emit.CODEoffset, 0);
  EXPECT_EQ(cstrings.CONSToffset, 0x20000);
  EXPECT_EQ(cstrings.ConstantStringPtr, 0x20000);
  EXPECT_EQ(cstrings.ConstantStringCounter, 0);
  EXPECT_EQ(symtab.requireDIM, 0);
  EXPECT_EQ(program.first_gotosubwhiledo, 0);
  EXPECT_EQ(program.first_functionsub, 0);
  EXPECT_EQ(vars.g_VSP, 1);
  EXPECT_EQ(vars.g_VSPdim, firmware.varSpace);
  EXPECT_EQ(symtab.localcnt, 0);
  EXPECT_EQ(symtab.localoffset, 0u);
  EXPECT_EQ(links.jmpPTR, 1);
  // Descriptors 0 and 1 serve SUBs and INTEGER FUNCTIONs without
  // parameters: a result entry and its end entry each.
  EXPECT_EQ(procs.nextLocal, 4);
  EXPECT_EQ(procs.fsPointer, 1);
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
  EXPECT_EQ(firmware.codeStart, 0x8000);
  EXPECT_EQ(firmware.DATAstart, 0x10000);
  EXPECT_EQ(firmware.FlashEnd, 0x20070000);
  f_table[2] = 0x2138;
  f_table[1] = 4;
  firmware.FlashEnd = 0x79000;
  init_compiler();
  EXPECT_EQ(firmware.FlashEnd, 0x79000);  // short tables keep the previous value
  f_table[0] = 2047;
  init_compiler();
  EXPECT_EQ(g_symboladdr[0], 1);
}

}  // namespace
