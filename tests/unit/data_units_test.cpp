// The units the code generators mark as data: literal pools, inline
// constants and the words firmware loaders read, on Thumb and ARM targets.
#include <gtest/gtest.h>

#include "codegen/operations.h"
#include "codegen_support.h"
#include "compile/reset.h"
#include "frontend/symbols.h"

namespace {

using Ops = std::vector<std::pair<uint16_t, int32_t>>;
using Indices = std::vector<uint32_t>;

struct Case {
  const char *name;
  uint16_t version;
  Ops ops;
  Indices data;   // marked units
  uint32_t units; // fCODE afterwards
};

Indices marked(uint32_t to) {
  Indices v;
  for (uint32_t i = 0; i < to; i++)
    if (Flash_is_data[i]) v.push_back(i);
  return v;
}

class DataUnits : public ::testing::TestWithParam<Case> {};

TEST_P(DataUnits, AreMarked) {
  const Case &c = GetParam();
  fresh_target(c.version);
  for (auto [op, operand] : c.ops) add_op(op, operand);
  EXPECT_EQ(emit.fCODE, c.units);
  EXPECT_EQ(marked(emit.fCODE + 8), c.data);
}

// Loads at unit p of a pool constant, an address from an inline literal
// (LDR r1,[pc]; B over it; a pad to a word boundary; the word) and the
// variable base behind an interrupt entry.
INSTANTIATE_TEST_SUITE_P(
    Cases, DataUnits,
    ::testing::Values(
        // Load 0, END 1..2, pad 3, value 4..5.
        Case{"thumb_pool_even", 2054, {{OP_CONST, 256}, {OP_END, 0}}, {3, 4, 5}, 6},
        // NOP 0, load 1, END 2..3, value 4..5.
        Case{"thumb_pool_odd", 2054, {{OP_NOP, 0}, {OP_CONST, 256}, {OP_END, 0}}, {4, 5}, 6},
        Case{"thumb_small_constants", 2054, {{OP_CONST, 5}, {OP_STVAR, 1}, {OP_CONST, -3}}, {}, 4},
        // LDR 0, B 1, word 2..3, LDR r7,[r1] 4.
        Case{"thumb_far_variable_even", 2054, {{OP_LDVAR, 200}}, {2, 3}, 5},
        // NOP 0, LDR 1, B 2, pad 3, word 4..5, LDR r7,[r1] 6.
        Case{"thumb_far_variable_odd", 2054, {{OP_NOP, 0}, {OP_LDVAR, 200}}, {3, 4, 5}, 7},
        // Eight units of entry code, then the variable base.
        Case{"thumb_interrupt_entry", 2054, {{OP_INTENTRY, 0}}, {8, 9}, 10},
        // BL to the loader 0, the value 1.
        Case{"arm_loaded_constant", 1850, {{OP_CONST, 123456789}}, {1}, 2},
        Case{"arm_rotated_constant", 1850, {{OP_CONST, 0xFF000000}}, {}, 1},
        Case{"arm_far_variable", 1850, {{OP_LDVAR, 2000}}, {1}, 2},
        Case{"arm_interrupt_entry", 1850, {{OP_INTENTRY, 0}}, {6}, 7},
        // Old firmware calls through a routine that reads its target's
        // address behind the call.
        Case{"old_arm_call", 1820, {{OP_CALLSUB, 0}}, {1}, 2}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DataUnitsReset, ANewProgramHasNone) {
  fresh_target(2054);
  add_op(OP_CONST, 256);
  add_op(OP_END, 0);
  ASSERT_FALSE(marked(emit.fCODE).empty());
  reset_program();
  EXPECT_EQ(marked(8), Indices{});
}

TEST(DataUnitsReset, AnInstructionWrittenOverDataIsCode) {
  fresh_target(2054);
  add_op(OP_CONST, 256);
  add_op(OP_END, 0);
  put_unit(4, 0x46C0);
  EXPECT_EQ(marked(emit.fCODE), (Indices{3, 5}));
}

TEST(DataUnitsLinks, AnOldFirmwareCallResolvesToItsTargetsAddressAsData) {
  fresh_target(1820);
  int32_t label = add_symbol("X", 1);
  ASSERT_GE(label, 0);
  g_symbol_type[label] = SYM_LABEL;
  g_symboladdr[label] = 40;
  // The call routine's BL at 0, the placeholder at 1; GOTO's branch at 2.
  add_op(OP_GOSUB, label);
  add_op(OP_GOTO, label);
  ASSERT_EQ(emit.fCODE, 3u);
  EXPECT_EQ(marked(3), Indices{});
  optimizeTJ(0, 0);
  EXPECT_EQ(marked(3), Indices{1});
  EXPECT_EQ(static_cast<uint32_t>(Flash_codes[1]), code_unit_address(41));
}

}  // namespace
