// The simulated board firmware: the routines that generated code calls by
// firmware entry number. Inputs come in the register-machine registers of
// the target (accumulator, operand, index, string scratch); the result goes
// to the accumulator, or to the operand register for the operand
// conversions. No other register and no flag is touched, except that the
// ARM loaders (entries 91 to 94 and 97) move the return address behind the
// data word they read.
#pragma once
#include <unicorn/unicorn.h>

#include <cstdint>
#include <string>

#include "target.h"

namespace emu {

constexpr uint32_t STRING_ACCUMULATOR_SIZE = 256;

class Firmware {
 public:
  Firmware(uc_engine *uc, const Target &target, std::string &output);

  // Performs routine `entry`. False, with error set, when the routine is not
  // simulated or a memory access of the routine failed.
  bool call(int entry, std::string &error);

  // Name of the operation an entry serves, for messages.
  static const char *entry_name(int entry);

  // The simulated millisecond clock (TIMER reads it, WAIT advances it).
  uint32_t ticks() const { return ticks_; }

 private:
  bool load_word_behind_call(int entry, std::string &error);
  uint32_t get(int reg) const;
  void set(int reg, uint32_t value);
  std::string read_string(uint32_t address);
  void write_bytes(uint32_t address, const std::string &bytes);
  void append(const std::string &s);  // to the string accumulator at str_aptr
  float get_float(int reg) const;
  void set_float(int reg, float f);

  uc_engine *uc_;
  const Target &t_;
  std::string &out_;
  uint32_t str_aptr_;
  uint32_t ticks_ = 0;
  bool memory_fault_ = false;
  std::string fault_;
};

}  // namespace emu
