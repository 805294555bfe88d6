// A simulated board, laid out from the firmware table an image was compiled
// with: where the code, the constant strings, the variables and the stack
// lie, which register-machine register sits in which CPU register, and at
// which address each firmware routine is entered. Two kinds of board exist:
// the Cortex-M board runs Thumb code (firmware version 2048 and above), the
// ARM7 board 32-bit ARM code (below 2048).
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

enum class Isa { Thumb, Arm };

// Table words that describe memory rather than point at a routine.
bool is_layout_word(int n);

struct Board {
  std::string name;  // "cortex" or "arm7"
  Isa isa = Isa::Thumb;
  std::vector<uint16_t> table;  // the table words, version first

  uint16_t version = 0;    // word 0
  uint16_t part = 0;       // word 2
  uint32_t code_start = 0; // word 4 x 16
  uint32_t data_start = 0; // word 3 x 16
  uint32_t var_base = 0;   // words 7:6 (Cortex), 0x40000000 + word 6 (ARM7)
  uint32_t var_words = 0;  // word 40 x 4
  uint32_t flash_end = 0;  // word 41 x 16: top of the constant strings
  uint32_t block_size = 0; // word 58
  uint32_t hex_upper_offset = 0;  // word 5, added to the upper address half of extended address records
  bool scrambled = false;         // the board's HEX has its data bytes scrambled

  // Firmware routines: entry address -> entry number. Several entries may
  // share one address; the lowest number names it.
  std::map<uint32_t, int> entries;

  // The simulated memory and devices.
  uint32_t flash_size = 0;  // flash is mapped from address 0
  uint32_t ram_base = 0, ram_size = 0;
  uint32_t stack_base = 0, stack_size = 0;
  uint32_t irq_stack_base = 0, irq_stack_size = 0;  // ARM7: the interrupt mode's own stack
  uint32_t exit_address = 0;        // END returns here; reaching it ends the run
  uint32_t handler_return = 0;      // a called interrupt handler returns here
  uint32_t saved_index = 0x5A5A1234;  // what END pops into the index register
  uint32_t gpio_base = 0;           // port n's registers at gpio_base + 32 n
  int gpio_ports = 0;
  uint32_t timer_base = 0;          // ARM7: the timer whose counter TIMER reads inline
  uint32_t cycles_per_ms = 0;       // one instruction per cycle

  // Unicorn register ids of the register-machine registers.
  int accum = 0, operand = 0, lindex = 0, next = 0, strscratch = 0, varbase = 0;

  bool arm() const { return isa == Isa::Arm; }
  uint32_t string_accumulator() const { return var_base + 4 * var_words; }
  // The firmware entry entered at address, or -1.
  int entry_at(uint32_t address) const;
  // The address of entry n, or 0 when the table gives it none.
  uint32_t entry_address(int n) const;
  // Size of one instruction unit the code check walks: 2 (Thumb) or 4.
  uint32_t unit_bytes() const { return arm() ? 4 : 2; }
  // The key the board's HEX is scrambled with, or nullptr.
  const char *hex_key() const;
};

// The simulated boards the tests and examples use: every routine word points
// at its own entry address 0x1000 + 4n; code at 0x8000, flash end 0x40000.
std::vector<uint16_t> cortex_board_table();
std::vector<uint16_t> arm7_board_table();
// The table of the board called name ("cortex"/"thumb" or "arm7"/"arm"), or
// an empty vector.
std::vector<uint16_t> board_table(const std::string &name);

// Lays out a board from table words (version, count, then count + 1 words),
// with the compiler's own reading of the table (core/firmware.h). False
// with a message in error when the table cannot describe a board the
// simulator can run: too short, firmware older than 1824, no routine
// addresses, or memory areas that overlap.
bool make_board(const std::vector<uint16_t> &table, Board &board, std::string &error);

// The table as the compiler reads it after "?": one word per line as four
// hexadecimal digits.
std::string table_download_text(const std::vector<uint16_t> &table);

}  // namespace sim
