#include "target.h"

#include <unicorn/unicorn.h>

#include <cstdio>

namespace emu {

const Target &thumb_target() {
  static const Target t = {
      .name = "thumb",
      .isa = Isa::Thumb,
      .version = 2101,  // no scrambling, extended linear address records
      .part = 0x0040,
      .code_start = 0x8000,
      .data_start = 0x3F000,  // one page below flash_end: the symbol page is written
      .var_base = 0x10000100,
      .var_words = 0x4000,  // the string accumulator then lies 64 KiB above the base, as on the host
      .flash_end = 0x40000,
      .block_size = 0x1000,
      .stub_base = 0x1000,
      .exit_address = 0x0F00,
      .flash_size = 0x42000,
      .ram_base = 0x10000000,
      .ram_size = 0x20000,
      .stack_base = 0x20000000,
      .stack_size = 0x10000,
      .saved_index = 0x5A5A1234,
      .timer_base = 0,
      .accum = UC_ARM_REG_R7,
      .operand = UC_ARM_REG_R6,
      .lindex = UC_ARM_REG_R4,
      .strscratch = UC_ARM_REG_R11,
      .varbase = UC_ARM_REG_R5,
  };
  return t;
}

const Target &arm_target() {
  static const Target t = {
      .name = "arm",
      .isa = Isa::Arm,
      .version = 1950,  // ARM code; no scrambling (above 1908), 02 block markers, no 04 records
      .part = 0x0040,
      .code_start = 0x8000,
      .data_start = 0x3F000,  // one page below flash_end: the symbol page is written
      .var_base = 0x40000100,  // words 7:6; the code adds word 6 to 0x40000000
      .var_words = 0x4000,
      .flash_end = 0x40000,
      .block_size = 0x1000,
      .stub_base = 0x1000,
      .exit_address = 0x0F00,
      .flash_size = 0x42000,
      .ram_base = 0x40000000,
      .ram_size = 0x20000,
      // Apart from the variables, so that a stack running over its end
      // faults instead of writing into them.
      .stack_base = 0x40030000,
      .stack_size = 0x10000,
      .saved_index = 0x5A5A1234,
      .timer_base = 0xE0004000,  // TIMER reads the counter at offset 8
      .accum = UC_ARM_REG_R7,
      .operand = UC_ARM_REG_R6,
      .lindex = UC_ARM_REG_R8,
      .strscratch = UC_ARM_REG_R5,
      .varbase = UC_ARM_REG_R11,
  };
  return t;
}

const Target *find_target(const std::string &name) {
  for (const Target *t : {&thumb_target(), &arm_target()})
    if (name == t->name) return t;
  return nullptr;
}

bool is_layout_word(int n) { return n <= 7 || n == 40 || n == 41 || n == 58; }

std::vector<uint16_t> table_words(const Target &t) {
  std::vector<uint16_t> w(TABLE_WORDS, 0);
  for (int n = 0; n < TABLE_WORDS; n++)
    if (!is_layout_word(n)) w[n] = static_cast<uint16_t>(t.stub_address(n));
  w[0] = t.version;
  w[1] = TABLE_COUNT;
  w[2] = t.part;
  w[3] = static_cast<uint16_t>(t.data_start / 16);
  w[4] = static_cast<uint16_t>(t.code_start / 16);
  w[5] = 0;
  w[6] = static_cast<uint16_t>(t.var_base & 0xFFFF);
  w[7] = static_cast<uint16_t>(t.var_base >> 16);
  w[40] = static_cast<uint16_t>(t.var_words / 4);
  w[41] = static_cast<uint16_t>(t.flash_end / 16);
  w[58] = static_cast<uint16_t>(t.block_size);
  return w;
}

std::string download_text(const Target &t) {
  std::string s = "?\n";
  char buf[8];
  for (uint16_t w : table_words(t)) {
    snprintf(buf, sizeof buf, "%04X\n", w);
    s += buf;
  }
  return s;
}

}  // namespace emu
