// The model's own rules and the line positions a debugger gets.
#include "image/program.h"

#include <gtest/gtest.h>

#include "samples.h"

namespace image_test {
namespace {

using image::Program;

struct Broken {
  const char *name;
  void (*spoil)(Program &);
  const char *message;
};

class Check : public ::testing::TestWithParam<Broken> {};

TEST_P(Check, NamesWhatIsWrong) {
  Program p = thumb_sample();
  ASSERT_EQ(image::check(p), "");
  GetParam().spoil(p);
  EXPECT_EQ(image::check(p), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Check,
    ::testing::Values(
        Broken{"empty_segment", [](Program &p) { p.segments.push_back({0x50000, {}}); },
               "empty segment at 0x00050000"},
        Broken{"past_4g", [](Program &p) { p.segments.push_back({0xFFFFFFF0, std::vector<uint8_t>(32)}); },
               "segment at 0xFFFFFFF0 runs past the 32-bit address space"},
        Broken{"overlap", [](Program &p) { p.segments.push_back({0x8010, {1}}); },
               "segments overlap or are out of order at 0x00008010"},
        Broken{"empty_span", [](Program &p) { p.spans.push_back({image::Contents::Strings, {0x50000, 0x50000}}); },
               "empty span at 0x00050000"},
        Broken{"span_order", [](Program &p) { std::swap(p.spans[0], p.spans[1]); },
               "spans overlap or are out of order at 0x00008000"},
        Broken{"outside", [](Program &p) { p.spans[2].range.end = 0x40008; },
               "the byte at 0x00040008 lies outside every span"},
        Broken{"data_outside_code", [](Program &p) { p.data.push_back({0x40000, 0x40004}); },
               "data range at 0x00040000 lies outside the code"},
        Broken{"data_past_code", [](Program &p) { p.data.push_back({0x801C, 0x8024}); },
               "data range at 0x0000801C lies outside the code"},
        Broken{"nameless", [](Program &p) { p.symbols[0].name.clear(); }, "symbol without a name at 0x10000104"},
        Broken{"unknown_file", [](Program &p) { p.lines[1].file = 2; },
               "line position names file 2, which is not listed"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FlashBytes, ErasedWhereNoSegmentIs) {
  Program p = thumb_sample();
  EXPECT_EQ(image::flash_byte(p, 0x7FFF), 0xFF);
  EXPECT_EQ(image::flash_byte(p, 0x8000), 0x00);
  EXPECT_EQ(image::flash_byte(p, 0x8001), 0xF0);
  EXPECT_EQ(image::flash_byte(p, 0x8020), 0xFF);
  EXPECT_EQ(image::flash_bytes(p, {0x801E, 0x8022}), (std::vector<uint8_t>{0, 0, 0xFF, 0xFF}));
}

TEST(CodeLines, OnePerAddressInsideTheCode) {
  Program p = thumb_sample();
  // A line in the strings is no code line.
  p.lines.push_back({0, 7, 0x3FFF0});
  std::vector<image::LinePosition> rows = image::code_lines(p);
  std::vector<std::pair<uint32_t, uint32_t>> got;
  for (const image::LinePosition &l : rows) got.push_back({l.line, l.address});
  EXPECT_EQ(got, (std::vector<std::pair<uint32_t, uint32_t>>{{1, 0x8004}, {3, 0x8008}, {1, 0x800A}, {5, 0x800C}}));
}

}  // namespace
}  // namespace image_test
