// The line program, read back with a decoder written from the DWARF rules,
// and the compile unit's bytes.
#include "image/dwarf.h"

#include <gtest/gtest.h>

#include "line_reader.h"
#include "samples.h"

namespace image_test {
namespace {

using image::LinePosition;
using image::Program;

// A Thumb program with one code span of size bytes at 0x8000.
Program code_only(uint32_t size, std::vector<LinePosition> lines) {
  Program p;
  p.entry = 0x8000;
  p.code_end = 0x8000 + size;
  add_bytes(p, 0x8000, std::vector<uint8_t>(size, 0));
  p.spans = {{image::Contents::Code, {0x8000, 0x8000 + size}}};
  p.files = {"a.bas", "b.bas"};
  p.lines = std::move(lines);
  return p;
}

TEST(LineProgram, SampleRowsAndFiles) {
  image::DebugSections d = image::debug_sections(thumb_sample(), "ombrik");
  LineTable t = read_line_program(d.line);
  EXPECT_EQ(t.files, (std::vector<std::string>{"prog.bas", "inc/lib.bas"}));
  // Line 2 made no code and gives way to line 3; line 6 lies behind the
  // code; the sequence ends at the end of the code, not of its record.
  EXPECT_EQ(t.rows, (std::vector<LineRow>{{0x8004, 1, 1, false},
                                          {0x8008, 1, 3, false},
                                          {0x800A, 2, 1, false},
                                          {0x800C, 1, 5, false},
                                          {0x8014, 1, 5, true}}));
}

struct Case {
  const char *name;
  uint32_t size;
  std::vector<LinePosition> lines;
  std::vector<LineRow> rows;
};

class Encoding : public ::testing::TestWithParam<Case> {};

TEST_P(Encoding, RowsReadBackAsWritten) {
  const Case &c = GetParam();
  LineTable t = read_line_program(image::debug_sections(code_only(c.size, c.lines), "ombrik").line);
  EXPECT_EQ(t.rows, c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Encoding,
    ::testing::Values(
        // Steps that fit the special opcodes, and their limits.
        Case{"small_steps",
             0x40,
             {{0, 1, 0x8000}, {0, 2, 0x8002}, {0, 10, 0x8004}, {0, 6, 0x8010}, {0, 14, 0x8020}},
             {{0x8000, 1, 1, false},
              {0x8002, 1, 2, false},
              {0x8004, 1, 10, false},
              {0x8010, 1, 6, false},
              {0x8020, 1, 14, false},
              {0x8040, 1, 14, true}}},
        // Far lines and far addresses need the standard opcodes.
        Case{"far_steps",
             0x3000,
             {{0, 60000, 0x8000}, {0, 3, 0x8002}, {0, 4, 0xA000}, {0, 65535, 0xAFFE}},
             {{0x8000, 1, 60000, false},
              {0x8002, 1, 3, false},
              {0xA000, 1, 4, false},
              {0xAFFE, 1, 65535, false},
              {0xB000, 1, 65535, true}}},
        // A change of file, back and forth.
        Case{"files",
             0x10,
             {{0, 5, 0x8000}, {1, 1, 0x8004}, {1, 2, 0x8006}, {0, 6, 0x8008}},
             {{0x8000, 1, 5, false},
              {0x8004, 2, 1, false},
              {0x8006, 2, 2, false},
              {0x8008, 1, 6, false},
              {0x8010, 1, 6, true}}},
        // Lines before the code's first byte of their own keep their order;
        // lines of one address give way to the last of them.
        Case{"shared_addresses",
             0x10,
             {{0, 1, 0x8000}, {0, 2, 0x8000}, {0, 3, 0x8000}, {0, 4, 0x8008}, {0, 5, 0x8010}},
             {{0x8000, 1, 3, false}, {0x8008, 1, 4, false}, {0x8010, 1, 4, true}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LineProgram, OneSequencePerCodeSpan) {
  Program p = code_only(0x20, {{0, 1, 0x8000}, {0, 2, 0x8010}, {0, 3, 0x9000}});
  p.spans[0].range.end = 0x8020;
  add_bytes(p, 0x9000, std::vector<uint8_t>(8, 0));
  p.spans.push_back({image::Contents::IoHandler, {0x9000, 0x9008}});
  p.code_end = 0x9006;
  LineTable t = read_line_program(image::debug_sections(p, "ombrik").line);
  EXPECT_EQ(t.rows, (std::vector<LineRow>{{0x8000, 1, 1, false},
                                          {0x8010, 1, 2, false},
                                          {0x8020, 1, 2, true},
                                          {0x9000, 1, 3, false},
                                          {0x9006, 1, 3, true}}));
}

TEST(LineProgram, NoLinesNoDebugSections) {
  image::DebugSections d = image::debug_sections(code_only(0x10, {}), "ombrik");
  EXPECT_TRUE(d.line.empty());
  EXPECT_TRUE(d.info.empty());
  EXPECT_TRUE(d.abbrev.empty());
  EXPECT_TRUE(d.aranges.empty());
}

TEST(CompileUnit, AddressRangesCoverTheCode) {
  Program p = code_only(0x20, {{0, 1, 0x8000}});
  p.code_end = 0x801A;
  image::DebugSections d = image::debug_sections(p, "ombrik");
  // Length 28, version 2, unit at offset 0, 4-byte addresses, no segment,
  // 4 bytes of padding, one range and the terminating pair.
  EXPECT_EQ(d.aranges, (std::vector<uint8_t>{28, 0, 0, 0, 2, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0,
                                             0x00, 0x80, 0, 0, 0x1A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace image_test
