// Boards laid out from firmware tables, and the tables they refuse.
#include "sim/board.h"

#include <gtest/gtest.h>

namespace {

TEST(Board, CortexBoardFromItsTable) {
  sim::Board b;
  std::string error;
  ASSERT_TRUE(sim::make_board(sim::cortex_board_table(), b, error)) << error;
  EXPECT_EQ(b.name, "cortex");
  EXPECT_FALSE(b.arm());
  EXPECT_EQ(b.version, 2101);
  EXPECT_EQ(b.code_start, 0x8000u);
  EXPECT_EQ(b.var_base, 0x10000100u);
  EXPECT_EQ(b.string_accumulator(), 0x10010100u);
  EXPECT_EQ(b.flash_end, 0x40000u);
  EXPECT_EQ(b.flash_size, 0x50000u);
  EXPECT_EQ(b.stack_base, 0x20000000u);
  EXPECT_EQ(b.entry_address(56), 0x10E0u);
  EXPECT_EQ(b.entry_at(0x10E0), 56);
  EXPECT_EQ(b.entry_at(0x10E2), -1);
  EXPECT_EQ(b.entry_address(41), 0u);  // a layout word
  EXPECT_EQ(b.exit_address, 0x0F00u);
}

TEST(Board, Arm7BoardFromItsTable) {
  sim::Board b;
  std::string error;
  ASSERT_TRUE(sim::make_board(sim::arm7_board_table(), b, error)) << error;
  EXPECT_EQ(b.name, "arm7");
  EXPECT_TRUE(b.arm());
  EXPECT_EQ(b.var_base, 0x40000100u);  // word 6 added to 0x40000000
  EXPECT_EQ(b.stack_base, 0x40030000u);
  EXPECT_EQ(b.irq_stack_base, 0x40050000u);
  EXPECT_EQ(b.timer_base, 0xE0004000u);
  EXPECT_EQ(b.gpio_ports, 2);
}

TEST(Board, AnyTablesAddressesAndLayout) {
  std::vector<uint16_t> t = sim::cortex_board_table();
  t[4] = 0x30000 / 16;                // code start
  t[6] = 0x2000;                      // variables at 0x20002000, where the stack would be
  t[7] = 0x2000;
  t[8] = 0x0401;                      // a Thumb address: bit 0 is dropped
  t[9] = 0x0401;                      // shared with entry 8: the lower number names it
  t[100] = 0;                         // no routine
  sim::Board b;
  std::string error;
  ASSERT_TRUE(sim::make_board(t, b, error)) << error;
  EXPECT_EQ(b.code_start, 0x30000u);
  EXPECT_EQ(b.entry_address(8), 0x400u);
  EXPECT_EQ(b.entry_at(0x400), 8);
  EXPECT_EQ(b.entry_address(100), 0u);
  EXPECT_EQ(b.var_base, 0x20002000u);
  EXPECT_EQ(b.ram_base, 0x20000000u);
  EXPECT_EQ(b.stack_base, 0x20030000u);  // moved above the variables, a gap between
}

struct BadTable {
  const char *name;
  std::vector<uint16_t> table;
  const char *error;
};

std::vector<uint16_t> first_words(size_t n) {
  std::vector<uint16_t> t = sim::cortex_board_table();
  t.resize(n);
  return t;
}

std::vector<uint16_t> with(std::vector<uint16_t> t, size_t n, uint16_t v) {
  t[n] = v;
  return t;
}

// Test listings name a case by its name, not its bytes.
void PrintTo(const BadTable &c, std::ostream *os) { *os << c.name; }

class RefusesTable : public ::testing::TestWithParam<BadTable> {};

TEST_P(RefusesTable, WithItsMessage) {
  sim::Board b;
  std::string error;
  EXPECT_FALSE(sim::make_board(GetParam().table, b, error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Board, RefusesTable,
    ::testing::Values(
        BadTable{"count_4", {2054, 4, 0x2138, 0x1C00, 0x0300, 5, 0},
                 "the firmware table has 7 words; a simulated board needs a full table (a count of 95 to 160 and "
                 "its words)"},
        BadTable{"truncated", first_words(100),
                 "the firmware table has 100 words; a simulated board needs a full table (a count of 95 to 160 and "
                 "its words)"},
        BadTable{"code_below_entries", with(sim::cortex_board_table(), 4, 0x100),
                 "the firmware table puts the code start 0x00001000 below firmware entry 162 at 0x00001288"},
        BadTable{"old_firmware", with(sim::arm7_board_table(), 0, 1823),
                 "firmware version 1823 calls and returns through firmware routines the simulator does not have; "
                 "it runs firmware from 1824 on"},
        BadTable{"variables_in_flash", with(with(sim::cortex_board_table(), 7, 0), 6, 0x8000),
                 "the firmware table puts the variables at 0x00008000 inside the flash"}),
    [](const ::testing::TestParamInfo<BadTable> &info) { return std::string(info.param.name); });

TEST(Board, ScrambledFirmware) {
  sim::Board b;
  std::string error;
  ASSERT_TRUE(sim::make_board(with(with(sim::arm7_board_table(), 0, 1908), 2, 0x2138), b, error)) << error;
  EXPECT_NE(b.hex_key(), nullptr);
  ASSERT_TRUE(sim::make_board(with(with(sim::arm7_board_table(), 0, 1909), 2, 0x2138), b, error)) << error;
  EXPECT_EQ(b.hex_key(), nullptr);
  ASSERT_TRUE(sim::make_board(with(sim::cortex_board_table(), 0, 2100), b, error)) << error;
  EXPECT_EQ(b.hex_key(), nullptr);  // part 0x0040
}

TEST(Board, DownloadText) {
  std::string text = sim::table_download_text({0x0835, 0x00A0, 0x1000});
  EXPECT_EQ(text, "?\n0835\n00A0\n1000\n");
}

}  // namespace
