// The code check on hand-assembled Thumb and ARM code: every kind of fault
// it finds, with its message, and the units it marks on clean code.
#include "sim/code_check.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The code as little-endian units at the board's code start.
sim::Image image_of(const sim::Board &board, const std::vector<uint32_t> &units) {
  sim::Segment s{board.code_start, {}};
  for (uint32_t u : units)
    for (uint32_t k = 0; k < board.unit_bytes(); k++) s.bytes.push_back(static_cast<uint8_t>(u >> (8 * k)));
  sim::Image image;
  image.segments.push_back(s);
  return image;
}

sim::Board board_named(const char *name) {
  sim::Board board;
  std::string error;
  EXPECT_TRUE(sim::make_board(sim::board_table(name), board, error)) << error;
  return board;
}

struct CheckCase {
  const char *name;
  const char *board;
  std::vector<uint32_t> units;  // halfwords (Thumb) or words (ARM) from 0x8000
  const char *error;            // the first error
};

// Test listings name a case by its name, not its bytes.
void PrintTo(const CheckCase &c, std::ostream *os) { *os << c.name; }

class CodeCheckFaults : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CodeCheckFaults, AreFoundWithTheirAddress) {
  const CheckCase &c = GetParam();
  sim::Board board = board_named(c.board);
  sim::CodeMap map = sim::check_code(board, image_of(board, c.units));
  ASSERT_FALSE(map.errors.empty());
  EXPECT_EQ(map.errors[0], c.error);
}

// Thumb: 0x4F00 LDR r7,[pc,#0], 0x4FFF LDR r7,[pc,#1020]; 0xE7FF B to the
// unit after it, 0xE7FD B to the unit before it, 0xE0FF B far ahead; 0xF000
// 0xF800 BL to the unit after it, 0xF7F8 0xFA7E BL to 0x500; 0xBD00 POP {pc}.
// ARM: 0xE1A0F000 MOV pc,r0; 0xEBFFE459 BL to entry 91, a loader;
// 0xF57FF05F DMB; 0xE12FFF1E BX lr.
INSTANTIATE_TEST_SUITE_P(
    Sim, CodeCheckFaults,
    ::testing::Values(
        CheckCase{"branch_into_literal", "cortex", {0x4F00, 0xE7FF, 0, 0},
                  "0x00008004: reached as code, but it is a literal"},
        CheckCase{"branch_into_bl", "cortex", {0xF000, 0xF800, 0xE7FD, 0xBD00},
                  "0x00008002: a branch lands in the middle of a BL"},
        CheckCase{"branch_outside", "cortex", {0xE0FF}, "0x00008000: branch to 0x00008202 outside the code"},
        CheckCase{"bl_nowhere", "cortex", {0xF7F8, 0xFA7E},
                  "0x00008000: BL to 0x00000500, neither code nor a firmware entry"},
        CheckCase{"literal_outside", "cortex", {0x4FFF, 0xBD00}, "0x00008000: literal at 0x00008400 outside the code"},
        CheckCase{"arm_writes_pc", "arm7", {0xE1A0F000}, "0x00008000: writes pc: mov pc, r0"},
        CheckCase{"arm_loader_without_word", "arm7", {0xEBFFE459},
                  "0x00008000: no data word behind the call of firmware entry 91"},
        CheckCase{"arm_unconditional_space", "arm7", {0xF57FF05F, 0xE12FFF1E},
                  "0x00008000: instruction of the unconditional space (dmb sy), which an ARMv4T core lacks"}),
    [](const ::testing::TestParamInfo<CheckCase> &info) { return std::string(info.param.name); });

TEST(CodeCheck, MarksCodeLiteralsAndPadding) {
  sim::Board board = board_named("cortex");
  // LDR r7,[pc,#0]; POP {pc}; the literal; padding.
  sim::CodeMap map = sim::check_code(board, image_of(board, {0x4F00, 0xBD00, 0x5678, 0x1234, 0x0000}));
  ASSERT_TRUE(map.errors.empty()) << map.errors[0];
  EXPECT_EQ(map.units, (std::vector<sim::Unit>{sim::Unit::Code, sim::Unit::Code, sim::Unit::Data,
                                               sim::Unit::Data, sim::Unit::Padding}));
  EXPECT_EQ(map.instructions, 2);
  EXPECT_EQ(map.literals, 1);
}

}  // namespace
