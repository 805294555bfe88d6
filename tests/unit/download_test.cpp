#include <cstdio>
#include <map>
#include <string>

#include "codegen/emit.h"
#include "core/firmware.h"
#include "driver/driver.h"
#include "frontend/symbols.h"
#include "test_support.h"

namespace {

// A download as the outside program sends it after the "?" line: version,
// count, then count + 1 words, each as four hexadecimal digits.
std::string table_text(int version, int count, const std::map<int, int> &words, int last = -1) {
  if (last < 0) last = count + 2;
  char buf[16];
  std::string text;
  snprintf(buf, sizeof buf, "%04X\n", version);
  text += buf;
  snprintf(buf, sizeof buf, "%04X\n", count);
  text += buf;
  for (int i = 2; i <= last; i++) {
    auto it = words.find(i);
    snprintf(buf, sizeof buf, "%04x\n", it == words.end() ? 0 : it->second);
    text += buf;
  }
  return text;
}

void download(const std::string &text) {
  StdinFeed feed(text);
  testing::internal::CaptureStdout();
  download_firmware_table();
  testing::internal::GetCapturedStdout();
}

class DownloadTest : public CompilerTest {};

TEST_F(DownloadTest, ShortTableKeepsLayoutDefaults) {
  download(table_text(2054, 4, {{2, 0x2138}, {3, 0x1C00}, {4, 0x0300}, {5, 5}, {6, 0x1234}}) + "FFFF\n");
  EXPECT_EQ(f_table[6], 0x1234);
  EXPECT_EQ(f_table[7], 0);  // the word after the list is not read
  EXPECT_EQ(firmware.codeStart, 0x3000);
  EXPECT_EQ(firmware.DATAstart, 0x1C000);
  EXPECT_EQ(firmware.blockSize, 0x1000);
  EXPECT_EQ(firmware.codeSize, 0x10000);
  EXPECT_EQ(firmware.varSpace, 0x4000);
  EXPECT_EQ(firmware.FlashEnd, 0x79000);
  // The download resets the compiler.
  EXPECT_EQ(symtab.g_symbolcount, 1);
  EXPECT_EQ(g_symboladdr[0], 2);
}

TEST_F(DownloadTest, LongTableSetsLayout) {
  download(table_text(2054, 95, {{2, 0x2138}, {3, 0x7F00}, {4, 0x0300}, {40, 0x0800}, {41, 0x8000}, {58, 0x0200}, {97, 0xBEEF}}));
  EXPECT_EQ(f_table[97], 0xBEEF);
  EXPECT_EQ(firmware.blockSize, 0x200);
  EXPECT_EQ(firmware.varSpace, 0x2000);
  EXPECT_EQ(vars.g_VSPdim, 0x2000);
  EXPECT_EQ(firmware.codeSize, ((0x80000 - 0x3000) >> 2) * 2);
  EXPECT_EQ(firmware.FlashEnd, 0x80000);
}

TEST_F(DownloadTest, CountOf160ReadsWord162) {
  download(table_text(2054, 160, {{162, 0x4242}, {41, 0x8000}, {4, 0x300}}) + "0001\n");
  EXPECT_EQ(f_table[162], 0x4242);
  EXPECT_EQ(f_table[163], 0);
}

TEST_F(DownloadTest, EmptyLineEndsEarlyAndKeepsOlderValues) {
  f_table[50] = 0x5555;
  download(table_text(2054, 95, {{2, 0x2138}, {4, 0x0300}, {40, 0x0100}}, 45) + "\n");
  EXPECT_EQ(f_table[40], 0x0100);
  EXPECT_EQ(f_table[50], 0x5555);
  EXPECT_EQ(firmware.varSpace, 0x400);
  EXPECT_EQ(firmware.blockSize, 0x1000);  // word 58 was not sent
  EXPECT_EQ(firmware.codeSize, 0x10000);  // word 41 was sent as 0
}

TEST_F(DownloadTest, LayoutWordsOutOfRangeKeepPreviousValues) {
  struct Layout {
    int version;
    std::map<int, int> words;
    int32_t blockSize, varSpace, codeSize;
  };
  const Layout cases[] = {
      // A block size below 64 is no block size.
      {2054, {{4, 0x300}, {58, 32}}, 0x1000, 0x4000, 0x10000},
      {2054, {{4, 0x300}, {58, 64}}, 64, 0x4000, 0x10000},
      // The variable area is at most 32767 words.
      {2054, {{4, 0x300}, {40, 0x3000}}, 0x1000, 32767, 0x10000},
      // A code end at or below the code start is ignored.
      {2054, {{4, 0x300}, {41, 0x300}}, 0x1000, 0x4000, 0x10000},
      // ARM-class firmware counts code in words.
      {2047, {{4, 0x300}, {41, 0x1300}}, 0x1000, 0x4000, 0x4000},
      // The code image's capacity is never exceeded.
      {2054, {{4, 0x0}, {41, 0xFFFF}}, 0x1000, 0x4000, FLASH_CODES_SIZE - CODE_SIZE_MARGIN},
  };
  for (const Layout &c : cases) {
    SCOPED_TRACE(c.version);
    reset_everything();
    download(table_text(c.version, 95, c.words));
    EXPECT_EQ(firmware.blockSize, c.blockSize);
    EXPECT_EQ(firmware.varSpace, c.varSpace);
    EXPECT_EQ(firmware.codeSize, c.codeSize);
  }
}

TEST_F(DownloadTest, RefusedTables) {
  struct Refusal {
    std::string text;
    int status;
  };
  const Refusal cases[] = {
      {table_text(2054, 5, {}), 4},
      {table_text(2054, 94, {}), 4},
      {table_text(2054, 161, {}), 4},
      {"0806\n0004\n2138\nzzzz\n", 5},
      {"0806\n0004\n2138\n 123\n", 5},
      {table_text(1812, 4, {}), 6},
  };
  for (const Refusal &c : cases) {
    SCOPED_TRACE(c.text.substr(0, 10));
    EXPECT_EXIT(
        {
          StdinFeed feed(c.text);
          download_firmware_table();
        },
        testing::ExitedWithCode(c.status), "");
  }
  download(table_text(1813, 4, {}));
  EXPECT_EQ(f_table[0], 1813);
  EXPECT_EQ(g_symboladdr[0], 1);
}

TEST(HexDigits, SignedDigitConversion) {
  EXPECT_EQ(hexdig2num('0'), 0);
  EXPECT_EQ(hexdig2num('9'), 9);
  EXPECT_EQ(hexdig2num('A'), 10);
  EXPECT_EQ(hexdig2num('f'), 15);
  EXPECT_EQ(hexdig2num(' '), -16);
  EXPECT_EQ(hexdig2num(0), -48);
  EXPECT_EQ(hexdig2num('z'), 19);
  EXPECT_EQ(hexdig2num(static_cast<char>(0xC1)), static_cast<signed char>(0xC1) - '0');
}

TEST(HexRecordCheck, SumOfRecord) {
  struct Record {
    const char *text;
    const char *out;
  };
  const Record cases[] = {
      {":0400000001020304F2", "\nchksum = 0\n"},
      {":0400000001020304F3", "\nchksum = 1\n"},
      {":10010000214601360121470136007EFE09D2190140", "\nchksum = 0\n"},
      // The record type is not part of the sum.
      {":00000001FF", "\nchksum = ff\n"},
      // A short record stops at the end of its line.
      {":04000000010203", "\nchksum = a\n"},
      {":", "\nchksum = 0\n"},
  };
  for (const Record &c : cases) {
    SCOPED_TRACE(c.text);
    testing::internal::CaptureStdout();
    check_hex_record(c.text);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out);
  }
}

}  // namespace
