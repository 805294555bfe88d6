// Code units of every Thumb operation form.
#include <gtest/gtest.h>

#include "codegen/thumb/thumb.h"
#include "codegen_support.h"

using Units = std::vector<int32_t>;

namespace {

class ThumbCodes : public ::testing::Test {
 protected:
  void SetUp() override { fresh_target(); }
};

struct FixedCase {
  uint16_t op;
  Units units;
};

// Operations whose code is the same wherever it stands and that call no
// firmware routine.
const FixedCase fixed_cases[] = {
    {OP_NOP, {0x1C36}},
    {OP_ACC2IDX, {0x1C3C}},
    {OP_LDARR, {0x00BF, 0x597F}},
    {OP_STARR, {0x00A4, 0x512F}},
    {OP_SHL, {0x40B7}},
    {OP_IDX2ACC, {0x1C27}},
    {OP_POPACC, {0xBC80}},
    {OP_ACC2OPND, {0x1C3E}},
    {OP_OPND2IDX, {0x1C34}},
    {OP_IADD, {0x19BF}},
    {OP_ISUB, {0x1BBF}},
    {OP_IRSUB, {0x1BF7}},
    {OP_LABEL, {0xE000, 0xB500}},
    {OP_AND, {0x4037}},
    {OP_CALLACC, {0x2601, 0x4337, 0x467E, 0x3605, 0x46B6, 0x4738}},
    {OP_INTEXIT, {0xBCFF, 0x4680, 0x4689, 0x4692, 0x469B, 0xBD00}},
    {OP_OR, {0x4337}},
    {OP_XOR, {0x4077}},
    {OP_RD_SHALF, {0x2000, 0x5E3F}},
    {OP_RD_HALF, {0x883F}},
    {OP_WR_HALF, {0x8027}},
    {OP_RD_BYTE, {0x783F}},
    {OP_PEEK, {0x683F}},
    {OP_POKE, {0x6027}},
    {OP_NEXT2OPND, {0x464E}},
    {OP_WR_BYTE, {0x7027}},
    {OP_ACC2NEXT, {0x46B9}},
    {OP_PUSHACC, {0xB480}},
    {OP_SWAP, {0x46B1, 0x1C3E, 0x464F}},
    {OP_PUSHNEXT, {0x4648, 0xB401, 0x46B9}},
    {OP_POPNEXT, {0xBC01, 0x4681}},
    {OP_POPOPND, {0xBC40}},
    {OP_RETURN, {0xBD00}},
    {OP_SUB_ENTRY, {0xB500}},
    {OP_ACC2STRSCR, {0x46BB}},
    {OP_PUSHIDX, {0xB410}},
    {OP_POPIDX, {0xBC10}},
    {OP_SLEEP, {0xBF30}},
};

TEST_F(ThumbCodes, FixedOperationsEmitTheirUnitsAndAreRecordedAtTheLastOne) {
  // The full table makes any unintended firmware call visible as a BL.
  full_firmware_table();
  for (const FixedCase &c : fixed_cases) {
    for (uint8_t integer : {1, 0}) {
      SCOPED_TRACE(testing::Message() << "op " << c.op << " integer_ops " << int(integer));
      fresh_target();
      full_firmware_table();
      add_op(OP_NOP, 0);  // so the operation does not start at unit 0
      emit.integer_ops = integer;
      emit.bitwise_ops = 0;
      EXPECT_EQ(emitted(c.op, 77), c.units);
      EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
      // Operations 4 to 56 record the operand type instead of the operand.
      EXPECT_EQ(INT_addrs[emit.fCODE - 1], c.op >= 4 && c.op <= 56 ? integer : 77);
      EXPECT_EQ(INT_ops[0], OP_NOP);
      EXPECT_EQ(emit.last_op, c.op);
      EXPECT_EQ(emit.last_addr, 77);
    }
  }
}

struct TypedCase {
  uint16_t op;
  Units integer_units;  // firmware calls excluded
  int single_entry;     // 0: no call
  Units single_units;   // inline SINGLE code before any call
  int integer_entry;
};

const TypedCase typed_cases[] = {
    {OP_MUL, {0x4377}, 51, {}, 0},
    {OP_ADD, {0x19BF}, 46, {}, 0},
    {OP_SUB, {0x1BBF}, 47, {}, 0},
    {OP_SHR, {0x4137}, 0, {}, 0},
    {OP_TSHL, {0x40B7}, 0, {}, 0},
    {OP_NEG, {0x427F}, 49, {}, 0},
    {OP_NOT, {0x43FF}, 0, {0x43FF}, 0},
    {OP_ABS, {}, 0, {0x007F, 0x087F}, 8},
    {OP_DIV, {}, 50, {}, 15},
    {OP_EQ, {}, 80, {}, 17},
};

TEST_F(ThumbCodes, TypedOperationsByOperandType) {
  for (const TypedCase &c : typed_cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op);
    for (uint8_t integer : {1, 0}) {
      fresh_target();
      full_firmware_table();
      emit.integer_ops = integer;
      emit.bitwise_ops = 0;
      Units expected = integer ? c.integer_units : c.single_units;
      int entry = integer ? c.integer_entry : c.single_entry;
      if (entry) {
        // The call follows the inline code; BL to the entry's address from
        // the unit where the pair starts.
        int64_t p = static_cast<int64_t>(expected.size());
        int64_t t = ((entry_address(entry) - (TEST_CODE_START + 2 * p)) >> 1) - 2;
        expected.push_back(static_cast<int32_t>(0xF000 + ((t >> 11) & 0x7FF)));
        expected.push_back(static_cast<int32_t>(0xF800 + (t & 0x7FF)));
      }
      EXPECT_EQ(emitted(c.op, 5), expected) << "integer_ops " << int(integer);
      // Typed operations record the operand type, not their operand; NOT
      // keeps its operand (its meaning comes from bitwise_ops).
      if (!expected.empty()) {
        EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
        EXPECT_EQ(INT_addrs[emit.fCODE - 1], c.op == OP_NOT ? 5 : integer);
      }
    }
  }
}

TEST_F(ThumbCodes, SingleNotWithBitwiseMeaningIsRefused) {
  emit.integer_ops = 0;
  emit.bitwise_ops = 1;
  add_op(OP_NOP, 0);
  std::string out = capture_stdout([] { add_op(OP_NOT, 0); });
  EXPECT_NE(out.find("NOT on SINGLE undefined"), std::string::npos) << out;
  EXPECT_EQ(emit.fCODE, 1u);
  // Nothing recorded over the operation before.
  EXPECT_EQ(INT_ops[0], OP_NOP);
}

TEST_F(ThumbCodes, FirmwareCallByBlPairWithHandComputedOffsets) {
  full_firmware_table();
  // Entry 59 (print a string) at 0x101 + 236 = 0x1ED; from unit 0 at
  // 0x3000: t = ((0x1ED - 0x3000) >> 1) - 2 = floor(-11795 / 2) - 2 = -5900
  // = -0x170C, which as 22 bits is 0x3FE8F4: F7FD, F8F4.
  EXPECT_EQ(emitted(OP_PRINTSTR), (Units{0xF7FD, 0xF8F4}));
  // The same call two units later reaches two halfwords further back:
  // floor(-11799 / 2) - 2 = -5902 = 0x3FE8F2.
  EXPECT_EQ(emitted(OP_PRINTSTR), (Units{0xF7FD, 0xF8F2}));
  EXPECT_EQ(INT_ops[1], OP_PRINTSTR);
  EXPECT_EQ(INT_ops[3], OP_PRINTSTR);
}

TEST_F(ThumbCodes, StartupJumpAndMainRedirect) {
  // Start-up: one long jump from unit 0 to unit 2, offset 0.
  EXPECT_EQ(emitted(OP_JMPBACK, 2), (Units{0xF000, 0xF800}));
  EXPECT_EQ(emit.last_addr, TEST_CODE_START + 4);
  while (emit.fCODE < 40) add_op(OP_NOP, 0);
  EXPECT_EQ(emitted(OP_MAIN), Units{});
  // MAIN at unit 40: offset 40 - 0 - 2 = 38 = 0x26.
  EXPECT_EQ(units(0, 2), (Units{0xF000, 0xF826}));
  EXPECT_EQ(INT_addrs[1], 40);
  EXPECT_EQ(INT_ops[1], OP_JMPBACK);
}

TEST_F(ThumbCodes, MainOnFirmware2048To2053RedirectsTheSecondJump) {
  fresh_target(2050);
  add_op(OP_JMPBACK, 2);
  add_op(OP_JMPBACK, 4);
  while (emit.fCODE < 40) add_op(OP_NOP, 0);
  add_op(OP_MAIN, 0);
  // From unit 2 to unit 40: 36 = 0x24. The first jump is untouched.
  EXPECT_EQ(units(0, 4), (Units{0xF000, 0xF800, 0xF000, 0xF824}));
  EXPECT_EQ(INT_addrs[1], 40);
}

TEST_F(ThumbCodes, KnownTargetJumpsAndCalls) {
  while (emit.fCODE < 10) add_op(OP_NOP, 0);
  // Backward from unit 10 to unit 4: t = 4 - 10 - 2 = -8 = 0x3FFFF8.
  EXPECT_EQ(emitted(OP_JMPBACK, 4), (Units{0xF7FF, 0xFFF8}));
  EXPECT_EQ(emitted(OP_CALLSUB, 4), (Units{0xF7FF, 0xFFF6}));
  EXPECT_EQ(emitted(OP_CALLBACK, 4), (Units{0xF7FF, 0xFFF4}));
  // CMP r7,#0; BNE over the pair; the pair at unit 18 to unit 4: -16.
  EXPECT_EQ(emitted(OP_JZBACK, 4), (Units{0x2F00, 0xD101, 0xF7FF, 0xFFF0}));
  EXPECT_EQ(emit.last_addr, TEST_CODE_START + 8);
  EXPECT_EQ(INT_ops[19], OP_JZBACK);
  EXPECT_EQ(INT_addrs[19], 4);
  // Forward far: unit 20 to unit 5000 is 4978 = 0x1372: high part 2.
  EXPECT_EQ(emitted(OP_JMPBACK, 5000), (Units{0xF002, 0xFB72}));
}

TEST_F(ThumbCodes, VariableAccessInItsThreeRanges) {
  struct Case {
    uint16_t op;
    int32_t index;
    Units units;
  };
  // Base 1 (short table): word 128 is at 1 + 512 = 0x201, word 1000 at
  // 1 + 4000 = 0xFA1.
  const Case cases[] = {
      {OP_LDVAR, 0, {0x682F}},
      {OP_LDVAR, 31, {0x6FEF}},
      {OP_OPND_LDVAR, 31, {0x6FEE}},
      {OP_STVAR, 31, {0x67EF}},
      {OP_STVAR, 1, {0x606F}},
      {OP_LDVAR, 32, {0x2020, 0x0080, 0x582F}},
      {OP_OPND_LDVAR, 32, {0x2020, 0x0080, 0x582E}},
      {OP_STVAR, 127, {0x207F, 0x0080, 0x502F}},
      // Even start: LDR r1,[pc,#0]; B +1 (own index odd); literal; access.
      {OP_LDVAR, 128, {0x4900, 0xE001, 0x0201, 0x0000, 0x680F}},
      {OP_OPND_LDVAR, 128, {0x4900, 0xE001, 0x0201, 0x0000, 0x680E}},
      {OP_STVAR, 1000, {0x4900, 0xE001, 0x0FA1, 0x0000, 0x600F}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " index " << c.index);
    fresh_target();
    EXPECT_EQ(emitted(c.op, c.index), c.units);
    EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
    EXPECT_EQ(INT_addrs[emit.fCODE - 1], c.index);
  }
}

TEST_F(ThumbCodes, InlineLiteralAtAnOddUnitIsPaddedToAWord) {
  full_firmware_table();
  add_op(OP_NOP, 0);
  // LDR r1,[pc,#4] at unit 1; B +2 at unit 2 (even); pad at 3; literal at
  // 4..5; LDR r7,[r1]. Word 128 = 0x10000040 + 512.
  EXPECT_EQ(emitted(OP_LDVAR, 128), (Units{0x4901, 0xE002, 0x0000, 0x0240, 0x1000, 0x680F}));
  EXPECT_EQ(emit.fCODE, 7u);
  EXPECT_EQ(INT_ops[6], OP_LDVAR);
}

TEST_F(ThumbCodes, SmallConstantsWithoutThePool) {
  struct Case {
    uint16_t op;
    int32_t value;
    Units units;
  };
  const Case cases[] = {
      {OP_CONST, 0, {0x2700}},        {OP_CONST, 200, {0x27C8}},
      {OP_CONST, 255, {0x27FF}},      {OP_CONST, -1, {0x2700, 0x43FF}},
      {OP_CONST, -256, {0x27FF, 0x43FF}}, {OP_CONST, -100, {0x2763, 0x43FF}},
      {OP_OPND_CONST, 200, {0x26C8}}, {OP_OPND_CONST, -1, {0x2600, 0x43F6}},
      {OP_OPND_CONST, -256, {0x26FF, 0x43F6}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " value " << c.value);
    fresh_target();
    EXPECT_EQ(emitted(c.op, c.value), c.units);
    EXPECT_EQ(pool.nextConst, 0);
    EXPECT_EQ(INT_addrs[emit.fCODE - 1], c.value);
  }
}

TEST_F(ThumbCodes, PoolLoadsForLargeConstantsAndAddresses) {
  full_firmware_table();
  firmware.FlashEnd = 0x79000;
  f_table[5] = 0x1235;  // its upper 12 bits move the string area
  compute_firmware_facts();
  struct Case {
    uint16_t op;
    int32_t operand;
    int32_t unit;
    int32_t value;
  };
  const Case cases[] = {
      {OP_CONST, 256, 0x4F00, 256},
      {OP_CONST, -257, 0x4F00, -257},
      {OP_OPND_CONST, 0x12345678, 0x4E00, 0x12345678},
      {OP_ADDR, 8, 0x4F00, static_cast<int32_t>(TEST_VARIABLE_BASE + 8)},
      {OP_OPND_ADDR, 0x100, 0x4E00, static_cast<int32_t>(TEST_VARIABLE_BASE + 0x100)},
      // 0x79000 + 0x1FFF0 + 0x1230 * 65536 - 0x20000
      {OP_STRADDR, 0x1FFF0, 0x4F00, 0x12378FF0},
      {OP_OPND_STRADDR, 0x1FFF0, 0x4E00, 0x12378FF0},
  };
  int k = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op);
    uint32_t at = emit.fCODE;
    EXPECT_EQ(emitted(c.op, c.operand), Units{c.unit});
    ASSERT_EQ(pool.nextConst, k + 1);
    EXPECT_EQ(patchaddr[k], static_cast<int32_t>(at));
    EXPECT_EQ(patchconst[k], c.value);
    k++;
  }
}

TEST_F(ThumbCodes, InterruptEntryAlignsItsLiteral) {
  full_firmware_table();
  const Units body = {0xB500, 0x4640, 0x4649, 0x4652, 0x465B, 0xB4FF, 0x4D00, 0xE001, 0x0040, 0x1000};
  EXPECT_EQ(emitted(OP_INTENTRY), body);
  add_op(OP_NOP, 0);
  Units with_nop = {0xBF00};
  with_nop.insert(with_nop.end(), body.begin(), body.end());
  EXPECT_EQ(emitted(OP_INTENTRY), with_nop);
  EXPECT_EQ(emit.fCODE, 22u);
  // LDR r5,[pc,#0] at unit 18 reads unit 20: the literal.
  EXPECT_EQ(units(20, 22), (Units{0x0040, 0x1000}));
}

TEST_F(ThumbCodes, EndPlacesThePoolAndPadsAnOddEnd) {
  EXPECT_EQ(emitted(OP_END), (Units{0xBC10, 0xBD00}));
  add_op(OP_NOP, 0);
  EXPECT_EQ(emitted(OP_END), (Units{0xBC10, 0xBD00, 0x0000}));
  EXPECT_EQ(INT_ops[5], OP_END);
}

TEST_F(ThumbCodes, InlineMachineWords) {
  EXPECT_EQ(emitted(OP_ASM, 0xBF00), Units{0xBF00});
  EXPECT_EQ(emitted(OP_ASM, 0x0001F000), (Units{0xF000, 0x0001}));
  EXPECT_EQ(INT_addrs[2], 0x0001F000);
}

TEST_F(ThumbCodes, ForwardJumpPlaceholdersHoldTheirLinkWords) {
  // The high unit is the link word shifted right as a signed word, as for
  // every 32-bit value split into units; the resolver reads both back.
  EXPECT_EQ(emitted(OP_JMP, 5), (Units{0x0005, static_cast<int32_t>(0xFFFFC000)}));
  EXPECT_EQ(emit.last_addr, static_cast<int32_t>(0xC0000005));
  EXPECT_EQ(emitted(OP_JZ, 6), (Units{0x2F00, 0xD101, 0x0006, static_cast<int32_t>(0xFFFFC000)}));
  EXPECT_EQ(emitted(OP_GOTO, 7), (Units{0x0007, 0x4000}));
  EXPECT_EQ(emit.last_addr, 0x40000007);
  EXPECT_EQ(emitted(OP_GOSUB, 8), (Units{0x0008, 0x0000}));
  EXPECT_EQ(links.nextLink, 4);
  EXPECT_EQ(missingLink[0], 0);
  EXPECT_EQ(missingLink[1], 4);
  EXPECT_EQ(missingLink[2], 6);
  EXPECT_EQ(missingLink[3], 8);
  // Recorded with the operand given, at the placeholder's last unit.
  EXPECT_EQ(INT_ops[5], OP_JZ);
  EXPECT_EQ(INT_addrs[5], 6);
}

TEST_F(ThumbCodes, PinOperationsOfEveryPort) {
  for (int port = 0; port < 6; port++) {
    SCOPED_TRACE(testing::Message() << "port " << port);
    int32_t set = 0x2009C018 + 32 * port;
    fresh_target();
    uint16_t read = static_cast<uint16_t>(OP_P0 + 2 * port);
    EXPECT_EQ(emitted(read), (Units{0x2001, 0x40B8, 0x4F00, 0x683F, 0x4007, 0xD001, 0x2700, 0x43FF}));
    EXPECT_EQ(patchconst[0], set - 4);
    EXPECT_EQ(patchaddr[0], 2);
    // Only the pin operation is recorded, at its own last unit; the
    // constant inside it is code only.
    EXPECT_EQ(INT_ops[7], read);
    EXPECT_EQ(INT_ops[2], 0);
    EXPECT_EQ(emit.last_op, read);

    uint16_t write = static_cast<uint16_t>(OP_P0_WR + 2 * port);
    EXPECT_EQ(emitted(write), (Units{0x2F00, 0x4F00, 0xD100, 0x3704, 0x2601, 0x40A6, 0x603E}));
    EXPECT_EQ(patchconst[1], set);
    EXPECT_EQ(patchaddr[1], 9);
    EXPECT_EQ(INT_ops[14], write);
    EXPECT_EQ(INT_ops[9], 0);
  }
}

TEST_F(ThumbCodes, CodesThatAreNoOperationsEmitNothing) {
  add_op(OP_NOP, 0);
  for (uint16_t op : {6, 18, 45, 60, 76, 93, 106, 123, 126, 127, 135, 160, 166, 176, 200, 209, 254, 261, 500}) {
    EXPECT_EQ(emitted(op, 1), Units{}) << op;
  }
  // The I/O-handler operations and the initialiser end have no Thumb code.
  for (uint16_t op : {OP_EZHPARAM, OP_EZHSAVE, OP_EZHRESTORE, OP_EZHRDPER, OP_EZHWRPER, OP_OPND_CONST2,
                      OP_DATAEND, OP_FOR, OP_NEXT}) {
    EXPECT_EQ(emitted(op, 1), Units{}) << op;
  }
  EXPECT_EQ(INT_ops[0], OP_NOP);
  EXPECT_EQ(INT_addrs[0], 0);
}

}  // namespace
