// ombrik build's image formats end to end: the program on real files, each
// image read back with independent tools and compared with the board's own
// HEX of the same build.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "../cli/process.h"
#include "board_hex.h"
#include "disassembly_rows.h"
#include "tool_support.h"

namespace image_test {
namespace {

namespace fs = std::filesystem;
using ombrik::test::Outcome;
using ombrik::test::run_program;

const std::string SOURCE_DIR = OMBRIK_SOURCE_DIR;

std::string corpus(const std::string &name) { return read_file(SOURCE_DIR + "/tests/emulation/corpus/" + name + ".bas"); }

// A firmware table for the build, and what the board's loader needs to
// know of it to read the board's HEX.
struct Board {
  const char *name;
  const char *table;  // a file of boards/, or nullptr for the built-in table
  // Lines of the table replaced: word n is line n + 1.
  std::vector<std::pair<int, const char *>> changes;
  BoardTable facts;
  uint32_t symbol_page;  // where the firmware keeps it; 0 for none
  bool thumb;
};

const Board CORTEX = {"cortex", "sim-cortex", {}, {2101, 0x0040, 0}, 0x40000, true};
const Board ARM7 = {"arm7", "sim-arm7", {}, {1950, 0x0040, 0}, 0x40000, false};
// The board's loader adds word 5 to the upper address half of its records;
// the flash addresses stay as they are.
const Board CORTEX_OFFSET = {"cortex_offset", "sim-cortex", {{5, "0001"}}, {2101, 0x0040, 1}, 0x40000, true};
// Firmware that wants the bytes scrambled.
const Board ARM7_SCRAMBLED = {"arm7_scrambled", "sim-arm7", {{0, "076C"}, {2, "2138"}}, {1900, 0x2138, 0}, 0x40000, false};
// The built-in table: scrambled Thumb code at 0x3000, strings below
// 0x79000, no symbol page.
const Board BUILTIN = {"builtin", nullptr, {}, {2054, 0x2138, 5}, 0, true};

void PrintTo(const Board &b, std::ostream *os) { *os << b.name; }

// A scratch folder with the board's table in it.
class Workspace {
 public:
  explicit Workspace(const Board &board) : board_(board) {
    if (!board.table) return;
    std::vector<std::string> lines = lines_of(read_file(SOURCE_DIR + "/boards/" + board.table + ".table"));
    for (auto [word, text] : board.changes) lines.at(static_cast<size_t>(word)) = text;
    std::string table;
    for (const std::string &l : lines) table += l + "\n";
    write_file(path("board.table"), table);
  }
  std::string path(const std::string &name) const { return dir_.path(name); }
  void write(const std::string &name, const std::string &text) const {
    fs::create_directories(fs::path(path(name)).parent_path());
    write_file(path(name), text);
  }
  Outcome build(std::vector<std::string> args) const {
    std::vector<std::string> argv = {OMBRIK_BINARY, "build"};
    argv.insert(argv.end(), args.begin(), args.end());
    if (board_.table) {
      argv.push_back("-t");
      argv.push_back("board.table");
    }
    return run_program(argv, "", path(""));
  }

 private:
  TempDir dir_;
  const Board &board_;
};

const char *const PROGRAMS[] = {"fibonacci_gcd", "pool_flush", "strings_basic", "func_byval",
                                "long_jumps",    "const_tables", "far_variables", "sprintf_build"};

// __MAP__ CODE leaves more than a flash block of erased flash, which the
// board's HEX leaves out on Thumb firmware.
const char GAP_PROGRAM[] = "DIM a, b\na = 1\n__MAP__ CODE &HA000\nb = 2\nPRINT \"text\"; a\n";

class BuiltImages : public ::testing::TestWithParam<Board> {};

TEST_P(BuiltImages, StandardHexAndBinaryHoldTheBoardHexsBytes) {
  const Board &board = GetParam();
  std::vector<std::pair<std::string, std::string>> programs;
  for (const char *name : PROGRAMS) programs.emplace_back(name, corpus(name));
  programs.emplace_back("gap", std::string(GAP_PROGRAM));
  for (const auto &[name, text] : programs) {
    SCOPED_TRACE(name);
    Workspace w(board);
    w.write("prog.bas", text);
    ASSERT_EQ(w.build({"prog.bas"}).status, 0);
    ASSERT_EQ(w.build({"prog.bas", "--format=ihex"}).status, 0);
    Outcome bin = w.build({"prog.bas", "-o", "prog.bin"});
    ASSERT_EQ(bin.status, 0) << bin.err;
    ByteMap board_bytes = read_board_hex(read_file(w.path("prog.hex")), board.facts);
    ASSERT_FALSE(board_bytes.empty());

    EXPECT_EQ(read_hex_with_srec_cat(w.path("prog.ihex")), board_bytes);
    EXPECT_EQ(read_hex_with_objcopy(w.path("prog.ihex"), w.path("prog.v")), board_bytes);
    EXPECT_EQ(read_hex_with_intelhex(w.path("prog.ihex")), board_bytes);

    // The binary: from the first byte of the code to the last string byte,
    // erased flash between, at the address build prints.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(bin.out, m, std::regex(R"(prog\.bin: (\d+) bytes to load at 0x([0-9A-F]{8})\n)")))
        << bin.out;
    uint32_t address = static_cast<uint32_t>(std::stoul(m[2], nullptr, 16));
    size_t size = std::stoul(m[1]);
    EXPECT_EQ(address, board_bytes.begin()->first);
    uint32_t end = 0;
    for (const auto &[a, b] : board_bytes)
      if (!board.symbol_page || a < board.symbol_page) end = a + 1;
    EXPECT_EQ(address + size, end);
    std::string bytes = read_file(w.path("prog.bin"));
    ASSERT_EQ(bytes.size(), size);
    ByteMap expected;
    for (uint32_t a = address; a < end; a++) expected[a] = board_bytes.count(a) ? board_bytes[a] : 0xFF;
    Result srec = run(std::string(OMBRIK_SREC_CAT) + " " + quote(w.path("prog.bin")) + " -Binary -offset " +
                      std::to_string(address) + " -o - -VMem 8");
    ASSERT_EQ(srec.status, 0) << srec.out;
    EXPECT_EQ(parse_vmem(srec.out), expected);
    tool(OMBRIK_OBJCOPY, "-I binary -O verilog --change-addresses " + std::to_string(address) + " " +
                             quote(w.path("prog.bin")) + " " + quote(w.path("bin.v")));
    EXPECT_EQ(parse_vmem(read_file(w.path("bin.v"))), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Boards, BuiltImages, ::testing::Values(CORTEX, ARM7, CORTEX_OFFSET, ARM7_SCRAMBLED, BUILTIN),
                         [](const auto &info) { return std::string(info.param.name); });

class BuiltElf : public ::testing::TestWithParam<Board> {};

// Where the listing's header says the code ends: objdump shows the rest of
// the last record too, as data.
uint32_t listed_code_end(const std::string &listing) {
  std::smatch m;
  if (!std::regex_search(listing, m, std::regex(R"(code from [0-9A-F]{8} to ([0-9A-F]{8}))"))) return 0;
  return static_cast<uint32_t>(std::stoul(m[1], nullptr, 16));
}

TEST_P(BuiltElf, DisassemblyEqualsTheListingForEachProgram) {
  for (const char *name : PROGRAMS) {
    SCOPED_TRACE(name);
    Workspace w(GetParam());
    w.write("prog.bas", corpus(name));
    Outcome o = w.build({"prog.bas", "--format=elf", "--listing"});
    ASSERT_EQ(o.status, 0) << o.err;
    std::string listing = read_file(w.path("prog.lst"));
    std::vector<Row> listed = listing_rows(listing);
    ASSERT_GT(listed.size(), 20u);
    std::vector<Row> dumped = objdump_rows(w.path("prog.elf"));
    uint32_t end = listed_code_end(listing);
    std::erase_if(dumped, [end](const Row &r) { return r.address >= end; });
    EXPECT_EQ(dumped, listed);
  }
}

TEST_P(BuiltElf, SectionsAndSymbolsFollowTheBoardAndTheMap) {
  const Board &board = GetParam();
  Workspace w(board);
  w.write("prog.bas", corpus("func_byval"));
  ASSERT_EQ(w.build({"prog.bas"}).status, 0);
  ASSERT_EQ(w.build({"prog.bas", "--format=elf"}).status, 0);
  ByteMap board_bytes = read_board_hex(read_file(w.path("prog.hex")), board.facts);
  std::string elf = w.path("prog.elf");

  // The loadable sections hold what the board's loader writes, and erased
  // flash where it writes nothing (between the parts of the symbol page).
  tool(OMBRIK_OBJCOPY, "-O verilog " + elf + " " + w.path("elf.v"));
  ByteMap loaded = parse_vmem(read_file(w.path("elf.v")));
  for (const auto &[a, b] : board_bytes) ASSERT_TRUE(loaded.count(a)) << std::hex << a;
  int erased = 0;
  for (const auto &[a, b] : loaded) {
    if (board_bytes.count(a)) {
      ASSERT_EQ(b, board_bytes[a]) << std::hex << a;
    } else {
      ASSERT_EQ(b, 0xFF) << std::hex << a;
      erased++;
    }
  }
  // The symbol page's header, names, types and addresses lie apart.
  EXPECT_GT(erased, 0);

  std::string sections = tool(OMBRIK_READELF, "-S -W " + elf);
  char code[80];
  snprintf(code, sizeof code, R"(\.text\s+PROGBITS\s+%08x\s+\S+\s+\S+\s+00\s+AX)", board_bytes.begin()->first);
  EXPECT_TRUE(std::regex_search(sections, std::regex(code))) << sections;
  EXPECT_TRUE(std::regex_search(sections, std::regex(R"(\.rodata\s+PROGBITS\s+0003ffe0\s)"))) << sections;
  EXPECT_TRUE(std::regex_search(sections, std::regex(R"(\.symbol_page\s+PROGBITS\s+00040000\s)"))) << sections;
  const char *bss = board.thumb ? R"(\.bss\s+NOBITS\s+10000100\s+\S+\s+010000\s)" : R"(\.bss\s+NOBITS\s+40000100\s+\S+\s+010000\s)";
  EXPECT_TRUE(std::regex_search(sections, std::regex(bss))) << sections;

  // Every line of the symbol map is a symbol of its kind at its address.
  std::string symbols = tool(OMBRIK_READELF, "-s -W " + elf), nm = tool(OMBRIK_NM, elf);
  static const std::regex map_line(R"(^> 0x([0-9A-F]{8}) (\S+) +(\S+) (\S+)$)");
  int checked = 0;
  for (const std::string &l : lines_of(read_file(w.path("prog.map")))) {
    std::smatch m;
    if (!std::regex_search(l, m, map_line) || m[2] == "OTHER") continue;
    uint32_t address = static_cast<uint32_t>(std::stoul(m[1], nullptr, 16));
    bool code_symbol = m[2] == "CODE" || m[2] == "WFUNCT" || m[2] == "SUB";
    if (code_symbol && board.thumb) address |= 1;
    char row[160];
    snprintf(row, sizeof row, R"(:\s+%08x\s+\d+\s+%s\s+%s\s+DEFAULT\s+\d+\s+%s\n)", address,
             code_symbol ? "FUNC" : "OBJECT", m[3].str().find(':') != std::string::npos ? "LOCAL" : "GLOBAL",
             m[3].str().c_str());
    EXPECT_TRUE(std::regex_search(symbols, std::regex(row))) << l << "\n" << symbols;
    // nm shows code addresses without the Thumb bit.
    char nm_line[120];
    snprintf(nm_line, sizeof nm_line, "%08x %c %s\n", address & ~1u,
             code_symbol ? 'T' : m[3].str().find(':') != std::string::npos ? 'b' : 'B', m[3].str().c_str());
    EXPECT_NE(nm.find(nm_line), std::string::npos) << nm_line << nm;
    checked++;
  }
  EXPECT_EQ(checked, 11);
  EXPECT_TRUE(std::regex_search(symbols, std::regex(board.thumb ? R"(:\s+00008000\s+0\s+NOTYPE\s+LOCAL\s+DEFAULT\s+1 \$t)"
                                                                : R"(:\s+00008000\s+0\s+NOTYPE\s+LOCAL\s+DEFAULT\s+1 \$a)")))
      << symbols;

}

// A program in two files: main.bas includes lib/util.bas.
void write_multi_file_program(const Workspace &w) {
  w.write("main.bas", read_file(SOURCE_DIR + "/tests/image/programs/main.bas"));
  w.write("lib/util.bas", read_file(SOURCE_DIR + "/tests/image/programs/lib/util.bas"));
}

// Where the board's HEX holds the instruction that loads value into r7
// (MOVS r7,#value or MOV r7,#value), which begins the line "x = value".
uint32_t load_r7_address(const ByteMap &bytes, bool thumb, uint8_t value) {
  std::vector<uint8_t> pattern = thumb ? std::vector<uint8_t>{value, 0x27} : std::vector<uint8_t>{value, 0x70, 0xA0, 0xE3};
  uint32_t found = 0;
  int count = 0;
  for (const auto &[a, b] : bytes) {
    if (a % pattern.size() != 0) continue;
    bool match = true;
    for (size_t k = 0; k < pattern.size() && match; k++) {
      auto it = bytes.find(a + static_cast<uint32_t>(k));
      match = it != bytes.end() && it->second == pattern[k];
    }
    if (match) {
      found = a;
      count++;
    }
  }
  EXPECT_EQ(count, 1) << "instances of the load of " << static_cast<int>(value);
  return found;
}

uint32_t map_address(const std::string &map, const std::string &name) {
  std::smatch m;
  if (!std::regex_search(map, m, std::regex("> 0x([0-9A-F]{8}) CODE +" + name + " 0\n"))) return 0;
  return static_cast<uint32_t>(std::stoul(m[1], nullptr, 16));
}

std::string hex_address(uint32_t a) {
  char b[16];
  snprintf(b, sizeof b, "0x%x", a);
  return b;
}

TEST_P(BuiltElf, GdbFindsTheLinesAndLabelsOfAProgramInTwoFiles) {
  const Board &board = GetParam();
  Workspace w(board);
  write_multi_file_program(w);
  ASSERT_EQ(w.build({"main.bas"}).status, 0);
  Outcome o = w.build({"main.bas", "--format=elf"});
  ASSERT_EQ(o.status, 0) << o.err;
  ByteMap bytes = read_board_hex(read_file(w.path("main.hex")), board.facts);
  std::string map = read_file(w.path("main.map"));
  uint32_t x101 = load_r7_address(bytes, board.thumb, 101), y102 = load_r7_address(bytes, board.thumb, 102),
           x103 = load_r7_address(bytes, board.thumb, 103);
  uint32_t twice = map_address(map, "TWICE"), start = map_address(map, "START");
  ASSERT_NE(twice, 0u);
  ASSERT_NE(start, 0u);

  std::string out = tool(OMBRIK_GDB, "-batch -nx -ex 'info line main.bas:6' -ex 'info line main.bas:7' "
                                     "-ex 'info line lib/util.bas:3' -ex 'info line util.bas:3' -ex 'info line *" +
                                         hex_address(y102) + "' -ex 'info symbol " + hex_address(twice + 2) +
                                         "' -ex 'info symbol " + hex_address(start) + "' " + w.path("main.elf"));
  std::vector<std::string> lines = lines_of(out);
  ASSERT_EQ(lines.size(), 7u) << out;
  auto starts = [](const std::string &line, const char *file, uint32_t address) {
    return "Line " + line + " of \"" + file + "\" starts at address " + hex_address(address) + " <";
  };
  EXPECT_EQ(lines[0].rfind(starts("6", "main.bas", x101), 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind(starts("7", "main.bas", y102), 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind(starts("3", "lib/util.bas", x103), 0), 0u) << lines[2];
  EXPECT_EQ(lines[3], lines[2]);
  EXPECT_EQ(lines[4], lines[1]);
  EXPECT_EQ(lines[5], "TWICE + 2 in section .text");
  EXPECT_EQ(lines[6], "START in section .text");
}

// A GOSUB enters a label behind its first unit, the branch over the
// prologue; the label's debug function starts there, so that a debugger
// stepping into the GOSUB stops in it. Its ELF symbol stays at the label.
TEST_P(BuiltElf, GdbSeesALabelsFunctionWhereGosubEntersIt) {
  const Board &board = GetParam();
  Workspace w(board);
  write_multi_file_program(w);
  ASSERT_EQ(w.build({"main.bas"}).status, 0);
  ASSERT_EQ(w.build({"main.bas", "--format=elf"}).status, 0);
  std::string map = read_file(w.path("main.map"));
  uint32_t twice = map_address(map, "TWICE"), start = map_address(map, "START");
  ASSERT_NE(twice, 0u);
  const uint32_t unit = board.thumb ? 2 : 4;
  std::string out = tool(OMBRIK_GDB, "-batch -nx -ex 'info address TWICE' -ex 'info address START' -ex 'info symbol " +
                                         hex_address(twice) + "' " + w.path("main.elf"));
  EXPECT_EQ(out, "Symbol \"TWICE\" is a function at address " + hex_address(twice + unit) +
                     ".\nSymbol \"START\" is a function at address " + hex_address(start + unit) +
                     ".\nTWICE in section .text\n");
}

INSTANTIATE_TEST_SUITE_P(Boards, BuiltElf, ::testing::Values(CORTEX, ARM7),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Listing, OfAProgramInTwoFilesAsAWholeFile) {
  for (const Board *board : {&CORTEX, &ARM7}) {
    SCOPED_TRACE(board->name);
    Workspace w(*board);
    write_multi_file_program(w);
    Outcome o = w.build({"main.bas", "--listing"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(read_file(w.path("main.lst")),
              read_file(SOURCE_DIR + "/tests/image/expected/main." + (board->thumb ? "thumb" : "arm") + ".lst"));
    // The board's HEX is written as without --listing.
    EXPECT_TRUE(fs::exists(w.path("main.hex")));
  }
}

std::vector<std::string> files_in(const std::string &dir) {
  std::vector<std::string> names;
  for (const auto &e : fs::recursive_directory_iterator(dir)) names.push_back(fs::relative(e.path(), dir).string());
  std::sort(names.begin(), names.end());
  return names;
}

struct BadRequest {
  const char *name;
  std::vector<std::string> args;
  int status;
  std::string error;  // the start of standard error
};

class BuildErrors : public ::testing::TestWithParam<BadRequest> {};

TEST_P(BuildErrors, LeaveEverythingAsItWas) {
  const BadRequest &r = GetParam();
  Workspace w(BUILTIN);
  w.write("prog.bas", "DIM a\na = 1\n");
  w.write("broken.bas", "DIM a\na = 1 2\n");
  w.write("prog.elf", "old image");
  fs::create_directory(w.path("prog.lst"));
  std::vector<std::string> before = files_in(w.path(""));
  Outcome o = w.build(r.args);
  EXPECT_EQ(o.status, r.status) << o.err;
  EXPECT_EQ(o.err.substr(0, r.error.size()), r.error) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(files_in(w.path("")), before);
  EXPECT_EQ(read_file(w.path("prog.elf")), "old image");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildErrors,
    ::testing::Values(
        BadRequest{"unknown_format", {"prog.bas", "--format=coff"}, 2,
                   "ombrik: error: unknown image format 'coff' (hex, ihex, elf or bin)\n"},
        BadRequest{"format_and_extension_differ", {"prog.bas", "--format=ihex", "-o", "prog.elf"}, 2,
                   "ombrik: error: the output 'prog.elf' has the extension of the ELF image, but --format=ihex asks "
                   "for the Intel HEX image\n"},
        BadRequest{"image_over_source", {"prog.bas", "--format=elf", "-o", "prog.bas"}, 2,
                   "ombrik: error: the output 'prog.bas' would replace the source file\n"},
        BadRequest{"elf_of_a_program_with_errors", {"broken.bas", "--format=elf"}, 1,
                   "broken.bas:2:7: error: "},
        BadRequest{"unwritable_directory", {"prog.bas", "-o", "missing/prog.elf"}, 9,
                   "ombrik: error: "},
        // The listing cannot be written where a directory is: the ELF file is
        // not replaced either.
        BadRequest{"listing_path_taken", {"prog.bas", "--format=elf", "--listing"}, 9, "ombrik: error: "}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BuildErrorMessages, AnElfOfAProgramWithErrorsIsRefusedByName) {
  Workspace w(BUILTIN);
  w.write("broken.bas", "DIM a\na = 1 2\n");
  Outcome o = w.build({"broken.bas", "--format=elf"});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("\nombrik: error: no ELF image written: the program did not compile\n"), std::string::npos)
      << o.err;
}

TEST(BuildWarnings, AProgramLongerThanTheLineTableBuildsWithOneWarning) {
  Workspace w(CORTEX);
  std::string source = "DIM a\na = 5\n";
  for (int k = 0; k < 65540; k++) source += "' a remark\n";
  source += "a = 7\n";
  w.write("big.bas", source);
  Outcome o = w.build({"big.bas", "--format=elf"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err,
            "big.bas:65537: warning: too many source lines or files for the table of line positions: from this line "
            "on, lines have no code position in the ELF image's line information or in the listing\n");
  // The lines before still have theirs.
  std::string out = tool(OMBRIK_GDB, "-batch -nx -ex 'info line big.bas:2' " + w.path("big.elf"));
  EXPECT_EQ(out.rfind("Line 2 of \"big.bas\" starts at address 0x8004 <MAIN>", 0), 0u) << out;
}

}  // namespace
}  // namespace image_test
