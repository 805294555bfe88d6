// The literal pool: placement, duplicates, flushes and the loads' offsets.
#include <gtest/gtest.h>

#include "codegen/thumb/thumb.h"
#include "codegen_support.h"

using Units = std::vector<int32_t>;

namespace {

class LiteralPool : public ::testing::Test {
 protected:
  void SetUp() override { fresh_target(); }
};

// Word a Thumb LDR rd,[pc,#4k] at unit p reads: (address of p + 4) rounded
// down to a word, plus 4k, counted in units from codeStart (a word
// boundary).
int32_t load_target(int32_t p, int32_t unit) {
  int32_t pc = ((TEST_CODE_START + 2 * p + 4) & ~3) + 4 * (unit & 0xFF);
  return (pc - TEST_CODE_START) / 2;
}

TEST_F(LiteralPool, AConstantAtEitherParityIsReachedByItsLoad) {
  for (int shift : {0, 1}) {
    SCOPED_TRACE(shift);
    fresh_target();
    for (int k = 0; k < shift; k++) add_op(OP_NOP, 0);
    int32_t p = static_cast<int32_t>(emit.fCODE);
    add_op(OP_CONST, 256);
    add_op(OP_END, 0);
    // Even: load 0, END 1..2, pad 3, value 4..5. Odd: load 1, END 2..3,
    // value 4..5 without a pad. Both loads read unit 4: offset 1.
    EXPECT_EQ(Flash_codes[p], 0x4F01);
    EXPECT_EQ(units(4, 6), (Units{0x0100, 0x0000}));
    EXPECT_EQ(emit.fCODE, 6u);
    EXPECT_EQ(load_target(p, Flash_codes[p]), 4);
    if (shift == 0) {
      EXPECT_EQ(Flash_codes[3], 0);
    }
    EXPECT_EQ(INT_ops[5], OP_END);
    EXPECT_EQ(pool.nextConst, 0);
  }
}

TEST_F(LiteralPool, ThreeEqualConstantsArePlacedOnce) {
  add_op(OP_CONST, 0x12345678);
  add_op(OP_OPND_CONST, 0x12345678);
  add_op(OP_CONST, 0x12345678);
  add_op(OP_END, 0);
  // Loads 0..2, END 3..4, pad 5, the one value at 6..7.
  EXPECT_EQ(emit.fCODE, 8u);
  EXPECT_EQ(units(0, 3), (Units{0x4F02, 0x4E02, 0x4F01}));
  EXPECT_EQ(units(5, 8), (Units{0x0000, 0x5678, 0x1234}));
  for (int32_t p = 0; p < 3; p++) EXPECT_EQ(load_target(p, Flash_codes[p]), 6) << p;
  EXPECT_EQ(dupConst[0], 6);
  EXPECT_EQ(dupConst[1], 0);
  EXPECT_EQ(dupConst[2], 0);
}

TEST_F(LiteralPool, ADuplicatePointsAtTheFirstOfItsValue) {
  add_op(OP_CONST, 1000);
  add_op(OP_CONST, 2000);
  add_op(OP_CONST, 1000);
  add_op(OP_CONST, -1000);
  add_op(OP_ENDSUB, 0);
  // Loads 0..3; pool at 4: 1000 at 4, 2000 at 6, -1000 at 8.
  EXPECT_EQ(units(4, 10), (Units{1000, 0, 2000, 0, static_cast<int32_t>(0xFC18), -1}));
  EXPECT_EQ(load_target(0, Flash_codes[0]), 4);
  EXPECT_EQ(load_target(1, Flash_codes[1]), 6);
  EXPECT_EQ(load_target(2, Flash_codes[2]), 4);
  EXPECT_EQ(load_target(3, Flash_codes[3]), 8);
  EXPECT_EQ(look4duplicateConst(2), 0);
  EXPECT_EQ(look4duplicateConst(1), -1);
  // ENDSUB is recorded at the pool's last unit.
  EXPECT_EQ(INT_ops[9], OP_ENDSUB);
}

TEST_F(LiteralPool, DuplicatesAreNotSharedAcrossAFlush) {
  add_op(OP_CONST, 0x55AA55AA);
  add_op(OP_ENDSUB, 0);  // pad 1, value 2..3
  add_op(OP_CONST, 0x55AA55AA);
  add_op(OP_END, 0);  // load 4, END 5..6, pad 7, value 8..9
  EXPECT_EQ(emit.fCODE, 10u);
  EXPECT_EQ(units(2, 4), (Units{0x55AA, 0x55AA}));
  EXPECT_EQ(units(8, 10), (Units{0x55AA, 0x55AA}));
  EXPECT_EQ(Flash_codes[0], 0x4F00);
  EXPECT_EQ(load_target(0, Flash_codes[0]), 2);
  EXPECT_EQ(Flash_codes[4], 0x4F01);
  EXPECT_EQ(load_target(4, Flash_codes[4]), 8);
}

TEST_F(LiteralPool, ThePoolFlushesBeforeThe129thPendingConstant) {
  for (int k = 0; k < 128; k++) add_op(OP_CONST, 1000 + k);
  EXPECT_EQ(pool.nextConst, 128);
  EXPECT_EQ(emit.fCODE, 128u);
  add_op(OP_CONST, 5000);
  // Branch reserved at 128, pad at 129, 128 values at 130..385, then the
  // new load at 386: B +256 = 0xE100.
  EXPECT_EQ(Flash_codes[128], 0xE100);
  EXPECT_EQ(Flash_codes[129], 0);
  for (int k = 0; k < 128; k++) {
    EXPECT_EQ(Flash_codes[130 + 2 * k], 1000 + k) << k;
    EXPECT_EQ(Flash_codes[131 + 2 * k], 0) << k;
    EXPECT_EQ(load_target(k, Flash_codes[k]), 130 + 2 * k) << k;
    EXPECT_EQ(Flash_codes[k] & 0xFF00, 0x4F00) << k;
  }
  // First and last offsets by hand: (130 - 0 + 1) / 2 - 1 = 64 and
  // (384 - 127 + 1) / 2 - 1 = 128.
  EXPECT_EQ(Flash_codes[0], 0x4F40);
  EXPECT_EQ(Flash_codes[127], 0x4F80);
  EXPECT_EQ(Flash_codes[386], 0x4F00);
  EXPECT_EQ(emit.fCODE, 387u);
  EXPECT_EQ(pool.nextConst, 1);
  EXPECT_EQ(patchaddr[0], 386);
  EXPECT_EQ(patchconst[0], 5000);
  // The new constant is recorded at its load, not over the pool.
  EXPECT_EQ(INT_ops[386], OP_CONST);
  EXPECT_EQ(INT_addrs[386], 5000);
  EXPECT_EQ(INT_ops[385], 0);
}

TEST_F(LiteralPool, ThePoolIsPlacedWhenItsFirstLoadFallsMoreThan480UnitsBehind) {
  add_op(OP_CONST, 0x12345678);
  for (int k = 0; k < 479; k++) add_op(OP_NOP, 0);
  add_op(OP_NOP, 0);  // starts at 480: exactly 480 behind, no flush yet
  EXPECT_EQ(emit.fCODE, 481u);
  EXPECT_EQ(Flash_codes[480], 0x1C36);
  EXPECT_EQ(pool.nextConst, 1);
  add_op(OP_NOP, 0);  // 481 behind: B at 481, value at 482..483, NOP at 484
  EXPECT_EQ(units(481, 485), (Units{0xE001, 0x5678, 0x1234, 0x1C36}));
  EXPECT_EQ(Flash_codes[0], 0x4FF0);  // (482 + 1) / 2 - 1 = 240
  EXPECT_EQ(load_target(0, Flash_codes[0]), 482);
  EXPECT_EQ(pool.nextConst, 0);
  EXPECT_EQ(INT_ops[484], OP_NOP);
  EXPECT_EQ(INT_ops[481], 0);
}

TEST_F(LiteralPool, AJumpFarBehindAPendingConstantIsPrecededByTheBranchOverThePool) {
  add_op(OP_NOP, 0);
  add_op(OP_CONST, 0x70000000);  // load at 1
  while (emit.fCODE < 482) add_op(OP_NOP, 0);
  add_op(OP_GOTO, 3);  // 481 behind: B at 482, pad 483, value 484..485
  EXPECT_EQ(units(482, 488), (Units{0xE002, 0x0000, 0x0000, 0x7000, 0x0003, 0x4000}));
  EXPECT_EQ(missingLink[0], 486);
  EXPECT_EQ(load_target(1, Flash_codes[1]), 484);
  EXPECT_EQ(INT_ops[487], OP_GOTO);
}

TEST_F(LiteralPool, FlushIfDueMovesALabelBehindThePool) {
  // Not due: nothing happens.
  add_op(OP_CONST, 0x12345678);
  while (emit.fCODE < 480) add_op(OP_NOP, 0);
  flush_pool_if_due();
  EXPECT_EQ(emit.fCODE, 480u);
  EXPECT_EQ(pool.nextConst, 1);
  add_op(OP_NOP, 0);
  // Due: the same bytes the next operation would have produced, now before
  // the label's address is taken.
  flush_pool_if_due();
  EXPECT_EQ(units(481, 484), (Units{0xE001, 0x5678, 0x1234}));
  EXPECT_EQ(emit.fCODE, 484u);
  int32_t label_at = static_cast<int32_t>(emit.fCODE);
  add_op(OP_LABEL, 0);
  EXPECT_EQ(units(label_at, label_at + 2), (Units{0xE000, 0xB500}));
  EXPECT_EQ(INT_ops[label_at + 1], OP_LABEL);
}

TEST_F(LiteralPool, AFarConstantIsReportedAndItsOffsetTruncated) {
  // Pending loads only flush at the next operation; a single operation that
  // puts the pool too far away is reported.
  add_op(OP_CONST, 0x12345678);
  while (emit.fCODE < 300) add_op(OP_NOP, 0);
  emit.fCODE += 300;  // as if one long operation had run
  std::string out = capture_stdout([] { compileConstants(); });
  EXPECT_NE(out.find("constant too far away -- send this code sample to Velmora"), std::string::npos) << out;
  // (600 + 1) / 2 - 1 = 299 = 0x12B: only its low byte fits the field.
  EXPECT_EQ(Flash_codes[0], 0x4F2B);
}

TEST_F(LiteralPool, IoHandlerLoadsArePatchedInTheirSecondHalfword) {
  emit.inside_ezh = 2;
  Flash_codes[0] = 0x4001;
  Flash_codes[1] = 7;
  add_pool_constant(0x11223344);
  emit.fCODE = 10;
  compileConstants();
  // Value at 10: ((10 - 0) >> 1) - 2 = 3 in bits 8..15 of the second unit.
  EXPECT_EQ(Flash_codes[0], 0x4001);
  EXPECT_EQ(Flash_codes[1], 0x0307);
  EXPECT_EQ(units(10, 12), (Units{0x3344, 0x1122}));
}

}  // namespace
