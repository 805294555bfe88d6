// Small hand-assembled programs for the simulator's tests: Thumb code on
// the Cortex board, laid out at its code start, so that a test knows every
// instruction and address.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "sim/board.h"
#include "sim/code_check.h"
#include "sim/image.h"
#include "sim/machine.h"

namespace sim_test {

// The two units of BL from `from` to `to`.
inline std::vector<uint16_t> thumb_bl(uint32_t from, uint32_t to) {
  uint32_t t = ((to - from) >> 1) - 2;
  return {static_cast<uint16_t>(0xF000 | ((t >> 11) & 0x7FF)), static_cast<uint16_t>(0xF800 | (t & 0x7FF))};
}

constexpr uint16_t POP_R4 = 0xBC10, POP_PC = 0xBD00;  // END

struct TinyProgram {
  sim::Board board;
  sim::Image image;
  sim::CodeMap code;
  uint32_t next = 0;  // the address the next unit goes to

  TinyProgram() {
    std::string error;
    sim::make_board(sim::cortex_board_table(), board, error);
    next = board.code_start;
    image.segments.push_back({board.code_start, {}});
  }
  void add(std::initializer_list<uint16_t> units) {
    for (uint16_t u : units) {
      image.segments[0].bytes.push_back(static_cast<uint8_t>(u));
      image.segments[0].bytes.push_back(static_cast<uint8_t>(u >> 8));
      next += 2;
    }
  }
  // A call of firmware entry n.
  void call(int n) {
    std::vector<uint16_t> bl = thumb_bl(next, board.entry_address(n));
    add({bl[0], bl[1]});
  }
  void end() { add({POP_R4, POP_PC}); }
  // Runs the code check; the program is then ready for a machine.
  const sim::CodeMap &checked() {
    code = sim::check_code(board, image);
    return code;
  }
  // A started machine on the checked program; nullptr, with the reason in
  // error, when the check or the start fails.
  std::unique_ptr<sim::Machine> started(sim::Console &console, std::string &error) {
    if (!checked().errors.empty()) {
      error = code.errors[0];
      return nullptr;
    }
    auto m = std::make_unique<sim::Machine>(board, image, code, console);
    if (!m->start(error)) return nullptr;
    return m;
  }
};

}  // namespace sim_test
