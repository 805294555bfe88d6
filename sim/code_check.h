// Static check of the generated code with the capstone disassembler: follows
// every path from the start of the image, decodes each unit it reaches, marks
// the literals that PC-relative loads read (and, in ARM code, the data words
// behind calls of the firmware loaders), and checks that code and data never
// share a unit and that every branch and call lands on code or on a firmware
// entry.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/board.h"
#include "sim/image.h"

namespace sim {

// Sleep is the code unit of SLEEP's wait-for-interrupt instruction.
enum class Unit : uint8_t { Unknown, Code, CodeTail, Data, Padding, Sleep };
inline bool is_code(Unit u) { return u == Unit::Code || u == Unit::Sleep; }

struct CodeMap {
  uint32_t base = 0;            // address of unit 0
  std::vector<Unit> units;      // one entry per halfword (Thumb) or word (ARM)
  uint32_t unit_bytes = 2;
  int instructions = 0;         // reached by following the code
  int dead_instructions = 0;    // decoded but not reached (code after an unconditional jump)
  int literals = 0;
  std::vector<std::string> errors;

  bool is_instruction(uint32_t address) const {
    if (address < base || (address - base) % unit_bytes) return false;
    uint32_t i = (address - base) / unit_bytes;
    return i < units.size() && is_code(units[i]);
  }
  // The unit at address, Unknown outside the code.
  Unit unit_at(uint32_t address) const {
    if (address < base || (address - base) % unit_bytes) return Unit::Unknown;
    uint32_t i = (address - base) / unit_bytes;
    return i < units.size() ? units[i] : Unit::Unknown;
  }
  uint32_t end() const { return base + unit_bytes * static_cast<uint32_t>(units.size()); }
};

CodeMap check_code(const Board &board, const Image &image);

}  // namespace sim
