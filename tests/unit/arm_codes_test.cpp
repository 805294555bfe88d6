// Instruction words of every ARM operation form, the constants, variable
// access, jumps and their resolution, and the old-firmware forms.
#include <gtest/gtest.h>

#include "arm_support.h"
#include "codegen/arm/arm.h"
#include "codegen/arm/arm_encoding.h"
#include "driver/driver.h"

using Units = std::vector<int32_t>;

namespace {

constexpr uint16_t CURRENT = 1900;  // calls and returns of its own
constexpr uint16_t OLD = 1823;      // calls and returns through the firmware

class ArmCodes : public ::testing::Test {
 protected:
  void SetUp() override { arm_target(CURRENT); }
};

struct FixedCase {
  uint16_t op;
  Units units;
};

// Operations whose code is the same on every ARM firmware and that call no
// firmware routine.
const FixedCase fixed_cases[] = {
    {OP_NOP, words({0xE1A00000})},
    {OP_ACC2IDX, words({0xE1A08007})},
    {OP_LDARR, words({0xE79B7107})},
    {OP_STARR, words({0xE78B7108})},
    {OP_SHL, words({0xE1A07617})},
    {OP_IDX2ACC, words({0xE1A07008})},
    {OP_POPACC, words({0xE8BD0080})},
    {OP_ACC2OPND, words({0xE2976000})},
    {OP_OPND2IDX, words({0xE1A08006})},
    {OP_IADD, words({0xE0877006})},
    {OP_ISUB, words({0xE0477006})},
    {OP_IRSUB, words({0xE0467007})},
    {OP_AND, words({0xE0077006})},
    {OP_CALLACC, words({0xE1A0E00F, 0xE12FFF17})},
    {OP_INTEXIT, words({0xE8BD0800, 0xE24BD034, 0xE8FD9FFF})},
    {OP_OR, words({0xE1877006})},
    {OP_XOR, words({0xE0277006})},
    {OP_RD_SHALF, words({0xE1D770F0})},
    {OP_RD_HALF, words({0xE1D770B0})},
    {OP_WR_HALF, words({0xE1C870B0})},
    {OP_TIMER, words({0xE3A0728E, 0xE2877901, 0xE5977000})},
    {OP_RD_BYTE, words({0xE5D77000})},
    {OP_PEEK, words({0xE5977000})},
    {OP_POKE, words({0xE5887000})},
    {OP_NEXT2OPND, words({0xE1A06009})},
    {OP_WR_BYTE, words({0xE5C87000})},
    {OP_ACC2NEXT, words({0xE1A09007})},
    {OP_PUSHACC, words({0xE92D0080})},
    {OP_SWAP, words({0xE1A09006, 0xE2976000, 0xE1A07009})},
    {OP_PUSHNEXT, words({0xE92D0200, 0xE1A09007})},
    {OP_POPNEXT, words({0xE8BD0200})},
    {OP_POPOPND, words({0xE8BD0040})},
    {OP_ACC2STRSCR, words({0xE1A05007})},
    {OP_PUSHIDX, words({0xE92D0100})},
    {OP_POPIDX, words({0xE8BD0100})},
    {OP_SLEEP, words({0xE3200003})},
};

TEST_F(ArmCodes, FixedOperationsEmitTheirWordsAndAreRecordedAtTheLastOne) {
  for (uint16_t version : {CURRENT, OLD}) {
    for (const FixedCase &c : fixed_cases) {
      for (uint8_t integer : {1, 0}) {
        SCOPED_TRACE(testing::Message() << "version " << version << " op " << c.op << " integer_ops " << int(integer));
        arm_target(version);
        add_op(OP_NOP, 0);  // so the operation does not start at unit 0
        emit.integer_ops = integer;
        emit.bitwise_ops = 0;
        EXPECT_EQ(emitted(c.op, 77), c.units);
        EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
        EXPECT_EQ(INT_addrs[emit.fCODE - 1], c.op >= 4 && c.op <= 56 ? integer : 77);
        EXPECT_EQ(INT_ops[0], OP_NOP);
        EXPECT_EQ(emit.last_op, c.op);
        EXPECT_EQ(emit.last_addr, 77);
      }
    }
  }
}

// Operations whose code depends on whether the firmware is 1823 or older.
TEST_F(ArmCodes, FormsThatChangeAfterFirmware1823) {
  struct Case {
    uint16_t op;
    Units current;
    Units old;  // with a BL at its end for the return through entry 96
  };
  const Case cases[] = {
      // B over the next word, then STMDB sp!,{lr} or MOV r0,r0.
      {OP_LABEL, words({0xEA000000, 0xE92D4000}), words({0xEA000000, 0xE1A00000})},
      {OP_SUB_ENTRY, words({0xE92D4000}), words({0xE1A00000})},
      // LDM sp!,{pc}, or BL to entry 96 from unit 1: 0xEBFFF8BE - 1.
      {OP_RETURN, words({0xE8BD8000}), words({0xEBFFF8BD})},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.op);
    for (uint16_t version : {uint16_t{1824}, CURRENT, uint16_t{2047}}) {
      arm_target(version);
      add_op(OP_NOP, 0);
      EXPECT_EQ(emitted(c.op), c.current) << version;
      EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
    }
    for (uint16_t version : {uint16_t{1813}, OLD}) {
      arm_target(version);
      add_op(OP_NOP, 0);
      EXPECT_EQ(emitted(c.op), c.old) << version;
      EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
    }
  }
  EXPECT_EQ(bl_to_address(1, arm_entry(96)), 0xEBFFF8BDu);
}

TEST_F(ArmCodes, EndReturnsToTheFirmwareAfter1823) {
  for (uint16_t version : {uint16_t{1824}, uint16_t{2047}}) {
    arm_target(version);
    EXPECT_EQ(emitted(OP_END), words({0xE8BD0100, 0xE8BD8000})) << version;
    EXPECT_EQ(INT_ops[1], OP_END);
  }
  // Up to 1823 the back end has no code of its own for END.
  arm_target(OLD);
  add_ARM_op(OP_END, 0);
  EXPECT_EQ(emit.fCODE, 0u);
  EXPECT_EQ(emit.last_op, OP_END);
}

TEST_F(ArmCodes, EndOnFirmware1813To1823SavesTheStringAccumulatorFirst) {
  for (uint16_t version : {uint16_t{1813}, OLD}) {
    SCOPED_TRACE(version);
    arm_target(version);
    vars.g_VSPdim = 0x3000;
    add_op(OP_NOP, 0);
    // The address of the top string variable through entry 91 and its data
    // word (0x40000040 + 4 * 0x2FFF = 0x4000C03C), MOV r8,r7, then the
    // calls of ops 26 (entry 44) and 118 (entry 68); END itself adds none.
    Units expected = words({bl_to_address(1, arm_entry(91)), 0x4000C03C, 0xE1A08007, bl_to_address(4, arm_entry(44)),
                            bl_to_address(5, arm_entry(68))});
    EXPECT_EQ(emitted(OP_END), expected);
    EXPECT_EQ(Flash_codes[1], static_cast<int32_t>(0xEBFFF8B3));
    // END is recorded at the last word of the sequence, and only END.
    EXPECT_EQ(INT_ops[5], OP_END);
    EXPECT_EQ(INT_ops[2], 0);
    EXPECT_EQ(INT_ops[3], 0);
  }
}

struct TypedCase {
  uint16_t op;
  Units integer_units;  // firmware calls excluded
  int integer_entry;    // 0: no call
  Units single_units;
  int single_entry;
};

const TypedCase typed_cases[] = {
    {OP_ADD, words({0xE0877006}), 0, {}, 46},
    {OP_SUB, words({0xE0477006}), 0, {}, 47},
    {OP_MUL, words({0xE0070796}), 0, {}, 51},
    {OP_NEG, words({0xE2677000}), 0, {}, 49},
    {OP_NOT, words({0xE1E07007}), 0, words({0xE1E07007}), 0},
    {OP_TSHL, words({0xE1A07617}), 0, {}, 0},
    {OP_SHR, words({0xE1A07657}), 0, {}, 0},
    {OP_ABS, {}, 8, words({0xE1A07087, 0xE1A070A7}), 0},
    {OP_DIV, {}, 15, {}, 50},
    {OP_EQ, {}, 17, {}, 80},
    {OP_STR, {}, 14, {}, 32},
};

TEST_F(ArmCodes, TypedOperationsByOperandType) {
  for (const TypedCase &c : typed_cases) {
    for (uint8_t integer : {1, 0}) {
      SCOPED_TRACE(testing::Message() << "op " << c.op << " integer_ops " << int(integer));
      arm_target(CURRENT);
      emit.integer_ops = integer;
      emit.bitwise_ops = 0;
      Units expected = integer ? c.integer_units : c.single_units;
      int entry = integer ? c.integer_entry : c.single_entry;
      if (entry) expected.push_back(static_cast<int32_t>(bl_to_address(static_cast<int64_t>(expected.size()), arm_entry(entry))));
      Units got;
      std::string out = capture_stdout([&] { got = emitted(c.op, 5); });
      EXPECT_EQ(got, expected);
      if (!expected.empty()) {
        EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
        EXPECT_EQ(INT_addrs[emit.fCODE - 1], c.op == OP_NOT ? 5 : integer);
      }
      // Shifts have no SINGLE form: reported, nothing emitted.
      bool refused = !integer && (c.op == OP_TSHL || c.op == OP_SHR);
      EXPECT_EQ(out.find("op for SINGLE undefined") != std::string::npos, refused) << out;
    }
  }
}

TEST_F(ArmCodes, SingleNotWithBitwiseMeaningIsRefused) {
  emit.integer_ops = 0;
  emit.bitwise_ops = 1;
  add_op(OP_NOP, 0);
  std::string out = capture_stdout([] { add_op(OP_NOT, 0); });
  EXPECT_NE(out.find("NOT on SINGLE undefined"), std::string::npos) << out;
  EXPECT_EQ(emit.fCODE, 1u);
  EXPECT_EQ(INT_ops[0], OP_NOP);
}

TEST_F(ArmCodes, FirmwareCallsByBlWithHandComputedOffsets) {
  // Entry 59 at 0x1000 + 472 = 0x11D8. From unit 0 at 0x3000:
  // (0x11D8 - 0x3008) / 4 = -0x78C, as 24 bits 0xFFF874.
  EXPECT_EQ(emitted(OP_PRINTSTR), words({0xEBFFF874}));
  // One word further on, one word further back.
  EXPECT_EQ(emitted(OP_PRINTSTR), words({0xEBFFF873}));
  EXPECT_EQ(INT_ops[0], OP_PRINTSTR);
  EXPECT_EQ(INT_ops[1], OP_PRINTSTR);
  // Forward: code at 0x100, entry 59 at 0x11D8: (0x11D8 - 0x108) / 4 = 0x434.
  firmware.codeStart = 0x100;
  emit.fCODE = 0;
  EXPECT_EQ(emitted(OP_PRINTSTR), words({0xEB000434}));
}

TEST_F(ArmCodes, ShortTableCallsReachAddressOne) {
  fresh_target(CURRENT);  // format 4: every entry reads as 1
  // (1 - 0x3008) >> 2 rounds down: -0xC02, as 24 bits 0xFFF3FE.
  EXPECT_EQ(emitted(OP_PRINTCR), words({0xEBFFF3FE}));
}

TEST_F(ArmCodes, OperandConversionWithoutItsRoutineGoesThroughTheAccumulator) {
  f_table[79] = 0;
  // Exchange, convert the accumulator (entry 25), exchange back.
  Units swap = words({0xE1A09006, 0xE2976000, 0xE1A07009});
  Units expected = swap;
  expected.push_back(static_cast<int32_t>(bl_to_address(3, arm_entry(25))));
  expected.insert(expected.end(), swap.begin(), swap.end());
  Units got;
  std::string out = capture_stdout([&] { got = emitted(OP_OPND_FTOI); });
  EXPECT_EQ(got, expected);
  // Choosing the replacement is no error.
  EXPECT_EQ(out, "");
  EXPECT_EQ(INT_ops[6], OP_OPND_FTOI);
  f_table[79] = static_cast<uint16_t>(arm_entry(79));
  EXPECT_EQ(emitted(OP_OPND_FTOI), words({bl_to_address(7, arm_entry(79))}));
}

TEST(ArmConstant, EveryRotation) {
  struct Case {
    uint32_t value;
    int32_t field;
  };
  // 0x81 rotated left by r first fits after r bits of right rotation: the
  // field's rotation is (32 - r) / 2 (mod 16).
  const Case cases[] = {
      {0x00000081, 0x081}, {0x00000204, 0xF81}, {0x00000810, 0xE81}, {0x00002040, 0xD81},
      {0x00008100, 0xC81}, {0x00020400, 0xB81}, {0x00081000, 0xA81}, {0x00204000, 0x981},
      {0x00810000, 0x881}, {0x02040000, 0x781}, {0x08100000, 0x681}, {0x20400000, 0x581},
      {0x81000000, 0x481}, {0x04000002, 0x381}, {0x10000008, 0x281}, {0x40000020, 0x181},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.value);
    int32_t field = ARMconstant(c.value);
    EXPECT_EQ(field, c.field);
    // Decoded as the processor does: imm8 rotated right by twice the
    // rotation field.
    uint32_t imm8 = static_cast<uint32_t>(field) & 0xFF, rotate = 2 * ((static_cast<uint32_t>(field) >> 8) & 0xF);
    uint32_t decoded = rotate ? (imm8 >> rotate) | (imm8 << (32 - rotate)) : imm8;
    EXPECT_EQ(decoded, c.value);
  }
}

TEST(ArmConstant, EdgeValues) {
  struct Case {
    uint32_t value;
    int32_t field;
  };
  const Case cases[] = {
      {0, 0x000},          {255, 0x0FF},        {256, 0xF40},          {1020, 0xFFF},
      {0xFF000000, 0x4FF}, {0xF000000F, 0x2FF}, {0xC000003F, 0x1FF},
      // None fits: needs nine bits, or bits set far apart.
      {257, -1},           {0x1FE00001, -1},    {0x12345678, -1},      {0xFFFFFFFF, -1},
      {0xFFFFFF00, -1},
      // 0x60 rotated right by 6 wraps bit 6 round to bit 0.
      {0x80000001, 0x360},
  };
  for (const Case &c : cases) EXPECT_EQ(ARMconstant(c.value), c.field) << std::hex << c.value;
}

TEST_F(ArmCodes, ConstantsByRotatedImmediateInvertedImmediateOrLoader) {
  struct Case {
    uint16_t op;
    int32_t value;
    Units units;
  };
  const Case cases[] = {
      {OP_CONST, 0, words({0xE3A07000})},
      {OP_CONST, 200, words({0xE3A070C8})},
      {OP_CONST, 1020, words({0xE3A07FFF})},                     // MOV r7,#0x3FC
      {OP_CONST, static_cast<int32_t>(0xFF000000), words({0xE3A074FF})},
      {OP_CONST, -1, words({0xE3E07000})},                       // MVN r7,#0
      {OP_CONST, -256, words({0xE3E070FF})},                     // MVN r7,#0xFF
      {OP_CONST, 0x00FFFFFF, words({0xE3E074FF})},               // MVN r7,#0xFF000000
      {OP_CONST, -1021, words({0xE3E07FFF})},                    // MVN r7,#0x3FC
      {OP_CONST, 0x12345678, words({0xEBFFF8B4, 0x12345678})},   // BL entry 91; the word
      {OP_CONST, 257, words({0xEBFFF8B4, 257})},
      {OP_OPND_CONST, 200, words({0xE3A060C8})},
      {OP_OPND_CONST, 1020, words({0xE3A06FFF})},
      {OP_OPND_CONST, -1, words({0xE3E06000})},
      {OP_OPND_CONST, -257, words({0xE3E06F40})},                 // MVN r6,#0x100
      {OP_OPND_CONST, -258, words({bl_to_address(0, arm_entry(93)), static_cast<uint32_t>(-258)})},
      {OP_OPND_CONST, 0x12345678, words({bl_to_address(0, arm_entry(93)), 0x12345678})},
  };
  EXPECT_EQ(bl_to_address(0, arm_entry(91)), 0xEBFFF8B4u);
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " value " << c.value);
    arm_target(CURRENT);
    EXPECT_EQ(emitted(c.op, c.value), c.units);
    EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
    EXPECT_EQ(INT_addrs[emit.fCODE - 1], c.value);
    EXPECT_EQ(pool.nextConst, 0);  // no pool in ARM code
    EXPECT_EQ(emit.last_addr, c.value);
  }
}

TEST_F(ArmCodes, AddressesAlwaysThroughTheLoader) {
  firmware.FlashEnd = 0x7A000;
  f_table[5] = 0x1235;  // moves Thumb strings only
  compute_firmware_facts();
  struct Case {
    uint16_t op;
    int32_t operand;
    int entry;
    uint32_t value;
  };
  const Case cases[] = {
      {OP_ADDR, 0, 91, ARM_TEST_VARIABLE_BASE},
      {OP_ADDR, 8, 91, ARM_TEST_VARIABLE_BASE + 8},
      {OP_OPND_ADDR, 0x100, 93, ARM_TEST_VARIABLE_BASE + 0x100},
      {OP_STRADDR, 0x1FFF0, 91, 0x7A000 + 0x1FFF0 - 0x20000},
      {OP_OPND_STRADDR, 0x1FFF0, 93, 0x7A000 + 0x1FFF0 - 0x20000},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op);
    uint32_t at = emit.fCODE;
    EXPECT_EQ(emitted(c.op, c.operand), words({bl_to_address(at, arm_entry(c.entry)), c.value}));
    EXPECT_EQ(INT_addrs[at + 1], c.operand);
  }
}

TEST_F(ArmCodes, VariableWordsNearAndFar) {
  struct Case {
    uint16_t op;
    int32_t index;
    Units units;
  };
  const Case cases[] = {
      {OP_LDVAR, 0, words({0xE59B7000})},
      {OP_LDVAR, 1, words({0xE59B7004})},
      {OP_LDVAR, 1023, words({0xE59B7FFC})},
      {OP_OPND_LDVAR, 1023, words({0xE59B6FFC})},
      {OP_STVAR, 1023, words({0xE58B7FFC})},
      {OP_STVAR, 2, words({0xE58B7008})},
      // 0x40000040 + 4 * 1024 = 0x40001040.
      {OP_LDVAR, 1024, words({bl_to_address(0, arm_entry(92)), 0x40001040})},
      {OP_OPND_LDVAR, 1024, words({bl_to_address(0, arm_entry(94)), 0x40001040})},
      {OP_STVAR, 1024, words({bl_to_address(0, arm_entry(97)), 0x40001040})},
      {OP_STVAR, 16000, words({bl_to_address(0, arm_entry(97)), 0x4000FA40})},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " index " << c.index);
    arm_target(CURRENT);
    EXPECT_EQ(emitted(c.op, c.index), c.units);
    EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
    EXPECT_EQ(INT_addrs[emit.fCODE - 1], c.index);
  }
}

TEST_F(ArmCodes, InterruptEntryLoadsTheVariableBaseFromItsWord) {
  add_op(OP_NOP, 0);
  EXPECT_EQ(emitted(OP_INTENTRY), words({0xE24EE004, 0xE92D5FFF, 0xE28DB034, 0xE92D0800, 0xE59FB000, 0xEA000000,
                                          ARM_TEST_VARIABLE_BASE}));
  EXPECT_EQ(INT_ops[7], OP_INTENTRY);
}

TEST_F(ArmCodes, InlineMachineWords) {
  EXPECT_EQ(emitted(OP_ASM, static_cast<int32_t>(0xE1A0F00E)), words({0xE1A0F00E}));
  EXPECT_EQ(emitted(OP_ASM, 5), words({5}));
  EXPECT_EQ(INT_addrs[0], static_cast<int32_t>(0xE1A0F00E));
}

TEST_F(ArmCodes, KnownTargetJumpsAndCalls) {
  while (emit.fCODE < 10) add_op(OP_NOP, 0);
  // Backward from unit 10 to unit 4: 4 - 10 - 2 = -8 = 0xFFFFF8.
  EXPECT_EQ(emitted(OP_JMPBACK, 4), words({0xEAFFFFF8}));
  EXPECT_EQ(emit.last_addr, TEST_CODE_START + 16);
  EXPECT_EQ(emitted(OP_CALLSUB, 4), words({0xEBFFFFF7}));
  EXPECT_EQ(emitted(OP_CALLBACK, 4), words({0xEBFFFFF6}));
  // CMP r7,#0 at 13; BEQ at 14 to unit 4: -12.
  EXPECT_EQ(emitted(OP_JZBACK, 4), words({0xE3570000, 0x0AFFFFF4}));
  EXPECT_EQ(emit.last_addr, TEST_CODE_START + 16);
  EXPECT_EQ(INT_ops[14], OP_JZBACK);
  EXPECT_EQ(INT_addrs[14], 4);
  // Forward: unit 15 to unit 5000 is 4983 = 0x1377; to the next word -1.
  EXPECT_EQ(emitted(OP_JMPBACK, 5000), words({0xEA001377}));
  EXPECT_EQ(emitted(OP_JMPBACK, 17), words({0xEAFFFFFF}));
  EXPECT_EQ(emitted(OP_CALLSUB, 19), words({0xEB000000}));
}

TEST_F(ArmCodes, CallsUpTo1823GoThroughEntry89WithTheAddress) {
  for (uint16_t version : {uint16_t{1813}, OLD}) {
    arm_target(version);
    while (emit.fCODE < 10) add_op(OP_NOP, 0);
    // BL to entry 89, then the target's byte address 0x3000 + 4 * 4.
    EXPECT_EQ(emitted(OP_CALLSUB, 4), words({bl_to_address(10, arm_entry(89)), 0x3010}));
    EXPECT_EQ(emitted(OP_CALLBACK, 300), words({bl_to_address(12, arm_entry(89)), 0x3000 + 1200}));
    EXPECT_EQ(emit.last_addr, TEST_CODE_START + 1200);
    EXPECT_EQ(INT_ops[13], OP_CALLBACK);
    EXPECT_EQ(INT_addrs[13], 300);
    // Jumps stay branches.
    EXPECT_EQ(emitted(OP_JMPBACK, 4), words({0xEAFFFFF4}));
    EXPECT_EQ(emitted(OP_JZBACK, 4), words({0xE3570000, 0x0AFFFFF2}));
  }
  // From 1824 on, one BL.
  arm_target(1824);
  EXPECT_EQ(emitted(OP_CALLSUB, 4), words({0xEB000002}));
}

TEST_F(ArmCodes, ForwardJumpPlaceholdersHoldTheirLinkWords) {
  EXPECT_EQ(emitted(OP_JMP, 5), words({0xC0000005}));
  EXPECT_EQ(emit.last_addr, static_cast<int32_t>(0xC0000005));
  // CMP r7,#0, then the link word with bit 29: taken only on zero.
  EXPECT_EQ(emitted(OP_JZ, 6), words({0xE3570000, 0xE0000006}));
  EXPECT_EQ(emit.last_addr, static_cast<int32_t>(0xE0000006));
  EXPECT_EQ(emitted(OP_GOTO, 7), words({0x40000007}));
  EXPECT_EQ(emit.last_addr, 0x40000007);
  EXPECT_EQ(emitted(OP_GOSUB, 8), words({0x00000008}));
  EXPECT_EQ(links.nextLink, 4);
  EXPECT_EQ(missingLink[0], 0);
  EXPECT_EQ(missingLink[1], 2);
  EXPECT_EQ(missingLink[2], 3);
  EXPECT_EQ(missingLink[3], 4);
  // Recorded with the operand given, at the placeholder.
  EXPECT_EQ(INT_ops[2], OP_JZ);
  EXPECT_EQ(INT_addrs[2], 6);
}

TEST_F(ArmCodes, GosubUpTo1823CallsEntry89BeforeItsPlaceholder) {
  arm_target(OLD);
  add_op(OP_NOP, 0);
  EXPECT_EQ(emitted(OP_GOSUB, 8), words({bl_to_address(1, arm_entry(89)), 0x00000008}));
  EXPECT_EQ(missingLink[0], 2);
  EXPECT_EQ(INT_ops[2], OP_GOSUB);
  // GOTO is a branch on every firmware.
  EXPECT_EQ(emitted(OP_GOTO, 8), words({0x40000008}));
  EXPECT_EQ(missingLink[1], 3);
}

TEST_F(ArmCodes, ResolvedForwardJumpsAndCalls) {
  g_symboladdr[9] = 100;
  add_op(OP_GOTO, 9);                       // 0
  add_op(OP_GOSUB, 9);                      // 1
  uint16_t label = add_fwd_jmpcall(OP_JZ);  // 2, 3
  uint16_t back = add_fwd_ref();
  patchJumpTable(back);                     // unit 4
  add_op(OP_JMP, back);                     // 4
  uint16_t out = add_fwd_jmpcall(OP_JMP);   // 5
  while (emit.fCODE < 60) add_op(OP_NOP, 0);
  patchJumpTable(label);
  patchJumpTable(out);
  optimizeTJ(0, 0);
  // GOTO lands behind the label's branch and prologue (102), GOSUB on the
  // prologue (101); the compiler labels on their units.
  EXPECT_EQ(units(0, 6), words({0xEA000064, 0xEB000062, 0xE3570000, 0x0A000037, 0xEAFFFFFE, 0xEA000035}));
  EXPECT_EQ(INT_addrs[0], 102);
  EXPECT_EQ(INT_addrs[1], 101);
  EXPECT_EQ(INT_addrs[3], 60);
  EXPECT_EQ(INT_addrs[4], 4);
  EXPECT_EQ(INT_addrs[5], 60);
  EXPECT_EQ(INT_ops[3], OP_JZ);
}

TEST_F(ArmCodes, GosubOnFirmware1823ResolvesToTheLabelsAddress) {
  arm_target(OLD);
  int32_t sym = add_symbol("TARGET", 6);
  ASSERT_GT(sym, 0);
  add_op(OP_GOSUB, sym);  // BL to entry 89 at 0, placeholder at 1
  add_op(OP_GOTO, sym);   // 2
  while (emit.fCODE < 40) add_op(OP_NOP, 0);
  g_symboladdr[sym] = static_cast<int32_t>(emit.fCODE);
  g_symbol_type[sym] = SYM_LABEL;
  add_op(OP_LABEL, 0);  // 40, 41
  optimizeTJ(0, 0);
  // The call enters at the prologue, unit 41: its byte address.
  EXPECT_EQ(units(0, 3), words({0xEBFFF8B0, 0x3000 + 4 * 41, 0xEA000026}));
  EXPECT_EQ(Flash_codes[0], static_cast<int32_t>(bl_to_address(0, arm_entry(89))));
  EXPECT_EQ(INT_addrs[1], 41);
  EXPECT_EQ(INT_addrs[2], 42);
  EXPECT_EQ(units(40, 42), words({0xEA000000, 0xE1A00000}));
}

TEST_F(ArmCodes, LinksOfARoutineAreResolvedFromItsFirstLink) {
  g_symboladdr[3] = 50;
  add_op(OP_GOTO, 3);  // an outer link, left alone
  int32_t first = links.nextLink;
  add_op(OP_GOSUB, 3);
  ARMoptimizeTJ(static_cast<uint32_t>(first));
  EXPECT_EQ(Flash_codes[0], 0x40000003);
  EXPECT_EQ(Flash_codes[1], static_cast<int32_t>(branch_to_unit(0xEB000000, 1, 51)));
}

TEST_F(ArmCodes, AJumpToANameBeyondTheTablesIsReported) {
  add_op(OP_GOTO, 0x1FFFFFF);
  std::string out = capture_stdout([] { optimizeTJ(0, 0); });
  EXPECT_NE(out.find("Jump to an unknown label"), std::string::npos) << out;
  EXPECT_EQ(Flash_codes[0], 0x41FFFFFF);
}

TEST_F(ArmCodes, MainRedirectsTheStartUpJump) {
  init_compiler();
  ASSERT_EQ(units(0, 1), words({0xEAFFFFFF}));
  while (emit.fCODE < 40) add_op(OP_NOP, 0);
  EXPECT_EQ(emitted(OP_MAIN), Units{});
  // Word 0 to unit 40: 40 - 0 - 2 = 38.
  EXPECT_EQ(units(0, 1), words({0xEA000026}));
  EXPECT_EQ(INT_ops[0], OP_JMPBACK);
  EXPECT_EQ(INT_addrs[0], 40);
  EXPECT_EQ(INT_ops[1], OP_NOP);
  EXPECT_EQ(INT_addrs[1], 0);
}

TEST_F(ArmCodes, MainOnOldFirmwareRedirectsTheFirstOfFourJumps) {
  arm_target(OLD);
  init_compiler();
  ASSERT_EQ(units(0, 4), words({0xEAFFFFFF, 0xEAFFFFFF, 0xEAFFFFFF, 0xEAFFFFFF}));
  while (emit.fCODE < 40) add_op(OP_NOP, 0);
  add_op(OP_MAIN, 0);
  EXPECT_EQ(units(0, 4), words({0xEA000026, 0xEAFFFFFF, 0xEAFFFFFF, 0xEAFFFFFF}));
  EXPECT_EQ(INT_addrs[0], 1);
  EXPECT_EQ(INT_addrs[1], 40);
}

TEST_F(ArmCodes, AProgramThatStartsWithASubIsRefused) {
  for (uint16_t version : {uint16_t{1829}, CURRENT, uint16_t{2047}}) {
    SCOPED_TRACE(version);
    arm_target(version);
    init_compiler();
    add_op(OP_SUB_ENTRY, 0);
    add_op(OP_RETURN, 0);
    add_op(OP_END, 0);
    ASSERT_EQ(units(0, 2), words({0xEAFFFFFF, 0xE92D4000}));
    EXPECT_EXIT(optimizeTJ(0, 1), ::testing::ExitedWithCode(3), "inline execution of FUNCTION/SUB");
  }
}

TEST_F(ArmCodes, AProgramWithMainBeforeItsSubsPassesTheCheck) {
  init_compiler();
  add_op(OP_JMPBACK, 4);  // jump around the routine
  add_op(OP_SUB_ENTRY, 0);
  add_op(OP_RETURN, 0);
  add_op(OP_MAIN, 0);
  add_op(OP_END, 0);
  std::string out = capture_stdout([] { optimizeTJ(0, 1); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(Flash_codes[0], static_cast<int32_t>(0xEA000002));
}

TEST_F(ArmCodes, PinOperationsOfBothPorts) {
  for (int port = 0; port < 2; port++) {
    SCOPED_TRACE(testing::Message() << "port " << port);
    uint32_t set = port == 0 ? 0x3FFFC018 : 0x3FFFC038;
    arm_target(CURRENT);
    uint16_t read = static_cast<uint16_t>(OP_P0 + 2 * port);
    // The register addresses fit no immediate: the loader and the word.
    EXPECT_EQ(emitted(read), words({0xE3A00001, 0xE1A00710, bl_to_address(2, arm_entry(91)), set - 4, 0xE5977000,
                                    0xE0177000, 0x13E07000}));
    // Only the pin operation is recorded.
    EXPECT_EQ(INT_ops[6], read);
    EXPECT_EQ(INT_ops[3], 0);
    EXPECT_EQ(emit.last_op, read);

    uint16_t write = static_cast<uint16_t>(OP_P0_WR + 2 * port);
    EXPECT_EQ(emitted(write), words({0xE3570000, bl_to_address(8, arm_entry(91)), set, 0x02877004, 0xE3A06001,
                                     0xE1A06816, 0xE5876000}));
    EXPECT_EQ(INT_ops[13], write);
    EXPECT_EQ(INT_ops[9], 0);
  }
}

TEST_F(ArmCodes, CodesWithoutArmCodeEmitNothing) {
  add_op(OP_NOP, 0);
  for (uint16_t op : {6, 18, 45, 60, 76, 93, 106, 123, 126, 127, 135, 160, 166, 176, 200, 209, 254, 261, 500}) {
    EXPECT_EQ(emitted(op, 1), Units{}) << op;
  }
  // No literal pool to place, no I/O-handler code, and only ports 0 and 1.
  for (uint16_t op : {OP_EZHPARAM, OP_EZHSAVE, OP_EZHRESTORE, OP_EZHRDPER, OP_EZHWRPER, OP_OPND_CONST2, OP_DATAEND,
                      OP_ENDSUB, OP_FOR, OP_NEXT, OP_P2, OP_P2_WR, OP_P5, OP_P5_WR}) {
    EXPECT_EQ(emitted(op, 1), Units{}) << op;
  }
  EXPECT_EQ(INT_ops[0], OP_NOP);
  EXPECT_EQ(INT_addrs[0], 0);
}

TEST_F(ArmCodes, ArmCodeWhateverTheSection) {
  // Firmware below 2048 has no I/O-handler back end: ARM code throughout.
  for (uint8_t section : {1, 2}) {
    arm_target(CURRENT);
    emit.inside_ezh = section;
    EXPECT_EQ(emitted(OP_ACC2IDX), words({0xE1A08007}));
  }
}

}  // namespace
