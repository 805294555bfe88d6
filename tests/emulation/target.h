// The emulated boards: memory layout, firmware table and register roles.
// The corpus runs on two boards: a Cortex-M board (Thumb code) and an ARM7
// board (32-bit ARM code, firmware versions below 2048).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace emu {

enum class Isa { Thumb, Arm };

struct Target {
  const char *name;
  Isa isa;
  uint16_t version;      // table word 0
  uint16_t part;         // table word 2
  uint32_t code_start;   // table word 4 x 16
  uint32_t data_start;   // table word 3 x 16
  uint32_t var_base;     // table words 7:6
  uint32_t var_words;    // table word 40 x 4
  uint32_t flash_end;    // table word 41 x 16, top of the constant strings
  uint32_t block_size;   // table word 58
  uint32_t stub_base;    // firmware entry n is a stub at stub_base + 4n
  uint32_t exit_address; // END returns here; reaching it ends the run
  uint32_t flash_size;   // flash mapped from address 0
  uint32_t ram_base, ram_size;
  uint32_t stack_base, stack_size;
  uint32_t saved_index;  // value END pops into the index register
  uint32_t timer_base;   // ARM7: the timer block whose counter TIMER reads inline (0: none)

  // Unicorn register ids of the register-machine registers.
  int accum, operand, lindex, strscratch, varbase;

  bool arm() const { return isa == Isa::Arm; }

  uint32_t string_accumulator() const { return var_base + 4 * var_words; }
  uint32_t stub_address(int entry) const { return stub_base + 4u * static_cast<uint32_t>(entry); }
};

constexpr int TABLE_COUNT = 160;            // words 2 .. TABLE_COUNT + 2 follow
constexpr int TABLE_WORDS = TABLE_COUNT + 3;

const Target &thumb_target();
const Target &arm_target();
// The target called name ("thumb" or "arm"), or nullptr.
const Target *find_target(const std::string &name);

// Table words 0 .. TABLE_WORDS-1: layout words as above, every other word the
// address of its stub.
std::vector<uint16_t> table_words(const Target &t);
// True for the words that describe memory rather than point at a routine.
bool is_layout_word(int n);
// The download as ombrik reads it: "?", then one word per line.
std::string download_text(const Target &t);

}  // namespace emu
