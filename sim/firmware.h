// The simulated board firmware: the routines that generated code calls by
// firmware entry number. Inputs come in the register-machine registers of
// the board (accumulator, operand, index, string scratch); the result goes
// to the accumulator, or to the operand register for the operand
// conversions. No other register and no flag is touched, except that the
// ARM loaders (entries 91 to 94 and 97) move the return address behind the
// data word they read. The routines that pass time (WAIT, WAITMICRO) and
// set up interrupts are the machine's (machine.h), which owns the clock.
#pragma once
#include <unicorn/unicorn.h>

#include <cstdint>
#include <string>

#include "sim/board.h"
#include "sim/console.h"
#include "sim/pins.h"

namespace sim {

constexpr uint32_t STRING_ACCUMULATOR_SIZE = 256;

// Entry numbers the machine and the code check treat specially.
enum Entry : int {
  ENTRY_DIV = 15,
  ENTRY_TIMER = 27,
  ENTRY_MOD = 42,
  ENTRY_WAITMICRO = 85,
  ENTRY_WAIT = 86,
  ENTRY_TIMER_SETUP = 116,  // ON TIMER
  ENTRY_EINT0_SETUP = 117,
  ENTRY_EINT2_SETUP = 118,
  ENTRY_EINT1_SETUP = 119,
};

class Firmware {
 public:
  enum class Outcome { Done, DivisionByZero, InputEnded, Failed };

  Firmware(uc_engine *uc, const Board &board, Console &console, Pins &pins);

  // Performs routine `entry`; `ms` is the simulated clock that TIMER reads.
  // Failed, with a message in error, when the routine is not simulated or
  // one of its memory accesses failed.
  Outcome call(int entry, uint32_t ms, std::string &error);

  // Name of the operation an entry serves, for messages and statistics.
  static const char *entry_name(int entry);

 private:
  bool load_word_behind_call(int entry, std::string &error);
  uint32_t get(int reg) const;
  void set(int reg, uint32_t value);
  std::string read_string(uint32_t address);
  void write_bytes(uint32_t address, const std::string &bytes);
  void append(const std::string &s);  // to the string accumulator at str_aptr
  bool printf_block(uint32_t acc, uint32_t opd, std::string &error);

  uc_engine *uc_;
  const Board &b_;
  Console &console_;
  Pins &pins_;
  uint32_t str_aptr_;
  bool memory_fault_ = false;
  std::string fault_;
};

}  // namespace sim
