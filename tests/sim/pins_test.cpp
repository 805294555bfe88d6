// The pin script and the pins: levels, directions, registers and the words
// every operation is reported in.
#include "sim/pins.h"

#include <gtest/gtest.h>

namespace {

TEST(PinScript, ReadsEveryForm) {
  std::vector<sim::PinEvent> e;
  std::string error;
  ASSERT_TRUE(sim::parse_pin_script("# comment\n\n0 pin 5 high\n  10 pin 191 1 # end\n10 ad 2 -7\n25 pin 0 low\n"
                                    "30 pin 3 0\n",
                                    192, e, error))
      << error;
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(e[0].ms, 0u);
  EXPECT_EQ(e[0].number, 5);
  EXPECT_EQ(e[0].value, 1);
  EXPECT_FALSE(e[0].analog);
  EXPECT_EQ(e[1].number, 191);
  EXPECT_EQ(e[1].line, 4);
  EXPECT_TRUE(e[2].analog);
  EXPECT_EQ(e[2].value, -7);
  EXPECT_EQ(e[3].ms, 25u);
  EXPECT_EQ(e[3].value, 0);
  EXPECT_EQ(e[4].value, 0);
}

struct BadScript {
  const char *name;
  const char *text;
  const char *error;
};

// Test listings name a case by its name, not its bytes.
void PrintTo(const BadScript &c, std::ostream *os) { *os << c.name; }

class RejectsPinScript : public ::testing::TestWithParam<BadScript> {};

TEST_P(RejectsPinScript, WithItsMessage) {
  std::vector<sim::PinEvent> e;
  std::string error;
  EXPECT_FALSE(sim::parse_pin_script(GetParam().text, 64, e, error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Pins, RejectsPinScript,
    ::testing::Values(
        BadScript{"too_few", "10 pin 5\n", "line 1: expected TIME pin N high|low, or TIME ad N VALUE"},
        BadScript{"too_many", "10 pin 5 high now\n", "line 1: expected TIME pin N high|low, or TIME ad N VALUE"},
        BadScript{"time", "1.5 pin 5 high\n", "line 1: the time must be a number of milliseconds: 1.5"},
        BadScript{"negative_time", "-1 pin 5 high\n", "line 1: the time must be a number of milliseconds: -1"},
        BadScript{"backwards", "10 pin 1 high\n9 pin 1 low\n", "line 2: the time 9 lies before the previous line's"},
        BadScript{"pin", "0 pin 64 high\n", "line 1: no pin 64 (the board has pins 0 to 63)"},
        BadScript{"pin_name", "0 pin x high\n", "line 1: no pin x (the board has pins 0 to 63)"},
        BadScript{"level", "0 pin 1 2\n", "line 1: a pin is high, low, 1 or 0, not 2"},
        BadScript{"channel", "0 ad 256 1\n", "line 1: no AD channel 256 (0 to 255)"},
        BadScript{"ad_value", "0 ad 1 high\n", "line 1: an AD value is a whole number, not high"},
        BadScript{"ad_range", "0 ad 1 4294967296\n", "line 1: an AD value is a whole number, not 4294967296"},
        BadScript{"kind", "0 led 1 on\n", "line 1: expected pin or ad after the time, not led"}),
    [](const ::testing::TestParamInfo<BadScript> &info) { return std::string(info.param.name); });

TEST(Pins, RoutinesReportInRunsWordsAndGiveLevels) {
  sim::StringConsole console;
  sim::Pins pins(2, console);
  EXPECT_EQ(pins.in(5), 0u);  // an input before the script sets it reads low
  EXPECT_TRUE(pins.apply(sim::PinEvent{0, false, 5, 1, 1}));
  EXPECT_FALSE(pins.apply(sim::PinEvent{0, false, 5, 1, 2}));  // no change
  EXPECT_EQ(pins.in(5), 1u);
  pins.out(40, 3);  // not an output yet: the latch changes, the pin not
  EXPECT_EQ(pins.in(40), 0u);
  pins.set_dir(40, 1);
  EXPECT_EQ(pins.dir(40), 1u);
  EXPECT_EQ(pins.in(40), 1u);
  EXPECT_EQ(pins.ad(2), 0u);
  pins.apply(sim::PinEvent{0, true, 2, 512, 3});
  EXPECT_EQ(pins.ad(2), 512u);
  pins.out(99, 1);  // beyond the ports: reported, no effect
  EXPECT_EQ(pins.in(99), 0u);
  EXPECT_EQ(console.output(),
            "read IN(5)\nread IN(5)\nset OUT(40)=3\nread IN(40)\nset DIR(40)=1\nread DIR(40)\nread IN(40)\n"
            "read AD(2)\nread AD(2)\nset OUT(99)=1\nread IN(99)\n");
}

TEST(Pins, RegistersOfAPort) {
  sim::StringConsole console;
  sim::Pins pins(2, console);
  uint32_t v = 0;
  ASSERT_TRUE(pins.write_register(1, 0x00, 0x0000000F));  // pins 0 to 3 of port 1 are outputs
  ASSERT_TRUE(pins.write_register(1, 0x18, 0x00000005));  // set 0 and 2
  ASSERT_TRUE(pins.write_register(1, 0x1C, 0x00000004));  // clear 2
  ASSERT_TRUE(pins.read_register(1, 0x18, 0, v));
  EXPECT_EQ(v, 0x1u);
  pins.apply(sim::PinEvent{0, false, 32 + 8, 1, 1});  // an input of port 1
  ASSERT_TRUE(pins.read_register(1, 0x14, 1u << 8, v));
  EXPECT_EQ(v, 0x101u);
  ASSERT_TRUE(pins.write_register(1, 0x10, 0x00000001));  // mask pin 0
  ASSERT_TRUE(pins.write_register(1, 0x1C, 0x00000001));  // masked: no effect
  ASSERT_TRUE(pins.read_register(1, 0x14, 0, v));
  EXPECT_EQ(v, 0x100u);
  ASSERT_TRUE(pins.write_register(1, 0x14, 0x00000002));  // the pin register drives 1
  EXPECT_EQ(pins.level(33), 1);
  EXPECT_FALSE(pins.read_register(1, 0x04, 0, v));
  EXPECT_FALSE(pins.write_register(2, 0x18, 1));
  EXPECT_EQ(console.output(),
            "set DIR(32)=1\nset DIR(33)=1\nset DIR(34)=1\nset DIR(35)=1\nset IO(0)=1\nset IO(2)=1\nset IO(2)=0\n"
            "read IO(8)\nset IO(1)=1\n");
}

}  // namespace
