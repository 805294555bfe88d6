#include "samples.h"

namespace image_test {

using namespace image;

void add_bytes(Program &p, uint32_t address, const std::vector<uint8_t> &bytes) {
  if (!p.segments.empty() && p.segments.back().end() == address) {
    p.segments.back().bytes.insert(p.segments.back().bytes.end(), bytes.begin(), bytes.end());
    return;
  }
  p.segments.push_back({address, bytes});
}

std::vector<uint8_t> units16(std::initializer_list<uint16_t> units) {
  std::vector<uint8_t> b;
  for (uint16_t u : units) {
    b.push_back(static_cast<uint8_t>(u));
    b.push_back(static_cast<uint8_t>(u >> 8));
  }
  return b;
}

std::vector<uint8_t> words32(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> b;
  for (uint32_t w : words)
    for (int k = 0; k < 4; k++) b.push_back(static_cast<uint8_t>(w >> (8 * k)));
  return b;
}

namespace {

// What both samples share: strings, symbol page, variables, data symbols,
// files.
void common_parts(Program &p) {
  std::vector<uint8_t> strings(32, 0);
  const char hello[] = "hello";
  std::copy(hello, hello + sizeof hello, strings.end() - sizeof hello);
  add_bytes(p, 0x3FFE0, strings);
  add_bytes(p, 0x40000, {3, 0, 4, 0, 2, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  p.spans.push_back({Contents::Strings, {0x3FFE0, 0x40000}});
  p.spans.push_back({Contents::SymbolPage, {0x40000, 0x40010}});
  p.variables = {0x10000100, 0x10010100};
  p.symbols.push_back({"COUNT", SymbolKind::Object, 0x10000104, 4, false});
  p.symbols.push_back({"TABLE", SymbolKind::Object, 0x1000FF00, 64, false});
  p.symbols.push_back({"GREETING", SymbolKind::Object, 0x3FFFA, 6, false});
  p.symbols.push_back({"HELPER:N", SymbolKind::Object, 0x10000108, 4, true});
  p.files = {"prog.bas", "inc/lib.bas"};
  p.directory = "/work/project";
}

}  // namespace

Program thumb_sample() {
  Program p;
  p.isa = Isa::Thumb;
  p.entry = 0x8000;
  add_bytes(p, 0x8000,
            units16({
                0xF000, 0xF802,  // 8000 bl 0x8008
                0x2705,          // 8004 movs r7, #5       HELPER
                0x4770,          // 8006 bx lr
                0xB500,          // 8008 push {lr}         MAIN
                0x4F01,          // 800A ldr r7, [pc, #4]  (the word at 0x8010)
                0xBD00,          // 800C pop {pc}
                0x0000,          // 800E pool alignment
                0x5678, 0x1234,  // 8010 .word 0x12345678
                0, 0, 0, 0, 0, 0,  // 8014 the rest of the last record
            }));
  p.code_end = 0x8014;
  p.spans.push_back({Contents::Code, {0x8000, 0x8020}});
  p.data = {{0x800E, 0x8014}, {0x8014, 0x8020}};
  common_parts(p);
  p.symbols.push_back({"MAIN", SymbolKind::Code, 0x8008, 6, false});
  p.symbols.push_back({"HELPER", SymbolKind::Code, 0x8004, 4, false});
  // Line 2 has no code of its own: line 3's code begins at the same place.
  p.lines = {{0, 1, 0x8004}, {0, 2, 0x8008}, {0, 3, 0x8008}, {1, 1, 0x800A}, {0, 5, 0x800C}, {0, 6, 0x8014}};
  return p;
}

Program arm_sample() {
  Program p;
  p.isa = Isa::Arm;
  p.entry = 0x8000;
  add_bytes(p, 0x8000,
            words32({
                0xEA000002,  // 8000 b 0x8010
                0xE3A07005,  // 8004 mov r7, #5            HELPER
                0xE12FFF1E,  // 8008 bx lr
                0xE1A00000,  // 800C nop
                0xE92D4000,  // 8010 push {lr}             MAIN
                0xE59F7000,  // 8014 ldr r7, [pc]          (the word at 0x801C)
                0xE8BD8000,  // 8018 pop {pc}
                0x12345678,  // 801C .word
            }));
  p.code_end = 0x8020;
  p.spans.push_back({Contents::Code, {0x8000, 0x8020}});
  p.data = {{0x801C, 0x8020}};
  common_parts(p);
  p.symbols.push_back({"MAIN", SymbolKind::Code, 0x8010, 12, false});
  p.symbols.push_back({"HELPER", SymbolKind::Code, 0x8004, 8, false});
  p.lines = {{0, 1, 0x8004}, {0, 2, 0x8010}, {0, 3, 0x8010}, {1, 1, 0x8014}, {0, 5, 0x8018}};
  return p;
}

}  // namespace image_test
