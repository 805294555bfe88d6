// Code units of the IOHA back end: its inline constant loader and the
// operations where it differs from the IOHB form; everything else must be
// the IOHB form unit for unit.
#include <gtest/gtest.h>

#include <climits>

#include "codegen/ioha/ioha.h"
#include "codegen/iohb/iohb.h"
#include "compile/operands.h"
#include "ioh_support.h"

namespace {

class IohaCodes : public ::testing::Test {
 protected:
  void SetUp() override { fresh_handler(1); }
  void TearDown() override {
    ioh.ezhVarStart = 0;
    ioh.ezh_calling = 0;
    fresh_target();
  }
};

struct ConstantCase {
  uint8_t reg;
  int32_t value;
  Units units;
};

const Units FRAME = {0x0005, 0x0000};

const ConstantCase constant_cases[] = {
    {0x80, 5, {0x0154, 0x0480}},
    {0x80, 0, {0x0154, 0xFF80}},
    {0x40, 5, {0x0154, 0x0540}},
    {0x40, 0, {0x0154, 0x0040}},
    {0x80, 255, {0x0154, 0xFE80}},
    {0x40, 255, {0x0154, 0xFF40}},
    {0x40, 300, {0x0154, 0x0040, 0x014C, 0x012C}},
    {0x80, 300, {0x0154, 0xFF80, 0x0140, 0x012C}},
    {0x80, 256, {0x0154, 0xFF80, 0x0140, 0x0100}},
    {0x80, 0xFFFF, {0x0154, 0xFF80, 0x0140, 0xFFFF}},
    {0x80, -1, {0x0154, 0x0080, 0x0140, 0xFFFF, 0x037C, 0x0000, 0x0140, 0xFFFF}},
    {0x40, -1, concat({FRAME, {0x0154, 0x0080, 0x0140, 0xFFFF, 0x037C, 0x0000, 0x0140, 0xFFFF}, FRAME})},
    {0x80, -300, {0x0154, 0x0080, 0x0140, 0xFFFF, 0x037C, 0x0000, 0x0140, 0xFED4}},
    {0x80, INT32_MIN, {0x0154, 0x0080, 0x0140, 0x8000, 0x037C, 0x0000, 0x0140, 0x0000}},
    // Above 16 bits: the same two-half build as for negative values.
    {0x80, 0x10000, {0x0154, 0x0080, 0x0140, 0x0001, 0x037C, 0x0000, 0x0140, 0x0000}},
    {0x80, 0x7FFFFFFF, {0x0154, 0x0080, 0x0140, 0x7FFF, 0x037C, 0x0000, 0x0140, 0xFFFF}},
    {0x40, 0x12345678, concat({FRAME, {0x0154, 0x0080, 0x0140, 0x1234, 0x037C, 0x0000, 0x0140, 0x5678}, FRAME})},
    // No other register code exists.
    {0x20, 5, {}},
    {0x00, 5, {}},
};

TEST_F(IohaCodes, ConstantsAreBuiltInline) {
  for (const ConstantCase &c : constant_cases) {
    SCOPED_TRACE(testing::Message() << "reg 0x" << std::hex << int(c.reg) << " value " << std::dec << c.value);
    fresh_handler(1);
    IOHAconstant(c.reg, c.value);
    EXPECT_EQ(halfwords(0, emit.fCODE), c.units);
    EXPECT_EQ(pool.nextConst, 0);
  }
}

struct Case {
  uint16_t op;
  int32_t operand;
  Units units;
};

// The loads of the table, with variable word 0 at 0x400 and the constant
// string area at 0x59000.
const Case load_cases[] = {
    {OP_CONST, 5, {0x0154, 0x0480}},
    {OP_OPND_CONST, 300, {0x0154, 0x0040, 0x014C, 0x012C}},
    {OP_CONST, -1, {0x0154, 0x0080, 0x0140, 0xFFFF, 0x037C, 0x0000, 0x0140, 0xFFFF}},
    {OP_ADDR, 8, {0x0154, 0xFF80, 0x0140, 0x0408}},
    {OP_OPND_ADDR, 8, {0x0154, 0x0040, 0x014C, 0x0408}},
    {OP_STRADDR, 0x10, {0x0154, 0x0080, 0x0140, 0x0005, 0x037C, 0x0000, 0x0140, 0x9010}},
    {OP_OPND_STRADDR, 0, concat({FRAME, {0x0154, 0x0080, 0x0140, 0x0005, 0x037C, 0x0000, 0x0140, 0x9000}, FRAME})},
    {OP_LDARR, 3, {0x0154, 0x0040, 0x014C, 0x040C, 0x9C10, 0x8271, 0xDC01, 0x0005}},
    {OP_STARR, 3, {0x0154, 0x0040, 0x014C, 0x040C, 0x9810, 0x8251, 0x8002, 0x0075}},
    {OP_LDVAR, 3, {0x0154, 0xFF80, 0x0140, 0x040C, 0xDC01, 0x0005}},
    {OP_OPND_LDVAR, 3, {0x0154, 0x0040, 0x014C, 0x040C, 0x9801, 0x0005}},
    {OP_STVAR, 3, {0x0154, 0x0040, 0x014C, 0x040C, 0x8002, 0x0075}},
};

TEST_F(IohaCodes, LoadsUseTheInlineLoader) {
  for (const Case &c : load_cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op);
    fresh_handler(1);
    small_ram_base();
    Messages m;
    EXPECT_EQ(emitted16(c.op, c.operand, &m), c.units);
    EXPECT_EQ(m, Messages{});
    EXPECT_EQ(pool.nextConst, 0);
    EXPECT_EQ(INT_ops[emit.fCODE - 1], c.op);
  }
  // A variable at a small address takes the one-instruction form.
  fresh_handler(1);
  f_table[6] = 4;
  f_table[7] = 0;
  compute_firmware_facts();
  EXPECT_EQ(emitted16(OP_LDVAR, 1, nullptr), (Units{0x0154, 0x0780, 0xDC01, 0x0005}));
}

TEST_F(IohaCodes, PeripheralsAreAddressedByTheOperand) {
  ioh.ezh_vpbaddr = 0x12344;  // the IOHB form's source; not used here
  EXPECT_EQ(emitted16(OP_EZHRDPER, 0x2C004, nullptr), (Units{0xC005, 0x0002}));
  EXPECT_EQ(emitted16(OP_EZHRDPER, 0xFFFFC, nullptr), (Units{0xFFFD, 0x000F}));
  EXPECT_EQ(emitted16(OP_EZHWRPER, 0x2C008, nullptr), (Units{0xC00A, 0x0002}));
  EXPECT_EQ(emitted16(OP_EZHWRPER, 0xFFFFC, nullptr), (Units{0xFFFE, 0x000F}));
}

TEST_F(IohaCodes, ARoutineEntryIsOnlyItsAlignment) {
  EXPECT_EQ(emitted16(OP_SUB_ENTRY, 0, nullptr), Units{});
  emit_unit(0x1234);
  EXPECT_EQ(emitted16(OP_SUB_ENTRY, 0, nullptr), (Units{0x0000}));
  EXPECT_EQ(emit.fCODE, 2u);
  EXPECT_EQ(INT_ops[1], OP_SUB_ENTRY);
  EXPECT_EQ(emit.last_op, OP_SUB_ENTRY);
}

TEST_F(IohaCodes, NoPoolIsEverWritten) {
  add_op(OP_CONST, 0x12345678);
  add_op(OP_OPND_ADDR, 0x100);
  while (emit.fCODE < 600) add_op(OP_ACC2IDX, 0);
  EXPECT_EQ(pool.nextConst, 0);
  emit_unit(0x1234);  // odd: a pool would start with a pad
  EXPECT_EQ(emitted16(OP_ENDSUB, 0, nullptr), Units{});
  EXPECT_EQ(emitted16(OP_END, 0, nullptr), Units{});
  EXPECT_EQ(emit.last_op, OP_END);
  // flush_pool_if_due leaves IOHA code alone.
  flush_pool_if_due();
  EXPECT_EQ(emit.fCODE, 601u);
}

// Everything that is not a load, a peripheral access, a routine entry or
// ENDSUB is the IOHB form, messages included.
TEST_F(IohaCodes, EveryOtherOperationIsTheIohbForm) {
  const uint16_t differing[] = {OP_LDARR,    OP_STARR,        OP_ADDR,      OP_OPND_ADDR, OP_STRADDR,
                                OP_OPND_STRADDR, OP_OPND_CONST, OP_OPND_LDVAR, OP_CONST,   OP_LDVAR,
                                OP_STVAR,    OP_EZHRDPER,     OP_EZHWRPER,  OP_SUB_ENTRY, OP_ENDSUB};
  int compared = 0;
  for (uint32_t op = 0; op <= 0x1FF; op++) {
    bool differs = false;
    for (uint16_t d : differing) differs = differs || d == op;
    if (differs) continue;
    SCOPED_TRACE(op);
    Units form[2];
    Messages said[2];
    for (uint8_t kind : {1, 2}) {
      fresh_handler(kind);
      ioh.IOHBcode = 0x100;
      add_op(OP_ACC2IDX, 0);
      form[kind - 1] = emitted16(static_cast<uint16_t>(op), 0x21, &said[kind - 1]);
      EXPECT_EQ(emit.last_op, op);
    }
    EXPECT_EQ(form[0], form[1]);
    EXPECT_EQ(said[0], said[1]);
    compared++;
  }
  EXPECT_EQ(compared, 512 - 15);
}

TEST_F(IohaCodes, LocalsAndTheirLimitAreTheIohbForm) {
  for (uint16_t op : {OP_LDVAR, OP_OPND_LDVAR, OP_STVAR}) {
    for (uint8_t calling : {0, 1}) {
      for (int32_t k = 0; k <= 5; k++) {
        SCOPED_TRACE(testing::Message() << "op " << op << " k " << k << " calling " << int(calling));
        Units form[2];
        Messages said[2];
        for (uint8_t kind : {1, 2}) {
          fresh_handler(kind);
          ioh.ezhVarStart = 20;
          ioh.ezh_calling = calling;
          form[kind - 1] = emitted16(op, 20 + k, &said[kind - 1]);
        }
        EXPECT_EQ(form[0], form[1]);
        EXPECT_EQ(form[0].size(), 2u);
        EXPECT_EQ(said[0], said[1]);
        EXPECT_EQ(said[0].size(), k == 5 ? 1u : 0u);
      }
    }
  }
}

}  // namespace
