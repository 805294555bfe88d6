// The listing of the hand-built samples, checked as whole files and
// against objdump's disassembly of the same program's ELF file.
#include "image/listing.h"

#include <gtest/gtest.h>


#include "disassembly_rows.h"
#include "samples.h"
#include "tool_support.h"

namespace image_test {
namespace {

image::SourceText sample_source() {
  return {{{"prog.bas", {"GOSUB HELPER", "' nothing here", "MAIN:", "", "A = 5", "END"}},
           {"inc/lib.bas", {"#include'd line"}}}};
}

const char THUMB_LISTING[] =
    "Thumb code from 00008000 to 00008014, entry 00008000\n"
    "Constant strings from 0003FFE0 to 00040000\n"
    "Variables from 10000100 to 10010100\n"
    "\n"
    "  00008000  F000 F802  bl #0x8008\n"
    "prog.bas:1: GOSUB HELPER\n"
    "HELPER:\n"
    "  00008004  2705       movs r7, #5\n"
    "  00008006  4770       bx lr\n"
    "prog.bas:2: ' nothing here\n"
    "prog.bas:3: MAIN:\n"
    "MAIN:\n"
    "  00008008  B500       push {lr}\n"
    "inc/lib.bas:1: #include'd line\n"
    "  0000800A  4F01       ldr r7, [pc, #4]\n"
    "prog.bas:5: A = 5\n"
    "  0000800C  BD00       pop {pc}\n"
    "  0000800E  0000       .short 0x0000\n"
    "  00008010  5678 1234  .word 0x12345678\n"
    "prog.bas:6: END\n"
    "\n"
    "map\n";

const char ARM_LISTING[] =
    "ARM code from 00008000 to 00008020, entry 00008000\n"
    "Constant strings from 0003FFE0 to 00040000\n"
    "Variables from 10000100 to 10010100\n"
    "\n"
    "  00008000  EA000002  b #0x8010\n"
    "prog.bas:1: GOSUB HELPER\n"
    "HELPER:\n"
    "  00008004  E3A07005  mov r7, #5\n"
    "  00008008  E12FFF1E  bx lr\n"
    "  0000800C  E1A00000  mov r0, r0\n"
    "prog.bas:2: ' nothing here\n"
    "prog.bas:3: MAIN:\n"
    "MAIN:\n"
    "  00008010  E92D4000  stmdb sp!, {lr}\n"
    "inc/lib.bas:1: #include'd line\n"
    "  00008014  E59F7000  ldr r7, [pc]\n"
    "prog.bas:5: A = 5\n"
    "  00008018  E8BD8000  ldm sp!, {pc}\n"
    "  0000801C  12345678  .word 0x12345678\n"
    "\n"
    "map\n";

TEST(Listing, ThumbSampleAsAWholeFile) {
  std::string out;
  ASSERT_EQ(image::write_listing(thumb_sample(), sample_source(), "map\n", out), "");
  EXPECT_EQ(out, THUMB_LISTING);
}

TEST(Listing, ArmSampleAsAWholeFile) {
  std::string out;
  ASSERT_EQ(image::write_listing(arm_sample(), sample_source(), "map\n", out), "");
  EXPECT_EQ(out, ARM_LISTING);
}

TEST(Listing, UnknownSourceLinesShowTheirPlaceOnly) {
  std::string out;
  ASSERT_EQ(image::write_listing(thumb_sample(), image::SourceText{}, "", out), "");
  EXPECT_NE(out.find("\nprog.bas:1:\nHELPER:\n"), std::string::npos) << out;
  EXPECT_EQ(out.substr(out.size() - 13), "\nprog.bas:6:\n") << out;
}

TEST(Listing, IoHandlerCodeShowsItsUnitsOnly) {
  image::Program p = thumb_sample();
  p.spans[0].range.end = 0x8010;
  p.spans.insert(p.spans.begin() + 1, {image::Contents::IoHandler, {0x8010, 0x8020}});
  p.data = {{0x800E, 0x8010}};
  p.code_end = 0x8016;
  std::string out;
  ASSERT_EQ(image::write_listing(p, image::SourceText{}, "", out), "");
  EXPECT_NE(out.find("Thumb code from 00008000 to 00008010, entry 00008000\n"
                     "I/O-handler code from 00008010 to 00008016\n"),
            std::string::npos)
      << out;
  const std::string end = "  00008010  5678 1234\nprog.bas:6:\n  00008014  0000\n";
  ASSERT_GE(out.size(), end.size());
  EXPECT_EQ(out.substr(out.size() - end.size()), end) << out;
}

TEST(Listing, ErasedFlashIsOneLine) {
  image::Program p = thumb_sample();
  // __MAP__ CODE left 0x100 bytes of erased flash before the last line.
  p.spans[0].range.end = 0x8120;
  p.segments[0].bytes.resize(0x120);
  std::fill(p.segments[0].bytes.begin() + 0x14, p.segments[0].bytes.end(), 0xFF);
  p.segments[0].bytes[0x114] = 0x70;
  p.segments[0].bytes[0x115] = 0x47;
  p.data = {{0x800E, 0x8014}};
  p.code_end = 0x8116;
  p.lines.back().address = 0x8114;
  std::string out;
  ASSERT_EQ(image::write_listing(p, image::SourceText{}, "", out), "");
  EXPECT_NE(out.find("  00008010  5678 1234  .word 0x12345678\n"
                     "  00008014             (256 bytes of erased flash)\n"
                     "prog.bas:6:\n"
                     "  00008114  4770       bx lr\n"),
            std::string::npos)
      << out;
}

TEST(Listing, AgreesWithObjdumpOnEveryInstructionAndDataWord) {
  for (auto make : {thumb_sample, arm_sample}) {
    image::Program p = make();
    std::string listing;
    ASSERT_EQ(image::write_listing(p, sample_source(), "", listing), "");
    std::vector<Row> from_listing = listing_rows(listing);
    TempDir dir;
    std::string elf = dir.path("prog.elf");
    ASSERT_EQ(write_elf_file(p, elf), "");
    std::vector<Row> from_objdump = objdump_rows(elf);
    // objdump shows the rest of the last record too.
    std::erase_if(from_objdump, [&p](const Row &r) { return r.address >= p.code_end; });
    EXPECT_EQ(from_listing, from_objdump);
    EXPECT_EQ(from_listing.size(), 8u);
  }
}

}  // namespace
}  // namespace image_test
