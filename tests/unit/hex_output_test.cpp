// The Intel HEX image, read back block by block with srec_cat.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "arm_support.h"
#include "codegen_support.h"
#include "driver/driver.h"
#include "driver/hex_output.h"
#include "frontend/tokenizer.h"

namespace {

using Bytes = std::map<uint32_t, uint8_t>;
using Lines = std::vector<std::string>;

// The scramble key as the firmware knows it.
const char KEY[] = "Ombrik (c) 2026 its developers.";

Lines split_lines(const std::string &text) {
  Lines lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// One Intel HEX record by the format's own rule: the checksum makes the sum
// of every byte from the length on zero.
std::string record(uint8_t type, uint16_t address, const std::vector<uint8_t> &data) {
  std::vector<uint8_t> all = {static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address >> 8),
                              static_cast<uint8_t>(address & 0xFF), type};
  all.insert(all.end(), data.begin(), data.end());
  unsigned sum = 0;
  std::string text = ":";
  char b[4];
  for (uint8_t x : all) {
    snprintf(b, sizeof b, "%02X", x);
    text += b;
    sum += x;
  }
  snprintf(b, sizeof b, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  return text + b;
}

const std::string EOF_RECORD = ":00000001FF";

struct Block {
  Lines records;     // as written, the closing end-of-file record excluded
  Bytes data;        // data bytes as srec_cat reads them (16-bit addresses)
  bool closed;       // ended by an end-of-file record
};

// srec_cat's reading of one block of Intel HEX text.
Bytes srec_read(const std::string &text) {
  char path[] = "/tmp/ombrik_hex_XXXXXX";
  int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  if (fd < 0) return {};
  EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  std::string command = std::string(OMBRIK_SREC_CAT) + " " + path + " -Intel -o - -HEX_Dump 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int status = pclose(pipe);
  unlink(path);
  EXPECT_EQ(status, 0) << out << "\n--- for ---\n" << text;
  Bytes bytes;
  for (const std::string &line : split_lines(out)) {
    // "AAAAAAAA: XX XX ... #text", a byte per three columns, blanks where
    // there is none.
    EXPECT_TRUE(line.size() > 10 && line[8] == ':') << "srec_cat said: " << line;
    if (line.size() <= 10 || line[8] != ':') continue;
    uint32_t address = static_cast<uint32_t>(strtoul(line.substr(0, 8).c_str(), nullptr, 16));
    for (int k = 0; k < 16; k++) {
      size_t col = 10 + 3 * static_cast<size_t>(k);
      if (col + 2 > line.size() || line[col] == ' ' || line[col] == '#') continue;
      bytes[address + static_cast<uint32_t>(k)] = static_cast<uint8_t>(strtoul(line.substr(col, 2).c_str(), nullptr, 16));
    }
  }
  return bytes;
}

// Splits the image into its blocks and reads each back. Lines that are not
// records (the truncation note) are returned in notes; the block markers of
// the 1792..2100 firmware are not Intel HEX and are left to the test: they
// stay in records but are not given to the reader.
std::vector<Block> read_back(const std::string &text, Lines *notes = nullptr) {
  std::vector<Block> blocks;
  Block current{{}, {}, false};
  std::string for_reader;
  for (const std::string &line : split_lines(text)) {
    if (line.empty() || line[0] != ':') {
      if (notes) notes->push_back(line);
      continue;
    }
    bool marker = line.size() >= 11 && line.compare(1, 2, "00") == 0 &&
                  line.compare(line.size() - 4, 4, "02EE") == 0;
    if (!marker) for_reader += line + "\n";
    if (line == EOF_RECORD) {
      current.closed = true;
      current.data = srec_read(for_reader);
      blocks.push_back(current);
      current = Block{{}, {}, false};
      for_reader.clear();
      continue;
    }
    current.records.push_back(line);
  }
  if (!current.records.empty()) {
    for_reader += EOF_RECORD + "\n";  // the reader wants an end; the image had none here
    current.data = srec_read(for_reader);
    blocks.push_back(current);
  }
  return blocks;
}

// Bytes of units first..last-1 as the code area holds them, by 16-bit
// address.
Bytes code_bytes(uint32_t first, uint32_t last) {
  Bytes b;
  for (uint32_t i = first; i < last; i++) {
    uint32_t a = static_cast<uint32_t>(firmware.codeStart) + 2 * i;
    b[a & 0xFFFF] = static_cast<uint8_t>(Flash_codes[i] & 0xFF);
    b[(a + 1) & 0xFFFF] = static_cast<uint8_t>((Flash_codes[i] >> 8) & 0xFF);
  }
  return b;
}

Bytes string_bytes(int64_t top, int32_t from, int32_t to) {
  Bytes b;
  for (int32_t i = from; i < to; i++)
    b[static_cast<uint32_t>(top + i - 0x20000) & 0xFFFF] = static_cast<uint8_t>(g_stringtable[i]);
  return b;
}

class HexOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_target(2101);
    for (int i = 0; i < 0x800; i++) g_symboltable[i] = 0;
    symtab.g_STP = 0;
  }
  std::string image() { return capture_stdout([] { write_image(); }); }
  void program(uint32_t units) {
    for (uint32_t i = 0; i < units; i++) emit_unit(static_cast<int32_t>(0x1000 + 0x111 * i) & 0xFFFF);
  }
};

TEST_F(HexOutput, RecordsAndChecksumsOfASmallProgram) {
  program(20);
  Flash_codes[20] = 0xABCD;  // beyond fCODE: written as it stands
  std::string text = image();
  Lines lines = split_lines(text);
  ASSERT_EQ(lines.size(), 4u) << text;
  // By hand: 20 01 00 30 ... the first halfwords 0x1000, 0x1111, 0x1222.
  EXPECT_EQ(lines[0].substr(0, 21), ":20300000001011112212");
  std::vector<uint8_t> first, second;
  for (int i = 0; i < 16; i++) {
    first.push_back(static_cast<uint8_t>(Flash_codes[i] & 0xFF));
    first.push_back(static_cast<uint8_t>(Flash_codes[i] >> 8));
    second.push_back(static_cast<uint8_t>(Flash_codes[16 + i] & 0xFF));
    second.push_back(static_cast<uint8_t>(Flash_codes[16 + i] >> 8));
  }
  EXPECT_EQ(lines[0], record(0, 0x3000, first));
  EXPECT_EQ(lines[1], record(0, 0x3020, second));
  // The extended address record of the block: 0x0000 + word 5.
  EXPECT_EQ(lines[2], ":020000040005F5");
  EXPECT_EQ(lines[3], EOF_RECORD);
  std::vector<Block> blocks = read_back(text);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].data, code_bytes(0, 32));
}

TEST_F(HexOutput, ScrambledRecordOfZerosShowsTheNegatedKey) {
  for (uint16_t version : {2054, 2048, 2100, 1792, 1908}) {
    SCOPED_TRACE(version);
    fresh_target(version);
    if (version < 2048) {
      for (int i = 0; i < 8; i++) emit_unit(0);
    } else {
      for (int i = 0; i < 16; i++) emit_unit(0);
    }
    std::string text = image();
    std::vector<uint8_t> data;
    for (int p = 0; p < 32; p++) data.push_back(p % 4 == 3 ? 0 : static_cast<uint8_t>(-KEY[p]));
    Lines lines = split_lines(text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], record(0, 0x3000, data));
    std::vector<Block> blocks = read_back(text);
    ASSERT_FALSE(blocks.empty());
    Bytes expected;
    for (uint32_t p = 0; p < 32; p++) expected[0x3000 + p] = data[p];
    EXPECT_EQ(blocks[0].data, expected);
  }
}

TEST_F(HexOutput, NoScramblingOutsideItsVersionsOrForSmallPartNumbers) {
  struct Case {
    uint16_t version, part;
  };
  for (Case c : {Case{2101, 0x2138}, Case{2047, 0x2138}, Case{1909, 0x2138}, Case{1791, 0x2138},
                 Case{2054, 0x100}, Case{1800, 0x0FF}}) {
    SCOPED_TRACE(testing::Message() << c.version << " " << c.part);
    fresh_target(c.version);
    f_table[2] = c.part;
    compute_firmware_facts();
    for (int i = 0; i < 16; i++) emit_unit(0);
    std::string text = image();
    EXPECT_EQ(split_lines(text)[0], record(0, 0x3000, std::vector<uint8_t>(32, 0)));
  }
}

TEST_F(HexOutput, BlockRecordsByFirmwareVersion) {
  struct Case {
    uint16_t version;
    int32_t code_start;
    std::string block_record;  // empty: none
  };
  const Case cases[] = {
      {1791, 0x12000, ""},
      {2100, 0x3000, ""},
      {2100, 0x12000, ":00120002EE"},
      {2100, 0x2345000, ":0023450002EE"},
      {2101, 0x3000, ":020000040005F5"},
      {2101, 0x12000, ":020000040006F4"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.version << " at " << std::hex << c.code_start);
    fresh_target(c.version);
    f_table[2] = 0x100;  // no scrambling
    compute_firmware_facts();
    firmware.codeStart = c.code_start;
    firmware.blockSize = 0x100;
    // Exactly one block: 256 bytes of words or halfwords.
    uint32_t count = c.version < 2048 ? 64 : 128;
    for (uint32_t i = 0; i < count; i++) emit_unit(static_cast<int32_t>(0x01020304u * (i + 1)));
    if (c.version >= 2048)
      for (uint32_t i = 0; i < count; i++) Flash_codes[i] &= 0xFFFF;
    std::string text = image();
    Lines lines = split_lines(text);
    ASSERT_EQ(lines.size(), 8u + (c.block_record.empty() ? 0 : 1) + 1) << text;
    if (!c.block_record.empty()) {
      EXPECT_EQ(lines[8], c.block_record);
    }
    EXPECT_EQ(lines.back(), EOF_RECORD);
    std::vector<Block> blocks = read_back(text);
    ASSERT_EQ(blocks.size(), 1u);
    Bytes expected;
    for (uint32_t i = 0; i < count; i++) {
      uint32_t unit_bytes = c.version < 2048 ? 4 : 2;
      for (uint32_t b = 0; b < unit_bytes; b++)
        expected[(static_cast<uint32_t>(c.code_start) + unit_bytes * i + b) & 0xFFFF] =
            static_cast<uint8_t>(static_cast<uint32_t>(Flash_codes[i]) >> (8 * b));
    }
    EXPECT_EQ(blocks[0].data, expected);
  }
}

TEST_F(HexOutput, ArmCodeIsWrittenInWordsAcrossBlocks) {
  fresh_target(1791);
  firmware.blockSize = 0x40;  // 16 words a block
  for (uint32_t i = 0; i < 20; i++) emit_unit(static_cast<int32_t>(0xE0000000u + i));
  std::string text = image();
  std::vector<Block> blocks = read_back(text);
  // Two full blocks of two records; the second holds words 16..23.
  ASSERT_EQ(blocks.size(), 2u) << text;
  EXPECT_EQ(blocks[0].records.size(), 2u);
  EXPECT_EQ(blocks[1].records.size(), 1u);
  EXPECT_EQ(blocks[0].data.size(), 64u);
  EXPECT_EQ(blocks[0].data.at(0x3000), 0x00);
  EXPECT_EQ(blocks[0].data.at(0x3003), 0xE0);
  EXPECT_EQ(blocks[0].data.at(0x303C), 0x0F);
  EXPECT_EQ(blocks[1].data.at(0x3040), 0x10);
  EXPECT_EQ(blocks[1].data.at(0x3043), 0xE0);
  EXPECT_EQ(blocks[1].data.at(0x304C), 0x13);
  EXPECT_EQ(blocks[1].data.size(), 32u);
}

TEST_F(HexOutput, ACodeAreaEndingOnABlockBoundaryIsClosedOnce) {
  firmware.blockSize = 0x100;
  program(128);
  std::string text = image();
  Lines lines = split_lines(text);
  ASSERT_EQ(lines.size(), 10u) << text;
  EXPECT_EQ(lines[8], ":020000040005F5");
  EXPECT_EQ(lines[9], EOF_RECORD);
  std::vector<Block> blocks = read_back(text);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].data, code_bytes(0, 128));
}

TEST_F(HexOutput, ErasedStretchesAreSkipped) {
  firmware.blockSize = 0x100;  // the skip passes 256 units at a time
  for (int i = 0; i < 256; i++) emit_unit(0xFFFF);
  program(20);
  std::string text = image();
  std::vector<Block> blocks = read_back(text);
  ASSERT_EQ(blocks.size(), 1u) << text;
  EXPECT_EQ(blocks[0].records.size(), 3u);
  EXPECT_EQ(blocks[0].records[0].substr(0, 7), ":203200");
  EXPECT_EQ(blocks[0].data, code_bytes(256, 288));
}

TEST_F(HexOutput, ErasedLookingEndsDoNotHideCodeInBetween) {
  firmware.blockSize = 0x100;
  for (int i = 0; i < 256; i++) emit_unit(0xFFFF);
  Flash_codes[100] = 0x4770;  // real code among erased halfwords
  program(4);
  std::string text = image();
  std::vector<Block> blocks = read_back(text);
  // Nothing skipped: the stretch is written as two blocks and the rest.
  ASSERT_EQ(blocks.size(), 3u) << text;
  EXPECT_EQ(blocks[0].data, code_bytes(0, 128));
  EXPECT_EQ(blocks[0].data.at(0x3000 + 200), 0x70);
  EXPECT_EQ(blocks[2].data, code_bytes(256, 272));
}

TEST_F(HexOutput, AnErasedTailIsSkippedWithoutReadingPastTheCode) {
  firmware.blockSize = 0x100;
  for (int i = 0; i < 10; i++) emit_unit(0xFFFF);
  // Nothing to write: the erased stretch is skipped and ends on a block
  // boundary.
  EXPECT_EQ(image(), "");
}

TEST_F(HexOutput, ConstantStringsBelowTheTopOfFlash) {
  f_table[1] = 95;
  f_table[41] = 0x7900;  // strings end at 0x79000
  program(4);
  const char text_a[] = "HELLO, WORLD";
  cstrings.ConstantStringPtr = 0x20000 - 40;
  for (int i = 0; i < 40; i++) g_stringtable[cstrings.ConstantStringPtr + i] = static_cast<char>('A' + i % 26);
  memcpy(g_stringtable + cstrings.ConstantStringPtr, text_a, sizeof text_a);
  std::string text = image();
  std::vector<Block> blocks = read_back(text);
  ASSERT_EQ(blocks.size(), 2u) << text;
  EXPECT_EQ(blocks[0].data, code_bytes(0, 16));
  // From 0x1FFC0 (40 bytes rounded down to 32) to the top: 0x78FC0..0x78FFF.
  ASSERT_EQ(blocks[1].records.size(), 3u);
  EXPECT_EQ(blocks[1].records[0].substr(0, 7), ":208FC0");
  EXPECT_EQ(blocks[1].records[1].substr(0, 7), ":208FE0");
  // The block at 0x78000: upper address 7 + 5.
  EXPECT_EQ(blocks[1].records[2], ":02000004000CEE");
  EXPECT_EQ(blocks[1].data, string_bytes(0x79000, 0x1FFC0, 0x20000));
}

TEST_F(HexOutput, ConstantStringsGoToFlashEndWithoutWord41) {
  firmware.FlashEnd = 0x5A000;
  f_table[41] = 0x7900;  // not part of a short table
  compute_firmware_facts();
  program(4);
  cstrings.ConstantStringPtr = 0x20000 - 32;
  memcpy(g_stringtable + cstrings.ConstantStringPtr, "0123456789abcdef0123456789abcdef", 32);
  std::vector<Block> blocks = read_back(image());
  ASSERT_EQ(blocks.size(), 2u);
  ASSERT_EQ(blocks[1].records.size(), 2u);
  EXPECT_EQ(blocks[1].records[0].substr(0, 7), ":209FE0");
  EXPECT_EQ(blocks[1].data, string_bytes(0x5A000, 0x1FFE0, 0x20000));
}

TEST_F(HexOutput, CodeInTheStringsFirstBlockStaysOpenForThem) {
  f_table[1] = 95;
  f_table[41] = 0x7900;
  firmware.codeStart = 0x78000;
  program(4);
  cstrings.ConstantStringPtr = 0x20000 - 0x100;  // strings from 0x78F00, same block
  for (int i = cstrings.ConstantStringPtr; i < 0x20000; i++) g_stringtable[i] = static_cast<char>(i);
  std::string text = image();
  std::vector<Block> blocks = read_back(text);
  ASSERT_EQ(blocks.size(), 1u) << text;
  Bytes expected = code_bytes(0, 16);
  Bytes strings = string_bytes(0x79000, 0x20000 - 0x100, 0x20000);
  expected.insert(strings.begin(), strings.end());
  EXPECT_EQ(blocks[0].data, expected);
  EXPECT_EQ(blocks[0].records.back(), ":02000004000CEE");
}

TEST_F(HexOutput, CodeOffsetAndConstantEndLimitWhatIsWritten) {
  program(64);
  emit.CODEoffset = 32;
  f_table[1] = 95;
  f_table[41] = 0x7900;
  cstrings.ConstantStringPtr = 0x20000 - 64;
  for (int i = cstrings.ConstantStringPtr; i < 0x20000; i++) g_stringtable[i] = static_cast<char>(i * 3);
  cstrings.CONSToffset = 0x20000 - 32;
  std::vector<Block> blocks = read_back(image());
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].data, code_bytes(32, 64));
  EXPECT_EQ(blocks[1].data, string_bytes(0x79000, 0x20000 - 64, 0x20000 - 32));
  // The strings did not reach a block's end: no record closes them.
  EXPECT_FALSE(blocks[1].closed);
}

TEST_F(HexOutput, SymbolPage) {
  f_table[1] = 95;
  f_table[41] = 0x7900;
  firmware.DATAstart = 0x78000;
  program(4);
  const char *names[] = {"ALPHA", "BETA", "A_LONGER_LABEL_NAME", "X"};
  for (const char *n : names) add_symbol(n, static_cast<int>(strlen(n)));
  for (int k = 1; k < symtab.g_symbolcount; k++) {
    g_symbol_type[k] = static_cast<uint8_t>('A' + k);
    g_symboladdr[k] = 0x10000 * k + 0x100 + k;
  }
  vars.g_VSP = 0x123;
  vars.g_VSPdim = 0x3F00;
  Lines notes;
  std::string text = image();
  std::vector<Block> blocks = read_back(text, &notes);
  EXPECT_TRUE(notes.empty());
  ASSERT_EQ(blocks.size(), 2u) << text;
  const Block &page = blocks[1];
  // Header, two records of names (33 bytes), one of types, one of
  // addresses, the block's address record.
  ASSERT_EQ(page.records.size(), 6u) << text;
  EXPECT_EQ(page.records[0],
            record(0, 0x9000, {5, 0, 33, 0, 0x23, 0x01, 0x00, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(page.records[1].substr(0, 7), ":209080");
  EXPECT_EQ(page.records[2].substr(0, 7), ":2090A0");
  EXPECT_EQ(page.records[3].substr(0, 7), ":209700");
  EXPECT_EQ(page.records[4].substr(0, 7), ":209780");
  EXPECT_EQ(page.records[5], ":02000004000CEE");
  Bytes expected;
  for (uint32_t k = 0; k < 64; k++) expected[0x9080 + k] = static_cast<uint8_t>(g_symboltable[k]);
  for (uint32_t k = 0; k < 32; k++) expected[0x9700 + k] = g_symbol_type[k];
  for (uint32_t k = 0; k < 16; k++) {
    expected[0x9780 + 2 * k] = static_cast<uint8_t>(g_symboladdr[k] & 0xFF);
    expected[0x9781 + 2 * k] = static_cast<uint8_t>((g_symboladdr[k] >> 8) & 0xFF);
  }
  for (uint32_t k = 0; k < 16; k++) expected[0x9000 + k] = 0;
  expected[0x9000] = 5;
  expected[0x9002] = 33;
  expected[0x9004] = 0x23;
  expected[0x9005] = 0x01;
  expected[0x9007] = 0x3F;
  EXPECT_EQ(page.data, expected);
  // Symbol 2 at 0x20102: its low half 0x0102 at 0x9780 + 4.
  EXPECT_EQ(page.data.at(0x9784), 0x02);
  EXPECT_EQ(page.data.at(0x9785), 0x01);
}

TEST_F(HexOutput, NoSymbolPageUnlessDataStartsAPageBelowTheTop) {
  f_table[1] = 95;
  f_table[41] = 0x7900;
  firmware.DATAstart = 0x77000;
  program(4);
  add_symbol("ALPHA", 5);
  std::vector<Block> blocks = read_back(image());
  EXPECT_EQ(blocks.size(), 1u);
}

TEST_F(HexOutput, SymbolPageCountsUpTo128SymbolsAndTruncatesNames) {
  f_table[1] = 95;
  f_table[41] = 0x7900;
  firmware.DATAstart = 0x78000;
  program(4);
  char name[32];
  // 200 names of 11 characters and a zero: 2400 bytes, beyond 0x680.
  for (int k = 0; k < 200; k++) {
    snprintf(name, sizeof name, "LABEL%06d", k);
    add_symbol(name, 11);
  }
  g_symbol_type[0] = 0xEE;
  Lines notes;
  std::string text = image();
  std::vector<Block> blocks = read_back(text, &notes);
  // Offset 0x67F = 1663 = 138 * 12 + 7 lies in the 139th name, LABEL000138.
  EXPECT_EQ(notes, Lines{"\"labels truncated after LABEL000138"});
  ASSERT_EQ(blocks.size(), 2u);
  const Block &page = blocks[1];
  // Header, 52 name records (0x000..0x67F), 4 type records, 8 address
  // records, the address record.
  EXPECT_EQ(page.records.size(), 1u + 52u + 4u + 8u + 1u);
  EXPECT_EQ(page.records[52].substr(0, 7), ":2096E0");
  EXPECT_EQ(page.records[53].substr(0, 7), ":209700");
  EXPECT_EQ(page.records[64].substr(0, 7), ":209860");
  // The names end at 0x96FF; the types follow, not the 0x681st name byte.
  EXPECT_EQ(page.data.at(0x9080 + 0x67F), static_cast<uint8_t>(g_symboltable[0x67F]));
  EXPECT_EQ(page.data.at(0x9700), 0xEE);
}

TEST_F(HexOutput, OutBlockAddressAlone) {
  struct Case {
    uint16_t version;
    uint32_t address;
    std::string text;
  };
  const Case cases[] = {
      {1791, 0x79000, ""},
      {1792, 0xF000, ""},
      {1792, 0x10000, ":00100002EE\n"},
      {2100, 0x3FFF0000, ":003FFF00002EE\n"},
      {2100, 0xC0000000, ""},  // bits 30 and 31 do not count
      {2101, 0x0, ":020000040005F5\n"},
      {2101, 0x20079000, ":02000004200CCE\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.version << " " << std::hex << c.address);
    fresh_target(c.version);
    EXPECT_EQ(capture_stdout([&] { out_block_addr(c.address); }), c.text);
  }
}

TEST_F(HexOutput, RecordPrimitives) {
  std::string out = capture_stdout([] {
    init_ihex(0x10 + 0x12 + 0x34);
    for (int b : {1, 2, 3, 0x1FF}) put_ihex(b);
    put_ihex_chksum();
  });
  // 0x56 + 1 + 2 + 3 + 0xFF = 0x15B: checksum 0xA5.
  EXPECT_EQ(out, "010203FFA5\n");
  EXPECT_EQ(ihex.cnt_ihex, 4);
  EXPECT_EQ(ihex.chksum, 0x15B);
}

}  // namespace

// ARM-class images: real ARM code built through add_op, written in words.
namespace {

class ArmHexOutput : public ::testing::Test {
 protected:
  std::string image() { return capture_stdout([] { write_image(); }); }

  // A program at code_start for firmware version with part identifier
  // part: MAIN, constants and variables near and far, a GOSUB to a label
  // behind END; resolved as for QUITDUMP. Returns the number of words.
  uint32_t arm_program(uint16_t version, uint16_t part, int32_t code_start) {
    arm_target(version);
    f_table[2] = part;
    f_table[4] = static_cast<uint16_t>(code_start / 16);
    f_table[41] = 0x7900;
    init_compiler();
    firmware.blockSize = 0x100;  // 64 words a block
    for (int i = 0; i < 0x800; i++) g_symboltable[i] = 0;
    int32_t routine = add_symbol("ROUTINE", 7);
    add_op(OP_MAIN, 0);
    add_op(OP_CONST, 0x12345678);
    add_op(OP_STVAR, 1);
    add_op(OP_LDVAR, 2000);
    add_op(OP_GOSUB, routine);
    add_op(OP_PRINTNUM, 0);
    while (emit.fCODE < 70) add_op(OP_IADD, 0);
    add_op(OP_END, 0);
    g_symboladdr[routine] = static_cast<int32_t>(emit.fCODE);
    g_symbol_type[routine] = SYM_LABEL;
    add_op(OP_LABEL, 0);
    add_op(OP_PRINTCR, 0);
    add_op(OP_RETURN, 0);
    optimizeTJ(0, 1);
    return emit.fCODE;
  }

  // The image's words as bytes, least significant first, by 16-bit
  // address; to a whole record of eight words.
  Bytes word_bytes(uint32_t first, uint32_t last) {
    Bytes b;
    for (uint32_t i = first; i < last; i++)
      for (uint32_t k = 0; k < 4; k++)
        b[(static_cast<uint32_t>(firmware.codeStart) + 4 * i + k) & 0xFFFF] =
            static_cast<uint8_t>(static_cast<uint32_t>(Flash_codes[i]) >> (8 * k));
    return b;
  }
};

TEST_F(ArmHexOutput, WordsInRecordsWithBlockMarkers) {
  uint32_t words_used = arm_program(1950, 0x2138, 0x12000);
  ASSERT_EQ(words_used, 76u);
  // Word 0 leads to MAIN at word 1; the GOSUB at word 6 calls the
  // label's prologue at word 73: 73 - 6 - 2 = 65.
  EXPECT_EQ(Flash_codes[0], static_cast<int32_t>(0xEAFFFFFF));
  EXPECT_EQ(Flash_codes[6], static_cast<int32_t>(0xEB000041));
  std::string text = image();
  std::vector<Block> blocks = read_back(text);
  // 64 words in the first block, 16 (to the whole record) in the second;
  // each block ends with its marker (address >> 4, then 0xEE).
  ASSERT_EQ(blocks.size(), 2u) << text;
  ASSERT_EQ(blocks[0].records.size(), 9u);
  EXPECT_EQ(blocks[0].records[8], ":00120002EE");
  ASSERT_EQ(blocks[1].records.size(), 3u);
  EXPECT_EQ(blocks[1].records[2], ":00121002EE");
  EXPECT_TRUE(blocks[1].closed);
  // The first record by hand: 32 bytes at 0x2000 (the low 16 bits of
  // 0x12000), type 0, the jump least significant byte first.
  EXPECT_EQ(blocks[0].records[0].substr(0, 17), ":20200000FFFFFFEA");
  std::vector<uint8_t> first;
  for (uint32_t i = 0; i < 8; i++)
    for (uint32_t k = 0; k < 4; k++) first.push_back(static_cast<uint8_t>(static_cast<uint32_t>(Flash_codes[i]) >> (8 * k)));
  EXPECT_EQ(blocks[0].records[0], record(0, 0x2000, first));
  EXPECT_EQ(blocks[0].data, word_bytes(0, 64));
  EXPECT_EQ(blocks[1].data, word_bytes(64, 80));
}

TEST_F(ArmHexOutput, NoBlockMarkerBelow0x10000) {
  arm_program(2047, 0x2138, 0x3000);
  std::string text = image();
  std::vector<Block> blocks = read_back(text);
  ASSERT_EQ(blocks.size(), 2u) << text;
  EXPECT_EQ(blocks[0].records.size(), 8u);
  EXPECT_EQ(blocks[1].records.size(), 2u);
  EXPECT_EQ(blocks[0].data, word_bytes(0, 64));
  EXPECT_EQ(blocks[1].data, word_bytes(64, 80));
}

TEST_F(ArmHexOutput, ScramblingForFirmware1792To1908) {
  struct Case {
    uint16_t version, part;
    bool scrambled;
  };
  for (Case c : {Case{1813, 0x2138, true}, Case{1908, 0x2106, true}, Case{1908, 0x100, false},
                 Case{1909, 0x2138, false}, Case{2047, 0x2138, false}}) {
    SCOPED_TRACE(testing::Message() << c.version << " part " << std::hex << c.part);
    arm_program(c.version, c.part, 0x12000);
    std::vector<Block> blocks = read_back(image());
    ASSERT_EQ(blocks.size(), 2u);
    Bytes expected = word_bytes(0, 64);
    Bytes later = word_bytes(64, 80);
    expected.insert(later.begin(), later.end());
    Bytes got = blocks[0].data;
    got.insert(blocks[1].data.begin(), blocks[1].data.end());
    ASSERT_EQ(got.size(), expected.size());
    for (const auto &[address, byte] : expected) {
      // Position in its 32-byte record; the top byte of every word (the
      // condition and opcode) is never scrambled.
      uint32_t p = (address - 0x2000) % 32;
      uint8_t shown = c.scrambled && p % 4 != 3 ? static_cast<uint8_t>(byte - KEY[p]) : byte;
      EXPECT_EQ(got.at(address), shown) << std::hex << address;
    }
  }
}

}  // namespace
