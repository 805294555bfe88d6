// Code units of the IOHB back end: every row of its translation table, its
// constants and pool, its refusals, and the peephole state it leaves.
#include <gtest/gtest.h>

#include <set>

#include "codegen/iohb/iohb.h"
#include "compile/operands.h"
#include "ioh_support.h"

namespace {

class IohbCodes : public ::testing::Test {
 protected:
  void SetUp() override { fresh_handler(2); }
  void TearDown() override {
    ioh.ezhVarStart = 0;
    ioh.ezh_calling = 0;
    fresh_target();
  }
};

struct Case {
  uint16_t op;
  int32_t operand;
  Units units;
};

// Operations whose units are the same wherever they stand.
const Case fixed_cases[] = {
    {OP_ACC2IDX, 77, {0xD400, 0x0001}},
    {OP_POPACC, 77, {0x1C01, 0xFF17}},
    {OP_ACC2OPND, 77, {0xD800, 0x0001}},
    {OP_ADD, 77, {0xDE06, 0x0061}},
    {OP_IADD, 77, {0xDE06, 0x0061}},
    {OP_SUB, 77, {0xDE08, 0x0061}},
    {OP_ISUB, 77, {0xDE08, 0x0061}},
    {OP_IRSUB, 77, {0x9E08, 0x0071}},
    {OP_SHR, 77, {0x1C19, 0x0678}},
    {OP_TSHL, 77, {0x1C19, 0x0670}},
    {OP_EQ, 77, {0xDE08, 0x0061, 0x1C20, 0x7FF4, 0x1C40, 0x0004}},
    {OP_LT, 77, {0x9E08, 0x0071, 0x1C00, 0x0004, 0x1CA0, 0x7FF4}},
    {OP_GT, 77, {0xDE08, 0x0061, 0x1C00, 0x0004, 0x1CA0, 0x7FF4}},
    {OP_LE, 77, {0xDE08, 0x0061, 0x1C00, 0x0004, 0x1CC0, 0x7FF4}},
    {OP_GE, 77, {0x9E08, 0x0071, 0x1C00, 0x0004, 0x1CC0, 0x7FF4}},
    {OP_AND, 77, {0xDE0D, 0x0061}},
    {OP_OR, 77, {0xDE0C, 0x0061}},
    {OP_XOR, 77, {0xDE0E, 0x0061}},
    {OP_RD_BYTE, 77, {0xDC01, 0x0001}},
    {OP_PEEK, 77, {0xDC01, 0x0005}},
    {OP_POKE, 77, {0x4002, 0x0075}},
    {OP_NEG, 77, {0xDC08, 0x001D}},
    {OP_WR_BYTE, 77, {0x4002, 0x0071}},
    {OP_PUSHACC, 77, {0x0402, 0x017F}},
    {OP_RETURN, 77, {0x3401, 0xFF17}},
    {OP_PRINTNUM, 77, {0x4405, 0x1870}},
};

TEST_F(IohbCodes, FixedOperationsEmitTheirUnitsAndAreRecordedAtTheLastOne) {
  for (const Case &c : fixed_cases) {
    for (uint8_t integer : {1, 0}) {
      SCOPED_TRACE(testing::Message() << "op " << c.op << " integer_ops " << int(integer));
      fresh_handler(2);
      add_op(OP_ACC2IDX, 0);  // so the operation does not start at unit 0
      emit.integer_ops = integer;
      Messages m;
      EXPECT_EQ(emitted16(c.op, c.operand, &m), c.units);
      EXPECT_EQ(m, Messages{});
      EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
      EXPECT_EQ(INT_addrs[emit.fCODE - 1], is_typed_record(c.op) ? integer : c.operand);
      EXPECT_EQ(INT_ops[1], OP_ACC2IDX);
      EXPECT_EQ(emit.last_op, c.op);
      EXPECT_EQ(emit.last_addr, c.operand);
    }
  }
}

// The register-immediate form read back by its own field layout: shift
// bits 0-1 in the first unit's bits 14-15, bits 2-3 in the second unit's
// bits 0-1, bit 4 in its bit 3; bit 2 always set; the immediate in bits
// 4-14; the invert flag in bit 15.
struct Immediate {
  uint32_t reg, shift, value;
};

Immediate decode_immediate(int32_t first, int32_t second) {
  uint32_t a = static_cast<uint32_t>(first), b = static_cast<uint32_t>(second);
  uint32_t shift = ((a >> 14) & 3u) | ((b & 3u) << 2) | (((b >> 3) & 1u) << 4);
  uint32_t value = ((b >> 4) & 0x7FFu) << shift;
  if (b & 0x8000u) value = ~value;
  return {(a >> 10) & 7u, shift, value};
}

struct ConstantCase {
  uint8_t reg;
  uint32_t value;
  Units units;  // empty: goes to the pool
};

const ConstantCase constant_cases[] = {
    {7, 0, {0x1C00, 0x0004}},
    {7, 5, {0x1C00, 0x0054}},
    {7, 0x401, {0x1C00, 0x4014}},
    {7, 0x7FF, {0x1C00, 0x7FF4}},
    {7, 0x800, {0x5C00, 0x4004}},           // shift 1
    {7, 0xC00, {0x5C00, 0x6004}},           // shift 1
    {7, 0x1000, {0x9C00, 0x4004}},          // shift 2, immediate 0x400
    {6, 0x1000, {0x9800, 0x4004}},
    {7, 0x7FF000, {0x1C00, 0x7FF7}},        // shift 12
    {7, 0x7FF0000, {0x1C00, 0x7FFC}},       // shift 16
    {7, 0xFFE00000, {0x5C00, 0x7FFD}},      // shift 21
    {7, 0x80000000, {0x5C00, 0x400D}},      // shift 21
    {6, 0xFFFFFFFE, {0x1800, 0x8014}},      // the complement 1
    {7, 0xFFFFFFFF, {0x1C00, 0x8004}},      // the complement 0
    {7, 0xFFFFF7FF, {0x5C00, 0xC004}},      // the complement 0x800
    {7, 0x12345678, {}},
    {6, 0x12345678, {}},
    {7, 0xFFFFF000, {}},                    // complement 0xFFF: 12 bits
    {7, 0x00100001, {}},
    {7, 0x1000, {0x9C00, 0x4004}},
};

TEST_F(IohbCodes, ConstantsUseTheImmediateFormItsComplementOrThePool) {
  for (const ConstantCase &c : constant_cases) {
    SCOPED_TRACE(testing::Message() << "reg " << int(c.reg) << " value 0x" << std::hex << c.value);
    fresh_handler(2);
    add_op(OP_ACC2IDX, 0);
    IOHBconstant(c.reg, static_cast<int32_t>(c.value));
    Units got = halfwords(2, emit.fCODE);
    if (c.units.empty()) {
      EXPECT_EQ(got, (Units{0x4001 + c.reg * 1024, 0x0007}));
      ASSERT_EQ(pool.nextConst, 1);
      EXPECT_EQ(patchaddr[0], 2);
      EXPECT_EQ(static_cast<uint32_t>(patchconst[0]), c.value);
      continue;
    }
    EXPECT_EQ(got, c.units);
    EXPECT_EQ(pool.nextConst, 0);
    ASSERT_EQ(got.size(), 2u);
    Immediate d = decode_immediate(got[0], got[1]);
    EXPECT_EQ(d.reg, c.reg);
    EXPECT_EQ(d.value, c.value);
  }
}

TEST_F(IohbCodes, TheImmediateFormTakesTheSmallestShift) {
  struct Shifted {
    uint32_t value, shift;
  };
  std::vector<Shifted> cases;
  // A full 11-bit run, or its two end bits, fit at exactly one shift.
  for (uint32_t s = 0; s <= 21; s++) {
    cases.push_back({0x7FFu << s, s});
    cases.push_back({0x401u << s, s});
  }
  // A single bit b fits every shift from b - 10 to b; the smallest wins.
  for (uint32_t b = 0; b < 32; b++) cases.push_back({1u << b, b > 10 ? b - 10 : 0});
  for (const Shifted &c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.value);
    fresh_handler(2);
    ASSERT_EQ(checkImmShftIOHB(7, 0, static_cast<int32_t>(c.value)), 1);
    ASSERT_EQ(emit.fCODE, 2u);
    Immediate d = decode_immediate(Flash_codes[0] & 0xFFFF, Flash_codes[1] & 0xFFFF);
    EXPECT_EQ(d.shift, c.shift);
    EXPECT_EQ(d.value, c.value);
    EXPECT_EQ(d.reg, 7u);
  }
}

TEST_F(IohbCodes, AValueOutsideTheImmediateFormEmitsNothingFromTheCheck) {
  EXPECT_EQ(checkImmShftIOHB(7, 0, 0x12345678), 0);
  EXPECT_EQ(checkImmShftIOHB(6, 1, 0x00001001), 0);
  EXPECT_EQ(emit.fCODE, 0u);
  EXPECT_EQ(checkImmShftIOHB(6, 1, 1), 1);
  EXPECT_EQ(halfwords(0, emit.fCODE), (Units{0x1800, 0x8014}));
}

// Loads of the accumulator (ld7) and the operand register (ld6), with
// variable word 0 at 0x400 and the constant string area at
// FlashEnd - 0x20000 = 0x59000.
const Case load_cases[] = {
    {OP_CONST, 0x1000, {0x9C00, 0x4004}},
    {OP_OPND_CONST, 5, {0x1800, 0x0054}},
    {OP_ADDR, 8, {0x1C00, 0x4084}},                // 0x408
    {OP_OPND_ADDR, 0x10, {0x1800, 0x4104}},        // 0x410
    {OP_OPND_STRADDR, 0, {0x1800, 0x5906}},        // 0x59000: shift 8
    {OP_STRADDR, 0x10, {0x5C01, 0x0007}},          // 0x59010 to the pool
    {OP_LDARR, 3, {0x1800, 0x40C4, 0x9C10, 0x8271, 0xDC01, 0x0005}},
    {OP_STARR, 3, {0x1800, 0x40C4, 0x9810, 0x8251, 0x8002, 0x0075}},
    // Global variables: the address 0x40C of word 3, then the access.
    {OP_LDVAR, 3, {0x1C00, 0x40C4, 0xDC01, 0x0005}},
    {OP_OPND_LDVAR, 3, {0x1800, 0x40C4, 0x9801, 0x0005}},
    {OP_STVAR, 3, {0x1800, 0x40C4, 0x8002, 0x0075}},
};

TEST_F(IohbCodes, LoadsAddressesAndGlobalVariables) {
  for (const Case &c : load_cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op);
    fresh_handler(2);
    small_ram_base();
    Messages m;
    EXPECT_EQ(emitted16(c.op, c.operand, &m), c.units);
    EXPECT_EQ(m, Messages{});
    EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
    EXPECT_EQ(INT_addrs[emit.fCODE - 1], c.operand);
  }
  // The string address that went to the pool.
  fresh_handler(2);
  add_op(OP_STRADDR, 0x10);
  ASSERT_EQ(pool.nextConst, 1);
  EXPECT_EQ(patchconst[0], 0x59010);
}

TEST_F(IohbCodes, AddressesOnTheFullTableGoToThePool) {
  // Variable word 0 at 0x10000040: word 3 at 0x1000004C.
  struct PoolCase {
    uint16_t op;
    int32_t operand;
    int32_t reg;
    uint32_t value;
    Units tail;
  };
  const PoolCase cases[] = {
      {OP_ADDR, 8, 7, 0x10000048, {}},
      {OP_OPND_ADDR, 8, 6, 0x10000048, {}},
      {OP_LDVAR, 3, 7, 0x1000004C, {0xDC01, 0x0005}},
      {OP_OPND_LDVAR, 3, 6, 0x1000004C, {0x9801, 0x0005}},
      {OP_STVAR, 3, 6, 0x1000004C, {0x8002, 0x0075}},
      {OP_LDARR, 2, 6, 0x10000048, {0x9C10, 0x8271, 0xDC01, 0x0005}},
  };
  for (const PoolCase &c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op);
    fresh_handler(2);
    EXPECT_EQ(emitted16(c.op, c.operand, nullptr), concat({{0x4001 + c.reg * 1024, 0x0007}, c.tail}));
    ASSERT_EQ(pool.nextConst, 1);
    EXPECT_EQ(static_cast<uint32_t>(patchconst[0]), c.value);
    EXPECT_EQ(patchaddr[0], 0);
  }
}

struct LocalCase {
  uint16_t op;
  int32_t k;
  uint8_t calling;
  Units units;
};

// Locals of a routine whose variables start at word 10: word 10 + k is
// register k.
const LocalCase local_cases[] = {
    {OP_LDVAR, 0, 0, {0x1C00, 0x0000}},
    {OP_LDVAR, 1, 0, {0x5C00, 0x0000}},
    {OP_LDVAR, 2, 0, {0x9C00, 0x0000}},
    {OP_LDVAR, 3, 0, {0xDC00, 0x0000}},
    {OP_LDVAR, 4, 0, {0x1C00, 0x0001}},
    {OP_OPND_LDVAR, 0, 0, {0x1800, 0x0000}},
    {OP_OPND_LDVAR, 1, 0, {0x5800, 0x0000}},
    {OP_OPND_LDVAR, 3, 0, {0xD800, 0x0000}},
    {OP_OPND_LDVAR, 4, 0, {0x1800, 0x0001}},
    // While a call's arguments are built.
    {OP_LDVAR, 0, 1, {0x1C01, 0xFFF7}},
    {OP_LDVAR, 3, 1, {0x1C01, 0xFFC7}},
    {OP_LDVAR, 4, 1, {0x1C01, 0xFFB7}},
    {OP_OPND_LDVAR, 1, 1, {0x1801, 0xFFE7}},
    {OP_STVAR, 0, 0, {0xC000, 0x0001}},
    {OP_STVAR, 3, 0, {0xCC00, 0x0001}},
    {OP_STVAR, 4, 0, {0xD000, 0x0001}},
    {OP_STVAR, 4, 1, {0xD000, 0x0001}},
};

TEST_F(IohbCodes, LocalsLiveInRegistersZeroToFour) {
  for (const LocalCase &c : local_cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " k " << c.k << " calling " << int(c.calling));
    fresh_handler(2);
    ioh.ezhVarStart = 10;
    ioh.ezh_calling = c.calling;
    Messages m;
    EXPECT_EQ(emitted16(c.op, 10 + c.k, &m), c.units);
    EXPECT_EQ(m, Messages{});
    EXPECT_EQ(INT_addrs[emit.fCODE - 1], 10 + c.k);
  }
}

TEST_F(IohbCodes, ASixthLocalIsReportedAndStillEmitted) {
  const LocalCase cases[] = {
      {OP_LDVAR, 5, 0, {0x5C00, 0x0001}},
      {OP_OPND_LDVAR, 5, 0, {0x5800, 0x0001}},
      {OP_LDVAR, 5, 1, {0x1C01, 0xFFA7}},
      {OP_STVAR, 5, 0, {0xD400, 0x0001}},
  };
  for (const LocalCase &c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " calling " << int(c.calling));
    fresh_handler(2);
    ioh.ezhVarStart = 10;
    ioh.ezh_calling = c.calling;
    Messages m;
    EXPECT_EQ(emitted16(c.op, 15, &m), c.units);
    EXPECT_EQ(m, Messages{"Only 5 parameters or local variables allowed in IOHB for now"});
    EXPECT_EQ(emit.last_op, c.op);
    EXPECT_EQ(emit.last_addr, 15);
  }
}

TEST_F(IohbCodes, AVariableBelowTheRoutinesFirstIsGlobal) {
  small_ram_base();
  ioh.ezhVarStart = 10;
  // Word 9 at 0x424.
  EXPECT_EQ(emitted16(OP_LDVAR, 9, nullptr), (Units{0x1C00, 0x4244, 0xDC01, 0x0005}));
  // Outside a routine every word is global, however high.
  ioh.ezhVarStart = EZH_NO_LOCALS;
  EXPECT_EQ(emitted16(OP_STVAR, 12, nullptr), (Units{0x1800, 0x4304, 0x8002, 0x0075}));
}

TEST_F(IohbCodes, CallArgumentsSavesAndRestores) {
  const Case cases[] = {
      {OP_EZHPARAM, 0, {0xC000, 0x0001}},
      {OP_EZHPARAM, 1, {0xC400, 0x0001}},
      {OP_EZHPARAM, 4, {0xD000, 0x0001}},
      {OP_EZHSAVE, 0, {0x0402, 0x010F}},
      {OP_EZHSAVE, 4, {0x0402, 0x014F}},
      {OP_EZHRESTORE, 0, {0x0001, 0xFF17}},
      {OP_EZHRESTORE, 4, {0x1001, 0xFF17}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " n " << c.operand);
    fresh_handler(2);
    Messages m;
    EXPECT_EQ(emitted16(c.op, c.operand, &m), c.units);
    EXPECT_EQ(m, Messages{});
  }
  // A sixth argument is reported and still passed.
  fresh_handler(2);
  Messages m;
  EXPECT_EQ(emitted16(OP_EZHPARAM, 5, &m), (Units{0xD400, 0x0001}));
  EXPECT_EQ(m, Messages{"Only 5 parameters or local variables allowed in IOHB for now"});
}

TEST_F(IohbCodes, ARegisterNumberAboveTheFirstHalfCarriesIntoTheSecond) {
  // n * 1024 + 0xC000 for n = 16 is 0x10000: the instruction word
  // first + 65536 * second is 0x00010001 + 0x10000.
  Messages m;
  EXPECT_EQ(emitted16(OP_EZHPARAM, 16, &m), (Units{0x0000, 0x0002}));
  EXPECT_EQ(m.size(), 1u);
}

TEST_F(IohbCodes, PeripheralReadsAndWrites) {
  // A read of 0x4002C004 arrives as 0x2C004.
  EXPECT_EQ(emitted16(OP_EZHRDPER, 0x2C004, nullptr), (Units{0x5C04, 0x2C00}));
  EXPECT_EQ(emitted16(OP_EZHRDPER, 0x8, nullptr), (Units{0x9C04, 0x0000}));
  EXPECT_EQ(emitted16(OP_EZHRDPER, 0xFFFFC, nullptr), (Units{0xDC04, 0xFFFF}));
  EXPECT_EQ(INT_ops[emit.fCODE - 1], OP_EZHRDPER);
  EXPECT_EQ(INT_addrs[emit.fCODE - 1], 1);  // a typed record: integer_ops
  // A write takes its address from the `*` store, not from the operand.
  ioh.ezh_vpbaddr = 0x2C008;
  EXPECT_EQ(emitted16(OP_EZHWRPER, 0x12345, nullptr), (Units{0x0805, 0x2C70}));
  // Address bits 8 to 11 land above the first half: the word
  // (0xF0C << 8) + 5 + 65536 * 0xAB70 carries them into the second.
  ioh.ezh_vpbaddr = 0xABF0C;
  EXPECT_EQ(emitted16(OP_EZHWRPER, 0, nullptr), (Units{0x0C05, 0xAB7F}));
}

TEST_F(IohbCodes, JumpsLeaveLinkWordsForTheResolver) {
  add_op(OP_ACC2IDX, 0);  // 0..1
  EXPECT_EQ(emitted16(OP_JZ, 3, nullptr), (Units{0xDE0C, 0x0071, 0x7446, 0x0007, 0x0003, 0xE000}));
  EXPECT_EQ(emit.last_addr, static_cast<int32_t>(0xE0000003u));
  EXPECT_EQ(emitted16(OP_JMP, 4, nullptr), (Units{0x0004, 0xE000}));
  EXPECT_EQ(emit.last_addr, static_cast<int32_t>(0xE0000004u));
  EXPECT_EQ(emitted16(OP_GOTO, 9, nullptr), (Units{0x0009, 0x6000}));
  EXPECT_EQ(emit.last_addr, 0x60000009);
  ASSERT_EQ(links.nextLink, 3);
  EXPECT_EQ(missingLink[0], 6);
  EXPECT_EQ(missingLink[1], 8);
  EXPECT_EQ(missingLink[2], 10);
  EXPECT_EQ(INT_ops[7], OP_JZ);
  EXPECT_EQ(INT_addrs[7], 3);
}

TEST_F(IohbCodes, CallsAndJumpsToKnownCode) {
  ioh.IOHBcode = 0x100;
  // Code unit 0x20 is at 0x100 + 0x3000 + 0x40.
  EXPECT_EQ(emitted16(OP_CALLSUB, 0x20, nullptr), (Units{0x3143, 0x0000}));
  EXPECT_EQ(emitted16(OP_JMPBACK, 0x20, nullptr), (Units{0x8215, 0x0062}));
  EXPECT_EQ(emit.last_addr, 0x20);
  EXPECT_EQ(INT_addrs[emit.fCODE - 1], 0x20);
  EXPECT_EQ(links.nextLink, 0);
}

TEST_F(IohbCodes, ARoutineStartsOnAnInstructionBoundary) {
  EXPECT_EQ(emitted16(OP_SUB_ENTRY, 0, nullptr), (Units{0x0402, 0x01FF}));
  emit_unit(0x1234);  // an odd position
  EXPECT_EQ(emitted16(OP_SUB_ENTRY, 0, nullptr), (Units{0x0000, 0x0402, 0x01FF}));
  EXPECT_EQ(emit.fCODE, 6u);
  EXPECT_EQ(INT_ops[5], OP_SUB_ENTRY);
}

TEST_F(IohbCodes, RawWordsAreTwoUnits) {
  EXPECT_EQ(emitted16(OP_ASM, 0x12345678, nullptr), (Units{0x5678, 0x1234}));
  EXPECT_EQ(emitted16(OP_ASM, 0x1C00, nullptr), (Units{0x1C00, 0x0000}));
  EXPECT_EQ(INT_addrs[emit.fCODE - 1], 0x1C00);
}

TEST_F(IohbCodes, SilentOperationsEmitNothingAndReportNothing) {
  add_op(OP_ACC2IDX, 0);
  for (uint16_t op : {OP_LABEL, OP_NEWSTR, OP_PRINTTAB, OP_PRINTCR, OP_END}) {
    SCOPED_TRACE(op);
    Messages m;
    EXPECT_EQ(emitted16(op, 12, &m), Units{});
    EXPECT_EQ(m, Messages{});
    EXPECT_EQ(emit.last_op, op);
    EXPECT_EQ(emit.last_addr, 12);
    // The operation before keeps its record.
    EXPECT_EQ(INT_ops[1], OP_ACC2IDX);
  }
}

TEST_F(IohbCodes, EndPlacesAPendingPoolAndEndsubPlacesItAlways) {
  add_op(OP_CONST, 0x12345678);  // load at 0..1
  add_op(OP_RETURN, 0);          // 2..3
  EXPECT_EQ(emitted16(OP_END, 0, nullptr), (Units{0x5678, 0x1234}));
  // ((4 - 0) >> 1) - 2 = 0 words between the load and its value.
  EXPECT_EQ(halfwords(0, 2), (Units{0x5C01, 0x0007}));
  EXPECT_EQ(pool.nextConst, 0);
  // With nothing pending END adds nothing, not even at an odd position.
  emit_unit(0x1234);  // 6
  EXPECT_EQ(emitted16(OP_END, 0, nullptr), Units{});
  EXPECT_EQ(emit.fCODE, 7u);
  // ENDSUB places the pool by the shared rule: aligned first.
  emit_unit(0x1234);                  // 7
  add_op(OP_OPND_CONST, 0x12345678);  // load at 8
  emit_unit(0x4321);                  // 10
  EXPECT_EQ(emitted16(OP_ENDSUB, 0, nullptr), (Units{0x0000, 0x5678, 0x1234}));
  // Value at 12: ((12 - 8) >> 1) - 2 = 0.
  EXPECT_EQ(halfwords(8, 10), (Units{0x5801, 0x0007}));
  EXPECT_EQ(INT_ops[13], OP_ENDSUB);
}

TEST_F(IohbCodes, ThePoolIsPlacedBehindAJumpMoreThan240UnitsOn) {
  for (uint32_t start : {0u, 1u}) {
    SCOPED_TRACE(start);
    fresh_handler(2);
    for (uint32_t k = 0; k < start; k++) emit_unit(0x1234);
    uint32_t p = emit.fCODE;
    add_op(OP_CONST, 0x12345678);  // load at p
    while (emit.fCODE < p + 240) add_op(OP_ACC2IDX, 0);
    add_op(OP_ACC2IDX, 0);  // starts exactly 240 on: no flush yet
    EXPECT_EQ(pool.nextConst, 1);
    EXPECT_EQ(emit.fCODE, p + 242);
    uint32_t v = emit.fCODE;
    add_op(OP_ACC2OPND, 0);  // 242 on: jump at v, the pool, then D800 0001
    EXPECT_EQ(pool.nextConst, 0);
    // Even: value at v + 2; odd: a pad at v + 2, value at v + 3.
    uint32_t t = v + 2 + (v & 1);
    Units expected = {0x7406, static_cast<int32_t>(((t + 2 - v - 2) << 7) + 7)};
    if (v & 1) expected.push_back(0);
    for (int32_t u : {0x5678, 0x1234, 0xD800, 0x0001}) expected.push_back(u);
    EXPECT_EQ(halfwords(v, emit.fCODE), expected);
    // The load reaches the value: ((t - p) >> 1) - 2 words.
    EXPECT_EQ(Flash_codes[p + 1], static_cast<int32_t>(((((t - p) >> 1) - 2) << 8) + 7));
    EXPECT_EQ(INT_ops[emit.fCODE - 1], OP_ACC2OPND);
  }
  // By hand for the even case: value at 244, jump distance 2, offset 120.
  fresh_handler(2);
  add_op(OP_CONST, 0x12345678);
  while (emit.fCODE < 244) add_op(OP_ACC2IDX, 0);
  EXPECT_EQ(halfwords(242, 248), (Units{0x7406, 0x0107, 0x5678, 0x1234, 0xD400, 0x0001}));
  EXPECT_EQ(halfwords(0, 2), (Units{0x5C01, 0x7807}));
}

TEST_F(IohbCodes, FlushIfDueMovesALabelBehindThePool) {
  add_op(OP_CONST, 0x12345678);
  while (emit.fCODE < 240) add_op(OP_ACC2IDX, 0);
  flush_pool_if_due();
  EXPECT_EQ(pool.nextConst, 1);
  add_op(OP_ACC2IDX, 0);
  flush_pool_if_due();
  EXPECT_EQ(pool.nextConst, 0);
  EXPECT_EQ(halfwords(242, emit.fCODE), (Units{0x7406, 0x0107, 0x5678, 0x1234}));
}

TEST_F(IohbCodes, AFullPoolIsPlacedBeforeTheNextConstant) {
  // Constants loaded back to back with nothing between them; each load is
  // one instruction, so 128 pending loads lie within 256 units.
  for (int k = 0; k < 128; k++) IOHBconstant(7, 0x10001000 + k);
  ASSERT_EQ(pool.nextConst, 128);
  IOHBconstant(6, 0x20002000);
  // Jump at 256, the 128 values at 258..513, the new load at 514.
  EXPECT_EQ(halfwords(256, 258), (Units{0x7406, (256 << 7) + 7}));
  EXPECT_EQ(halfwords(258, 260), (Units{0x1000, 0x1000}));
  EXPECT_EQ(halfwords(512, 516), (Units{0x107F, 0x1000, 0x5801, 0x0007}));
  ASSERT_EQ(pool.nextConst, 1);
  EXPECT_EQ(patchaddr[0], 514);
}

TEST_F(IohbCodes, TightLoopsDoNotNest) {
  Messages m;
  EXPECT_EQ(emitted16(OP_FOR, -1, &m), Units{});
  EXPECT_EQ(m, Messages{});
  EXPECT_EQ(ioh.inside_tightLoop, 1);
  EXPECT_EQ(emitted16(OP_FOR, -1, &m), Units{});
  EXPECT_EQ(m, Messages{"Nested tight loops (FOR x) not allowed"});
  EXPECT_EQ(emit.last_op, OP_FOR);
  EXPECT_EQ(emitted16(OP_NEXT, -1, &m), Units{});
  EXPECT_EQ(m, Messages{});
  EXPECT_EQ(ioh.inside_tightLoop, 0);
  // After the loop closes a new one opens without complaint.
  emitted16(OP_FOR, -1, &m);
  EXPECT_EQ(m, Messages{});
  EXPECT_EQ(ioh.inside_tightLoop, 1);
  // A new program starts with no loop open.
  reset_codegen();
  EXPECT_EQ(ioh.inside_tightLoop, 0);
}

struct RefusalCase {
  uint16_t op;
  const char *message;
};

const RefusalCase refusal_cases[] = {
    {OP_MUL, "MUL,DIV, MOD not supported -- see Orrin"},
    {OP_DIV, "MUL,DIV, MOD not supported -- see Orrin"},
    {OP_MOD, "MUL,DIV, MOD not supported -- see Orrin"},
    {OP_IDX2ACC, "IO not yet implemented -- see Orrin"},
    {OP_OPND2IDX, "PARAM Arrays not allowed in IOHB"},
    {OP_ADDSTR, "STRING functions not supported on IOHB"},
    {OP_ADDSBYTE, "STRING functions not supported on IOHB"},
    {OP_LEFT, "STRING functions not supported on IOHB"},
    {OP_RIGHT, "STRING functions not supported on IOHB"},
    {OP_STRCOMP, "STRING functions not supported on IOHB"},
    {OP_LEN, "STRING functions not supported on IOHB"},
    {OP_SAVESTR, "STRING functions not supported on IOHB"},
    {OP_HEX, "STRING functions not supported on IOHB"},
    {OP_STR, "STRING functions not supported on IOHB"},
    {OP_VAL, "STRING functions not supported on IOHB"},
    {OP_NEXT2OPND, "SELECT,CASE not allowed in IOHB"},
    {OP_PUSHNEXT, "SELECT,CASE not allowed in IOHB"},
    {OP_POPNEXT, "SELECT,CASE not allowed in IOHB"},
    {OP_ACC2NEXT, "Builtin function not allowed in IOHB"},
    {OP_SWAP, "FOR with STEP not allowed in IOHB"},
    {OP_GOSUB, "GOSUB to label not allowed in IOHB"},
    {OP_PRINTF, "PRINTF not supported on IOHB"},
    {OP_SPRINTF, "PRINTF not supported on IOHB"},
    {OP_NE, "<> not supported in IOHB"},
};

TEST_F(IohbCodes, RefusedOperationsReportAndEmitNothing) {
  for (const RefusalCase &c : refusal_cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op);
    fresh_handler(2);
    add_op(OP_ACC2IDX, 0);
    Messages m;
    EXPECT_EQ(emitted16(c.op, 33, &m), Units{});
    EXPECT_EQ(m, Messages{c.message});
    EXPECT_EQ(emit.last_op, c.op);
    EXPECT_EQ(emit.last_addr, 33);
    EXPECT_EQ(links.nextLink, 0);
    EXPECT_EQ(INT_ops[1], OP_ACC2IDX);
  }
}

// Every code the table has a row for; everything else is unknown.
std::set<uint16_t> known_codes() {
  std::set<uint16_t> known;
  for (const Case &c : fixed_cases) known.insert(c.op);
  for (const Case &c : load_cases) known.insert(c.op);
  for (const RefusalCase &c : refusal_cases) known.insert(c.op);
  for (uint16_t op : {OP_EZHPARAM, OP_EZHSAVE, OP_EZHRESTORE, OP_EZHRDPER, OP_EZHWRPER, OP_JZ, OP_JMP, OP_GOTO,
                      OP_CALLSUB, OP_JMPBACK, OP_SUB_ENTRY, OP_ENDSUB, OP_FOR, OP_NEXT, OP_ASM, OP_LABEL,
                      OP_NEWSTR, OP_PRINTTAB, OP_PRINTCR, OP_END})
    known.insert(op);
  return known;
}

TEST_F(IohbCodes, EveryOtherCodeIsAnUnknownOperation) {
  std::set<uint16_t> known = known_codes();
  // 57 operations with code or a defined silence, 23 refused ones and END.
  EXPECT_EQ(known.size(), 81u);
  int unknown = 0;
  for (uint32_t op = 0; op <= 0x1FF; op++) {
    if (known.count(static_cast<uint16_t>(op))) continue;
    SCOPED_TRACE(op);
    fresh_handler(2);
    Messages m;
    EXPECT_EQ(emitted16(static_cast<uint16_t>(op), 5, &m), Units{});
    EXPECT_EQ(m, Messages{"warning unknown ezh op"});
    EXPECT_EQ(emit.last_op, op);
    EXPECT_EQ(emit.last_addr, 5);
    unknown++;
  }
  EXPECT_EQ(unknown, 512 - 81);
  // Among them the pin-register reads and writes, whose encodings are not
  // known yet, and the largest code.
  for (uint16_t op : {106, 107, 108, 109, 0xFFFF}) {
    Messages m;
    EXPECT_EQ(emitted16(op, 0, &m), Units{});
    EXPECT_EQ(m, Messages{"warning unknown ezh op"}) << op;
  }
}

}  // namespace
