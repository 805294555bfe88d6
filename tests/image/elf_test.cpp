// The ELF writer, read back with readelf, objdump, nm, objcopy, gdb and
// libdw.
#include "image/elf_writer.h"

#include <dwarf.h>
#include <elfutils/libdw.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>

#include "image/intel_hex.h"
#include "samples.h"
#include "tool_support.h"

namespace image_test {
namespace {

using image::Program;

// One ELF file of a sample, written once per test.
class ElfFile {
 public:
  explicit ElfFile(const Program &p) : path_(dir_.path("prog.elf")) { error_ = write_elf_file(p, path_); }
  const std::string &path() const { return path_; }
  const std::string &error() const { return error_; }
  std::string work(const std::string &name) const { return dir_.path(name); }

 private:
  TempDir dir_;
  std::string path_, error_;
};

struct Sample {
  const char *name;
  Program (*make)();
  const char *entry;
  const char *code_mapping;  // $t or $a
  uint32_t main_value;       // MAIN's symbol value, with the Thumb bit
  uint32_t pool;             // where the literal pool's mapping symbol lies
  std::vector<std::string> disassembly;
  std::vector<std::string> gdb;
};

const Sample THUMB = {
    "thumb",
    thumb_sample,
    "0x8001",
    "$t",
    0x8009,
    0x800E,
    {
        "8000: f000 f802 bl 8008 <MAIN>",
        "8004: 2705 movs r7, #5",
        "8006: 4770 bx lr",
        "8008: b500 push {lr}",
        "800a: 4f01 ldr r7, [pc, #4] @ (8010 <MAIN+0x8>)",
        "800c: bd00 pop {pc}",
        "800e: 0000 .short 0x0000",
        "8010: 12345678 .word 0x12345678",
        "8014: 00000000 .word 0x00000000",
        "8018: 00000000 .word 0x00000000",
        "801c: 00000000 .word 0x00000000",
    },
    {
        "Line 1 of \"prog.bas\" starts at address 0x8004 <HELPER> and ends at 0x8008 <MAIN>.",
        "Line 2 of \"prog.bas\" is at address 0x8008 <MAIN> but contains no code.",
        "Line 3 of \"prog.bas\" starts at address 0x8008 <MAIN> and ends at 0x800a <MAIN+2>.",
        "Line 1 of \"inc/lib.bas\" starts at address 0x800a <MAIN+2> and ends at 0x800c <MAIN+4>.",
        "Line 5 of \"prog.bas\" starts at address 0x800c <MAIN+4> and ends at 0x8014.",
        "MAIN + 2 in section .text",
        "HELPER + 2 in section .text",
        "GREETING + 1 in section .rodata",
        "COUNT in section .bss",
    },
};

const Sample ARM = {
    "arm",
    arm_sample,
    "0x8000",
    "$a",
    0x8010,
    0x801C,
    {
        "8000: ea000002 b 8010 <MAIN>",
        "8004: e3a07005 mov r7, #5",
        "8008: e12fff1e bx lr",
        "800c: e1a00000 nop @ (mov r0, r0)",
        "8010: e92d4000 stmfd sp!, {lr}",
        "8014: e59f7000 ldr r7, [pc] @ 801c <MAIN+0xc>",
        "8018: e8bd8000 ldmfd sp!, {pc}",
        "801c: 12345678 .word 0x12345678",
    },
    {
        "Line 1 of \"prog.bas\" starts at address 0x8004 <HELPER> and ends at 0x8010 <MAIN>.",
        "Line 2 of \"prog.bas\" is at address 0x8010 <MAIN> but contains no code.",
        "Line 3 of \"prog.bas\" starts at address 0x8010 <MAIN> and ends at 0x8014 <MAIN+4>.",
        "Line 1 of \"inc/lib.bas\" starts at address 0x8014 <MAIN+4> and ends at 0x8018 <MAIN+8>.",
        "Line 5 of \"prog.bas\" starts at address 0x8018 <MAIN+8> and ends at 0x8020.",
        "MAIN + 2 in section .text",
        "HELPER + 2 in section .text",
        "GREETING + 1 in section .rodata",
        "COUNT in section .bss",
    },
};

void PrintTo(const Sample &s, std::ostream *os) { *os << s.name; }

class Elf : public ::testing::TestWithParam<Sample> {};

TEST_P(Elf, HeaderNamesAnArmEabi5Executable) {
  ElfFile f(GetParam().make());
  ASSERT_EQ(f.error(), "");
  std::string out = tool(OMBRIK_READELF, "-h " + f.path());
  EXPECT_NE(out.find("Class:                             ELF32"), std::string::npos) << out;
  EXPECT_NE(out.find("2's complement, little endian"), std::string::npos) << out;
  EXPECT_NE(out.find("EXEC (Executable file)"), std::string::npos) << out;
  EXPECT_NE(out.find("Machine:                           ARM"), std::string::npos) << out;
  EXPECT_NE(out.find("Flags:                             0x5000000, Version5 EABI"), std::string::npos) << out;
  EXPECT_NE(out.find(std::string("Entry point address:               ") + GetParam().entry + "\n"),
            std::string::npos)
      << out;
}

struct SectionRow {
  std::string type, address, size, flags;
  bool operator==(const SectionRow &) const = default;
};

std::map<std::string, SectionRow> sections(const std::string &readelf) {
  static const std::regex row(
      R"(\[\s*\d+\]\s+(\S+)\s+(\S+)\s+([0-9a-f]{8})\s+[0-9a-f]{6}\s+([0-9a-f]{6})\s+[0-9a-f]{2}\s+([A-Za-z]*)\s+\d+)");
  std::map<std::string, SectionRow> out;
  for (const std::string &l : lines_of(readelf)) {
    std::smatch m;
    if (std::regex_search(l, m, row)) out[m[1]] = {m[2], m[3], m[4], m[5]};
  }
  return out;
}

TEST_P(Elf, SectionsLieAtTheirFlashAndRamAddresses) {
  ElfFile f(GetParam().make());
  ASSERT_EQ(f.error(), "");
  std::map<std::string, SectionRow> expected = {
      {".text", {"PROGBITS", "00008000", "000020", "AX"}},
      {".rodata", {"PROGBITS", "0003ffe0", "000020", "A"}},
      {".symbol_page", {"PROGBITS", "00040000", "000010", "A"}},
      {".bss", {"NOBITS", "10000100", "010000", "WA"}},
      {".ARM.attributes", {"ARM_ATTRIBUTES", "00000000", "", ""}},
      {".debug_abbrev", {"PROGBITS", "00000000", "", ""}},
      {".debug_info", {"PROGBITS", "00000000", "", ""}},
      {".debug_line", {"PROGBITS", "00000000", "", ""}},
      {".debug_aranges", {"PROGBITS", "00000000", "", ""}},
      {".symtab", {"SYMTAB", "00000000", "", ""}},
      {".strtab", {"STRTAB", "00000000", "", ""}},
      {".shstrtab", {"STRTAB", "00000000", "", ""}},
  };
  std::map<std::string, SectionRow> found = sections(tool(OMBRIK_READELF, "-S -W " + f.path()));
  // The sizes of the tables depend on their encoding, not on the image.
  for (auto &[name, row] : found)
    if (expected.count(name) && expected[name].size.empty()) row.size = "";
  EXPECT_EQ(found, expected);
}

TEST_P(Elf, EachAllocatedSectionHasItsLoadSegment) {
  ElfFile f(GetParam().make());
  ASSERT_EQ(f.error(), "");
  std::string out = tool(OMBRIK_READELF, "-l -W " + f.path());
  for (const char *load : {"0x00008000 0x00008000 0x00020 0x00020 R E 0x4",
                           "0x0003ffe0 0x0003ffe0 0x00020 0x00020 R   0x4",
                           "0x00040000 0x00040000 0x00010 0x00010 R   0x4",
                           "0x10000100 0x10000100 0x00000 0x10000 RW  0x4"})
    EXPECT_NE(out.find(load), std::string::npos) << load << "\n" << out;
  size_t loads = 0;
  for (const std::string &l : lines_of(out)) loads += l.find("  LOAD ") == 0;
  EXPECT_EQ(loads, 4u) << out;
}

struct SymbolRow {
  uint32_t value, size;
  std::string type, bind, section;
  bool operator==(const SymbolRow &) const = default;
};

std::multimap<std::string, SymbolRow> symbols(const std::string &readelf) {
  static const std::regex row(R"(^\s*\d+:\s+([0-9a-f]{8})\s+(\d+)\s+(\S+)\s+(\S+)\s+\S+\s+(\S+)\s+(\S+)$)");
  std::multimap<std::string, SymbolRow> out;
  for (const std::string &l : lines_of(readelf)) {
    std::smatch m;
    if (std::regex_search(l, m, row))
      out.emplace(m[6], SymbolRow{static_cast<uint32_t>(std::stoul(m[1], nullptr, 16)),
                                  static_cast<uint32_t>(std::stoul(m[2])), m[3], m[4], m[5]});
  }
  return out;
}

TEST_P(Elf, SymbolTableHoldsMapSymbolsAndMappingSymbols) {
  const Sample &s = GetParam();
  ElfFile f(s.make());
  ASSERT_EQ(f.error(), "");
  Program p = s.make();
  uint32_t helper = 0x8004 | (p.isa == image::Isa::Thumb ? 1 : 0);
  std::multimap<std::string, SymbolRow> expected = {
      {s.code_mapping, {0x8000, 0, "NOTYPE", "LOCAL", "1"}},
      {"$d", {s.pool, 0, "NOTYPE", "LOCAL", "1"}},
      {"HELPER:N", {0x10000108, 4, "OBJECT", "LOCAL", "4"}},
      {"COUNT", {0x10000104, 4, "OBJECT", "GLOBAL", "4"}},
      {"TABLE", {0x1000FF00, 64, "OBJECT", "GLOBAL", "4"}},
      {"GREETING", {0x3FFFA, 6, "OBJECT", "GLOBAL", "2"}},
      {"MAIN", {s.main_value, p.symbols[4].size, "FUNC", "GLOBAL", "1"}},
      {"HELPER", {helper, p.symbols[5].size, "FUNC", "GLOBAL", "1"}},
  };
  EXPECT_EQ(symbols(tool(OMBRIK_READELF, "-s -W " + f.path())), expected);
}

TEST_P(Elf, NmShowsCodeReadOnlyDataAndVariables) {
  ElfFile f(GetParam().make());
  ASSERT_EQ(f.error(), "");
  std::string main_address = GetParam().make().isa == image::Isa::Thumb ? "00008008" : "00008010";
  EXPECT_EQ(tool(OMBRIK_NM, f.path()),
            "10000104 B COUNT\n"
            "0003fffa R GREETING\n"
            "00008004 T HELPER\n"
            "10000108 b HELPER:N\n" +
                main_address + " T MAIN\n"
                               "1000ff00 B TABLE\n");
}

TEST_P(Elf, ObjdumpTellsCodeFromPoolData) {
  ElfFile f(GetParam().make());
  ASSERT_EQ(f.error(), "");
  std::vector<std::string> found = objdump_instructions(f.path());
  EXPECT_EQ(found, GetParam().disassembly);
}

TEST_P(Elf, GdbMapsLinesToAddressesAndAddressesToSymbols) {
  ElfFile f(GetParam().make());
  ASSERT_EQ(f.error(), "");
  bool thumb = GetParam().make().isa == image::Isa::Thumb;
  std::string inside_main = thumb ? "0x800a" : "0x8012", inside_helper = "0x8006";
  std::string out =
      tool(OMBRIK_GDB, "-batch -nx -ex 'info line prog.bas:1' -ex 'info line prog.bas:2' -ex 'info line prog.bas:3' "
                       "-ex 'info line lib.bas:1' -ex 'info line prog.bas:5' -ex 'info symbol " +
                           inside_main + "' -ex 'info symbol " + inside_helper +
                           "' -ex 'info symbol 0x3fffb' -ex 'info symbol 0x10000104' " + f.path());
  EXPECT_EQ(lines_of(out), GetParam().gdb);
}

// An ELF file's debug information opened with libdw, closed at the end of
// the scope.
class DwarfFile {
 public:
  explicit DwarfFile(const std::string &path) : fd_(open(path.c_str(), O_RDONLY)) {
    if (fd_ >= 0) dw_ = dwarf_begin(fd_, DWARF_C_READ);
  }
  ~DwarfFile() {
    if (dw_) dwarf_end(dw_);
    if (fd_ >= 0) close(fd_);
  }
  DwarfFile(const DwarfFile &) = delete;
  DwarfFile &operator=(const DwarfFile &) = delete;
  Dwarf *get() const { return dw_; }

 private:
  int fd_;
  Dwarf *dw_ = nullptr;
};

// A sample's ELF file, opened with libdw.
struct SampleDebugInfo {
  explicit SampleDebugInfo(const Program &p) : elf(p), dwarf(elf.path()) {}
  ElfFile elf;
  DwarfFile dwarf;
};

// libdw is what the simulator and other debuggers built on elfutils use.
TEST_P(Elf, LibdwFindsTheLineOfEachAddress) {
  Program p = GetParam().make();
  SampleDebugInfo s(p);
  ASSERT_EQ(s.elf.error(), "");
  Dwarf *dw = s.dwarf.get();
  ASSERT_NE(dw, nullptr) << dwarf_errmsg(-1);
  for (const image::LinePosition &l : image::code_lines(p)) {
    Dwarf_Die cu;
    ASSERT_NE(dwarf_addrdie(dw, l.address, &cu), nullptr) << std::hex << l.address;
    Dwarf_Line *line = dwarf_getsrc_die(&cu, l.address);
    ASSERT_NE(line, nullptr);
    int number = 0;
    dwarf_lineno(line, &number);
    EXPECT_EQ(static_cast<uint32_t>(number), l.line) << std::hex << l.address;
    EXPECT_EQ(std::string(dwarf_linesrc(line, nullptr, nullptr)), p.directory + "/" + p.files[l.file]);
  }
  Dwarf_Die cu;
  ASSERT_NE(dwarf_addrdie(dw, 0x8000, &cu), nullptr);
  EXPECT_STREQ(dwarf_diename(&cu), "prog.bas");
}

TEST_P(Elf, LibdwSeesOneSubprogramPerRoutine) {
  Program p = GetParam().make();
  SampleDebugInfo s(p);
  ASSERT_EQ(s.elf.error(), "");
  Dwarf *dw = s.dwarf.get();
  ASSERT_NE(dw, nullptr) << dwarf_errmsg(-1);
  Dwarf_Die cu, child;
  ASSERT_NE(dwarf_addrdie(dw, 0x8004, &cu), nullptr);
  Dwarf_Addr low = 0, high = 0;
  EXPECT_EQ(dwarf_lowpc(&cu, &low), 0);
  EXPECT_EQ(dwarf_highpc(&cu, &high), 0);
  EXPECT_EQ(low, 0x8000u);
  EXPECT_EQ(high, p.code_end);
  std::vector<std::string> found;
  ASSERT_EQ(dwarf_child(&cu, &child), 0);
  do {
    ASSERT_EQ(dwarf_tag(&child), DW_TAG_subprogram);
    ASSERT_EQ(dwarf_lowpc(&child, &low), 0);
    ASSERT_EQ(dwarf_highpc(&child, &high), 0);
    char range[40];
    snprintf(range, sizeof range, " %llx-%llx", static_cast<unsigned long long>(low),
             static_cast<unsigned long long>(high));
    found.push_back(dwarf_diename(&child) + std::string(range));
  } while (dwarf_siblingof(&child, &child) == 0);
  bool thumb = p.isa == image::Isa::Thumb;
  EXPECT_EQ(found, (std::vector<std::string>{thumb ? "MAIN 8008-800e" : "MAIN 8010-801c",
                                             thumb ? "HELPER 8004-8008" : "HELPER 8004-800c"}));
}

TEST_P(Elf, LoadableContentsAreTheFlash) {
  Program p = GetParam().make();
  ElfFile f(p);
  ASSERT_EQ(f.error(), "");
  std::string from_elf = f.work("from_elf.v"), hex = f.work("prog.hex");
  tool(OMBRIK_OBJCOPY, "-O verilog " + f.path() + " " + from_elf);
  write_file(hex, image::intel_hex(p));
  EXPECT_EQ(parse_vmem(read_file(from_elf)), read_hex_with_srec_cat(hex));
}

INSTANTIATE_TEST_SUITE_P(Samples, Elf, ::testing::Values(THUMB, ARM),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Elf, ErasedGapsInsideACodeSpanAreErasedFlash) {
  Program p = thumb_sample();
  // A block of code far behind the rest, as __MAP__ CODE leaves it: the
  // loader writes nothing in between.
  p.spans[0].range.end = 0x9020;
  p.segments.insert(p.segments.begin() + 1, image::Segment{0x9000, units16({0x4770})});
  p.segments[1].bytes.resize(0x20, 0);
  ElfFile f(p);
  ASSERT_EQ(f.error(), "");
  std::string v = f.work("text.v");
  tool(OMBRIK_OBJCOPY, "-O verilog -j .text " + f.path() + " " + v);
  ByteMap bytes = parse_vmem(read_file(v));
  ASSERT_EQ(bytes.size(), 0x1020u);
  EXPECT_EQ(bytes[0x8001], 0xF0);
  for (uint32_t a = 0x8020; a < 0x9000; a++) ASSERT_EQ(bytes[a], 0xFF) << std::hex << a;
  EXPECT_EQ(bytes[0x9000], 0x70);
  EXPECT_EQ(bytes[0x9001], 0x47);
}

TEST(Elf, IoHandlerCodeIsItsOwnDataSection) {
  Program p = thumb_sample();
  // The code ends at 0x8010 and the coprocessor's code follows it.
  p.spans[0].range.end = 0x8010;
  p.spans.insert(p.spans.begin() + 1, {image::Contents::IoHandler, {0x8010, 0x8020}});
  p.data = {{0x800E, 0x8010}};
  p.code_end = 0x8018;
  p.symbols.push_back({"HANDLER", image::SymbolKind::Code, 0x8010, 0, false});
  ElfFile f(p);
  ASSERT_EQ(f.error(), "");
  std::map<std::string, SectionRow> found = sections(tool(OMBRIK_READELF, "-S -W " + f.path()));
  EXPECT_EQ(found[".text"], (SectionRow{"PROGBITS", "00008000", "000010", "AX"}));
  EXPECT_EQ(found[".iohandler"], (SectionRow{"PROGBITS", "00008010", "000010", "A"}));
  std::multimap<std::string, SymbolRow> syms = symbols(tool(OMBRIK_READELF, "-s -W " + f.path()));
  auto [from, to] = syms.equal_range("$d");
  std::vector<uint32_t> data_marks;
  for (auto it = from; it != to; ++it) data_marks.push_back(it->second.value);
  EXPECT_EQ(data_marks, (std::vector<uint32_t>{0x800E, 0x8010}));
  EXPECT_EQ(syms.find("HANDLER")->second, (SymbolRow{0x8010, 0, "NOTYPE", "GLOBAL", "2"}));
}

TEST(Elf, InMemoryBytesAreTheFileBytes) {
  Program p = thumb_sample();
  ElfFile f(p);
  ASSERT_EQ(f.error(), "");
  std::string bytes;
  ASSERT_EQ(image::elf_bytes(p, "ombrik test", bytes), "");
  EXPECT_EQ(bytes, read_file(f.path()));
}

TEST(Elf, RefusesAModelThatBreaksItsRules) {
  Program p = thumb_sample();
  p.data.push_back({0x3FFE0, 0x3FFE4});
  TempDir dir;
  EXPECT_EQ(write_elf_file(p, dir.path("bad.elf")),
            "cannot make an ELF image: data range at 0x0003FFE0 lies outside the code");
}

TEST(Elf, ReportsAFileThatCannotBeWritten) {
  int fd = open("/dev/null", O_RDONLY);
  ASSERT_GE(fd, 0);
  std::string error = image::write_elf(thumb_sample(), fd, "ombrik test");
  close(fd);
  EXPECT_EQ(error.rfind("writing: ", 0), 0u) << error;
}

}  // namespace
}  // namespace image_test
