// Compiler labels, forward references and their resolution.
#include <gtest/gtest.h>

#include "codegen/thumb/thumb.h"
#include "codegen/iohb/iohb.h"
#include "codegen_support.h"

using Units = std::vector<int32_t>;

namespace {

class Links : public ::testing::Test {
 protected:
  void SetUp() override { fresh_target(); }
};

TEST_F(Links, GotoAndGosubToOneLabelLandBehindAndOnItsPrologue) {
  symtab.g_symbolcount = 4;
  g_symbol_type[3] = SYM_LABEL;
  add_op(OP_GOTO, 3);   // 0..1
  add_op(OP_GOSUB, 3);  // 2..3
  while (emit.fCODE < 10) add_op(OP_NOP, 0);
  g_symboladdr[3] = 10;
  add_op(OP_LABEL, 0);  // 10..11
  optimizeTJ(0, 0);
  // GOTO to 12 from 0: 10; GOSUB to 11 from 2: 7.
  EXPECT_EQ(units(0, 4), (Units{0xF000, 0xF80A, 0xF000, 0xF807}));
  EXPECT_EQ(INT_addrs[1], 12);
  EXPECT_EQ(INT_addrs[3], 11);
  EXPECT_EQ(INT_ops[1], OP_GOTO);
  EXPECT_EQ(INT_ops[3], OP_GOSUB);
}

TEST_F(Links, BackwardLinkToASymbol) {
  g_symboladdr[2] = 4;
  while (emit.fCODE < 20) add_op(OP_NOP, 0);
  add_op(OP_GOSUB, 2);
  optimizeTJ(0, 0);
  // 5 - 20 - 2 = -17 = 0x3FFFEF.
  EXPECT_EQ(units(20, 22), (Units{0xF7FF, 0xFFEF}));
}

TEST_F(Links, CompilerLabelsHoldMinusOneUntilDefined) {
  EXPECT_EQ(links.jmpPTR, 1);
  add_op(OP_NOP, 0);
  uint16_t skip = add_fwd_jmpcall(OP_JZ);  // 1..4, placeholder at 3
  EXPECT_EQ(skip, 1);
  EXPECT_EQ(links.jmpPTR, 2);
  EXPECT_EQ(jump_table[1], -1);
  EXPECT_EQ(units(1, 5), (Units{0x2F00, 0xD101, 0x0001, static_cast<int32_t>(0xFFFFC000)}));
  uint16_t other = add_fwd_ref();
  EXPECT_EQ(other, 2);
  EXPECT_EQ(jump_table[2], -1);
  add_op(OP_JMP, other);  // 5..6
  add_op(OP_NOP, 0);      // 7
  patchJumpTable(skip);
  EXPECT_EQ(jump_table[1], 8);
  add_op(OP_NOP, 0);  // 8
  patchJumpTable(other);
  EXPECT_EQ(jump_table[2], 9);
  optimizeTJ(0, 0);
  // 3 -> 8: 3; 5 -> 9: 2.
  EXPECT_EQ(units(3, 7), (Units{0xF000, 0xF803, 0xF000, 0xF802}));
  EXPECT_EQ(INT_addrs[4], 8);
  EXPECT_EQ(INT_addrs[6], 9);
}

TEST_F(Links, ARoutineResolvesItsOwnLinksAndGivesTheirSlotsBack) {
  add_op(OP_GOTO, 5);  // program link 0
  int32_t first = links.nextLink;
  uint16_t label = add_fwd_jmpcall(OP_JMP);  // routine link 1 at 2..3
  patchJumpTable(label);                      // at 4
  optimizeTJ(static_cast<uint32_t>(first), 0);
  links.nextLink = first;
  EXPECT_EQ(units(2, 4), (Units{0xF000, 0xF800}));
  // The program's own link is untouched until the end.
  EXPECT_EQ(units(0, 2), (Units{0x0005, 0x4000}));
  g_symboladdr[5] = 20;
  optimizeTJ(0, 1);
  EXPECT_EQ(units(0, 2), (Units{0xF000, 0xF814}));
}

TEST_F(Links, AFinalResolutionDoesNotResolveItsLinksAgain) {
  g_symboladdr[3] = 10;
  add_op(OP_JMPBACK, 2);  // start-up jump
  add_op(OP_GOTO, 3);     // 2..3: to 12, offset 8
  add_op(OP_END, 0);
  optimizeTJ(0, 1);
  Units first_pass = units(0, emit.fCODE);
  EXPECT_EQ(units(2, 4), (Units{0xF000, 0xF808}));
  EXPECT_EQ(links.resolvedLinks, 1);
  // A second run appends another END and resolves again: the branch at 2
  // must not be read as a link word.
  add_op(OP_END, 0);
  optimizeTJ(0, 1);
  EXPECT_EQ(units(0, 6), Units(first_pass.begin(), first_pass.begin() + 6));
  EXPECT_EQ(INT_addrs[3], 12);
  // Links added after the first resolution are resolved by the next one.
  add_op(OP_GOSUB, 3);  // 8..9: to 11, offset 1
  add_op(OP_END, 0);
  optimizeTJ(0, 1);
  EXPECT_EQ(units(8, 10), (Units{0xF000, 0xF801}));
  EXPECT_EQ(units(2, 4), (Units{0xF000, 0xF808}));
  EXPECT_EQ(links.resolvedLinks, 2);
}

TEST_F(Links, IoHandlerLinksBecomeHandlerJumps) {
  ioh.IOHBcode = 0x100;
  g_symboladdr[4] = 0x20;
  jump_table[3] = 0x30;
  uint32_t w1 = LINK_IOH | 4;
  uint32_t w2 = LINK_LABEL | LINK_GOTO | LINK_IOH | 3;
  Flash_codes[0] = static_cast<int32_t>(w1 & 0xFFFF);
  Flash_codes[1] = static_cast<int32_t>(w1) >> 16;
  Flash_codes[2] = static_cast<int32_t>(w2 & 0xFFFF);
  Flash_codes[3] = static_cast<int32_t>(w2) >> 16;
  emit.fCODE = 4;
  add_missing_link(0);
  add_missing_link(2);
  THoptimizeTJ(0);
  // (0x100 + 0x3000 + 0x40) << 9 + 0x215 = 0x00628215;
  // (0x100 + 0x3000 + 0x60) << 9 + 0x215 = 0x0062C215.
  EXPECT_EQ(units(0, 4), (Units{0x8215, 0x0062, 0xC215, 0x0062}));
  ioh.IOHBcode = 0;
}

TEST_F(Links, TheStartOfImageCheckStopsAProgramThatRunsIntoASub) {
  // The pattern as the check is written: it cannot come from the start-up
  // jump, whose offset is 0, so only a made-up image shows it.
  Units image = {0xF7FF, 0xFFFF, 0xB500};
  for (int32_t u : image) emit_unit(u);
  EXPECT_EXIT(optimizeTJ(0, 1), ::testing::ExitedWithCode(3), "inline execution of FUNCTION/SUB");
  // The check only runs on the final resolution.
  optimizeTJ(0, 0);
}

TEST_F(Links, TheStartUpCodeFollowedByASubPassesTheCheck) {
  add_op(OP_JMPBACK, 2);
  add_op(OP_SUB_ENTRY, 0);
  add_op(OP_RETURN, 0);
  add_op(OP_END, 0);
  std::string out = capture_stdout([] { optimizeTJ(0, 1); });
  EXPECT_EQ(out, "");
}

TEST_F(Links, ArmStartOfImagePatterns) {
  struct Case {
    uint16_t version;
    int index;
    uint32_t word;
  };
  for (Case c : {Case{1900, 1, 0xE92D4000}, Case{1820, 5, 0xE1A00000}}) {
    SCOPED_TRACE(c.version);
    fresh_target(c.version);
    Flash_codes[0] = static_cast<int32_t>(0xEAFFFFFF);
    Flash_codes[c.index] = static_cast<int32_t>(c.word);
    EXPECT_EXIT(optimizeTJ(0, 1), ::testing::ExitedWithCode(3), "inline execution of FUNCTION/SUB");
    Flash_codes[c.index] = 0;
    optimizeTJ(0, 1);  // no match, no exit
  }
}

TEST_F(Links, FullTablesEndTheProgram) {
  links.nextLink = MISSING_LINK_SIZE;
  EXPECT_EXIT(add_op(OP_GOTO, 1), ::testing::ExitedWithCode(4), "Too many forward references");
  links.nextLink = MISSING_LINK_SIZE - 1;
  add_op(OP_NOP, 0);
  add_op(OP_GOTO, 1);
  EXPECT_EQ(missingLink[MISSING_LINK_SIZE - 1], 1);
  EXPECT_EQ(links.nextLink, MISSING_LINK_SIZE);

  links.jmpPTR = JUMP_TABLE_SIZE - 1;
  EXPECT_EQ(add_fwd_ref(), JUMP_TABLE_SIZE - 1);
  EXPECT_EQ(jump_table[JUMP_TABLE_SIZE - 1], -1);
  EXPECT_EXIT(add_fwd_ref(), ::testing::ExitedWithCode(4), "Too many jump labels");
  EXPECT_EXIT(add_fwd_jmpcall(OP_JMP), ::testing::ExitedWithCode(4), "Too many jump labels");
}

}  // namespace
