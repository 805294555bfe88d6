// The raw binary, compared with what objcopy and srec_cat make of the
// standard Intel HEX of the same program.
#include "image/raw_binary.h"

#include <gtest/gtest.h>

#include "image/intel_hex.h"
#include "samples.h"
#include "tool_support.h"

namespace image_test {
namespace {

class RawBinary : public ::testing::TestWithParam<image::Program (*)()> {};

TEST_P(RawBinary, RunsFromTheCodeToTheEndOfTheStrings) {
  image::Program p = GetParam()();
  image::RawBinary bin = image::raw_binary(p);
  EXPECT_EQ(bin.address, 0x8000u);
  ASSERT_EQ(bin.bytes.size(), 0x40000u - 0x8000u);

  // objcopy fills the gaps between records with 0xFF and starts at the
  // lowest address; the symbol page is the last 16 bytes it writes.
  TempDir dir;
  std::string hex = dir.path("prog.hex"), from_objcopy = dir.path("objcopy.bin"), from_srec = dir.path("srec.bin");
  write_file(hex, image::intel_hex(p));
  tool(OMBRIK_OBJCOPY, "-I ihex -O binary --gap-fill 0xff " + hex + " " + from_objcopy);
  std::string objcopy_bytes = read_file(from_objcopy);
  ASSERT_EQ(objcopy_bytes.size(), bin.bytes.size() + 16);
  EXPECT_EQ(objcopy_bytes.substr(0, bin.bytes.size()), std::string(bin.bytes.begin(), bin.bytes.end()));

  tool(OMBRIK_SREC_CAT, hex + " -Intel -crop 0x8000 0x40000 -fill 0xFF 0x8000 0x40000 -offset -0x8000 -o " +
                            from_srec + " -Binary");
  EXPECT_EQ(read_file(from_srec), std::string(bin.bytes.begin(), bin.bytes.end()));
}

INSTANTIATE_TEST_SUITE_P(Samples, RawBinary, ::testing::Values(thumb_sample, arm_sample),
                         [](const auto &info) { return info.param == thumb_sample ? "thumb" : "arm"; });

TEST(RawBinaryEdges, WithoutStringsItEndsWithTheCode) {
  image::Program p = thumb_sample();
  p.spans.erase(p.spans.begin() + 1, p.spans.end());
  p.segments.resize(1);
  image::RawBinary bin = image::raw_binary(p);
  EXPECT_EQ(bin.address, 0x8000u);
  EXPECT_EQ(bin.bytes, p.segments[0].bytes);
}

TEST(RawBinaryEdges, NoCodeNoBytes) {
  image::RawBinary bin = image::raw_binary(image::Program{});
  EXPECT_EQ(bin.address, 0u);
  EXPECT_TRUE(bin.bytes.empty());
}

}  // namespace
}  // namespace image_test
