// The standard Intel HEX writer, read back by srec_cat, objcopy and
// Python's intelhex.
#include "image/intel_hex.h"

#include <gtest/gtest.h>

#include <sstream>

#include "samples.h"
#include "tool_support.h"

namespace image_test {
namespace {

using image::Program;

ByteMap model_bytes(const Program &p) {
  ByteMap m;
  for (const image::Segment &s : p.segments)
    for (size_t k = 0; k < s.bytes.size(); k++) m[s.address + static_cast<uint32_t>(k)] = s.bytes[k];
  return m;
}

// Segments that start off a record boundary, cross a 64 KiB page and lie
// far apart.
Program scattered() {
  Program p;
  std::vector<uint8_t> a(70), b(5), c(40);
  for (size_t k = 0; k < a.size(); k++) a[k] = static_cast<uint8_t>(k * 7 + 1);
  for (size_t k = 0; k < b.size(); k++) b[k] = static_cast<uint8_t>(0xF0 + k);
  for (size_t k = 0; k < c.size(); k++) c[k] = static_cast<uint8_t>(255 - k);
  add_bytes(p, 0x0001FFE3, a);
  add_bytes(p, 0x00030000, b);
  add_bytes(p, 0x20000FF8, c);
  p.spans = {{image::Contents::Code, {0x0001FFE3, 0x00030005}}, {image::Contents::Strings, {0x20000FF8, 0x20001020}}};
  return p;
}

TEST(IntelHex, SmallImageRecordByRecord) {
  Program p;
  add_bytes(p, 0x0001FFFE, {0xAA, 0xBB, 0xCC});
  p.spans = {{image::Contents::Code, {0x0001FFFE, 0x00020001}}};
  EXPECT_EQ(image::intel_hex(p),
            ":020000040001F9\n"
            ":02FFFE00AABB9C\n"
            ":020000040002F8\n"
            ":01000000CC33\n"
            ":00000001FF\n");
}

TEST(IntelHex, EmptyImageIsOneEndRecord) { EXPECT_EQ(image::intel_hex(Program{}), ":00000001FF\n"); }

struct Case {
  const char *name;
  Program (*make)();
  int record_size;
};

class ReadBack : public ::testing::TestWithParam<Case> {};

TEST_P(ReadBack, EveryReaderSeesTheModelsBytes) {
  const Case &c = GetParam();
  Program p = c.make();
  TempDir dir;
  std::string hex = dir.path("image.hex");
  write_file(hex, image::intel_hex(p, c.record_size));
  ByteMap expected = model_bytes(p);
  EXPECT_EQ(read_hex_with_srec_cat(hex), expected);
  EXPECT_EQ(read_hex_with_objcopy(hex, dir.path("image.v")), expected);
  EXPECT_EQ(read_hex_with_intelhex(hex), expected);
}

TEST_P(ReadBack, RecordsFollowTheFormsRules) {
  const Case &c = GetParam();
  std::istringstream in(image::intel_hex(c.make(), c.record_size));
  std::string line;
  std::vector<std::string> records;
  while (std::getline(in, line)) records.push_back(line);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back(), ":00000001FF");
  long upper = -1;
  for (size_t k = 0; k + 1 < records.size(); k++) {
    const std::string &r = records[k];
    ASSERT_GE(r.size(), 11u) << r;
    unsigned length = std::stoul(r.substr(1, 2), nullptr, 16), offset = std::stoul(r.substr(3, 4), nullptr, 16);
    std::string type = r.substr(7, 2);
    ASSERT_NE(type, "01") << "an end-of-file record before the end";
    if (type == "04") {
      upper = std::stol(r.substr(9, 4), nullptr, 16);
      continue;
    }
    ASSERT_EQ(type, "00") << r;
    EXPECT_NE(upper, -1) << "a data record before any extended linear address record";
    EXPECT_LE(length, static_cast<unsigned>(c.record_size)) << r;
    EXPECT_EQ(offset / c.record_size, (offset + length - 1) / c.record_size) << "crosses a record boundary: " << r;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, ReadBack,
                         ::testing::Values(Case{"thumb", thumb_sample, 32}, Case{"arm", arm_sample, 32},
                                           Case{"scattered", scattered, 32}, Case{"scattered16", scattered, 16}),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace image_test
