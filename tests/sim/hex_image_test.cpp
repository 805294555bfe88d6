// The Intel HEX reader on both layouts and on every kind of bad record.
#include <gtest/gtest.h>

#include "sim/image.h"

namespace {

struct Good {
  const char *name;
  const char *text;
  sim::ImageFormat format;
  uint32_t upper_offset;
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> segments;
};

// Test listings name a case by its name, not its bytes.
void PrintTo(const Good &c, std::ostream *os) { *os << c.name; }

class ReadsHex : public ::testing::TestWithParam<Good> {};

TEST_P(ReadsHex, IntoSegments) {
  const Good &g = GetParam();
  sim::Image image;
  std::string error;
  ASSERT_TRUE(sim::parse_hex(g.text, image, error, g.upper_offset)) << error;
  EXPECT_EQ(image.format, g.format);
  ASSERT_EQ(image.segments.size(), g.segments.size());
  for (size_t k = 0; k < g.segments.size(); k++) {
    EXPECT_EQ(image.segments[k].address, g.segments[k].first) << k;
    EXPECT_EQ(image.segments[k].bytes, g.segments[k].second) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Hex, ReadsHex,
    ::testing::Values(
        // The board's blocks: data, then the upper half, then the end.
        Good{"board_linear",
             ":0280000001027B\n:020000040003F7\n:00000001FF\n:02100000AABB89\n:00000001FF\n",
             sim::ImageFormat::BoardHex, 0, {{0x1000, {0xAA, 0xBB}}, {0x38000, {0x01, 0x02}}}},
        // Word 5 of the table is taken off the upper half again.
        Good{"board_upper_offset", ":0280000001027B\n:020000040005F5\n:00000001FF\n:00000001FF\n",
             sim::ImageFormat::BoardHex, 2, {{0x38000, {0x01, 0x02}}}},
        // A block marker gives the upper half as the block address >> 4.
        Good{"board_marker", ":0280000001027B\n:00380002EE\n:00000001FF\n:00000001FF\n", sim::ImageFormat::BoardHex,
             0, {{0x38000, {0x01, 0x02}}}},
        // Lines that are no records are skipped; lower-case digits and CRLF.
        Good{"board_noise", "\"banner\r\n:0280000001027b\r\n:00000001ff\r\n> map line\r\n:00000001FF\r\n",
             sim::ImageFormat::BoardHex, 0, {{0x8000, {0x01, 0x02}}}},
        // Standard: the upper half before its data, one end record.
        Good{"standard_linear", ":020000040003F7\n:0280000001027B\n:020000040000FA\n:02100000AABB89\n:00000001FF\n",
             sim::ImageFormat::StandardHex, 0, {{0x1000, {0xAA, 0xBB}}, {0x38000, {0x01, 0x02}}}},
        Good{"standard_segment", ":020000021000EC\n:020000000102FB\n:00000001FF\n", sim::ImageFormat::StandardHex, 0,
             {{0x10000, {0x01, 0x02}}}},
        // Records next to each other merge into one run.
        Good{"merged_runs", ":020000000102FB\n:020002000304F5\n:00000001FF\n", sim::ImageFormat::StandardHex, 0,
             {{0x0, {0x01, 0x02, 0x03, 0x04}}}},
        // The same byte written twice with the same value is fine.
        Good{"same_byte_twice", ":020000000102FB\n:0100010002FC\n:00000001FF\n", sim::ImageFormat::StandardHex, 0,
             {{0x0, {0x01, 0x02}}}}),
    [](const ::testing::TestParamInfo<Good> &info) { return std::string(info.param.name); });

struct Bad {
  const char *name;
  const char *text;
  const char *error;
};

// Test listings name a case by its name, not its bytes.
void PrintTo(const Bad &c, std::ostream *os) { *os << c.name; }

class RejectsHex : public ::testing::TestWithParam<Bad> {};

TEST_P(RejectsHex, WithItsMessage) {
  const Bad &b = GetParam();
  sim::Image image;
  std::string error;
  EXPECT_FALSE(sim::parse_hex(b.text, image, error));
  EXPECT_EQ(error, b.error);
}

INSTANTIATE_TEST_SUITE_P(
    Hex, RejectsHex,
    ::testing::Values(
        Bad{"nothing", "no records here\n", "no Intel HEX records"},
        Bad{"short", ":0000\n", "line 1: record of odd or short length: :0000"},
        Bad{"odd", ":00000001FF0\n", "line 1: record of odd or short length: :00000001FF0"},
        Bad{"not_hex", ":0000000G01\n", "line 1: not a hexadecimal digit: :0000000G01"},
        Bad{"length", ":0300000001027B\n", "line 1: length field does not match the record: :0300000001027B"},
        Bad{"checksum", ":020000000102FC\n:00000001FF\n", "line 1: checksum wrong: :020000000102FC"},
        Bad{"marker_value", ":00380002EF\n", "line 1: block marker without its fixed value 0xEE: :00380002EF"},
        Bad{"end_with_data", ":0280000001027B\n:01000001AA54\n", "line 2: end-of-file record with data"},
        Bad{"two_uppers", ":0280000001027B\n:00380002EE\n:020000040003F7\n:00000001FF\n:00000001FF\n",
            "line 3: two upper-address records in one block"},
        Bad{"below_marker", ":020000000102FB\n:00380002EE\n:00000001FF\n:00000001FF\n",
            "line 1: data at 0x00030000 lies below its block marker's block 0x00038000"},
        Bad{"conflict", ":020000000102FB\n:0100010003FB\n:00000001FF\n",
            "line 2: byte at 0x00000001 written twice with different values"},
        Bad{"after_end", ":00000001FF\n:020000000102FB\n", "line 2: record after the end-of-file record"},
        Bad{"no_end", ":020000000102FB\n", "no end-of-file record"},
        Bad{"board_tail", ":00000001FF\n:00000001FF\n:020000000102FB\n",
            "data records after the last end-of-file record"},
        Bad{"type", ":020000060102F5\n:00000001FF\n", "line 1: unexpected record type 6"},
        Bad{"linear_length", ":03000004000300F6\n:00000001FF\n", "line 1: address record of wrong length"}),
    [](const ::testing::TestParamInfo<Bad> &info) { return std::string(info.param.name); });

}  // namespace
