// Fuzz harness: arbitrary bytes from a debugger's connection into the GDB
// session of a machine running a small Thumb program. Packets that ask the
// machine to run get a few instructions; nothing may crash, hang or read
// outside the machine's memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "sim/board.h"
#include "sim/code_check.h"
#include "sim/console.h"
#include "sim/gdb_server.h"
#include "sim/image.h"
#include "sim/machine.h"

namespace {

struct Target {
  sim::Board board;
  sim::Image image;
  sim::CodeMap code;
  sim::StringConsole console;
  std::unique_ptr<sim::Machine> machine;

  Target() {
    std::string error;
    sim::make_board(sim::cortex_board_table(), board, error);
    // MOVS r7,#65; B to the start of a loop that prints it: BL PRINTCH
    // (entry 56 at 0x10E0); B back.
    uint32_t t = ((0x10E0u - 0x8002u) >> 1) - 2;
    uint16_t units[] = {0x2741, static_cast<uint16_t>(0xF000 | ((t >> 11) & 0x7FF)),
                        static_cast<uint16_t>(0xF800 | (t & 0x7FF)), 0xE7FB};
    sim::Segment code_segment{board.code_start, {}};
    for (uint16_t u : units) {
      code_segment.bytes.push_back(static_cast<uint8_t>(u));
      code_segment.bytes.push_back(static_cast<uint8_t>(u >> 8));
    }
    image.segments.push_back(code_segment);
    code = sim::check_code(board, image);
    machine = std::make_unique<sim::Machine>(board, image, code, console);
    machine->start(error);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Target target;
  sim::GdbSession session(*target.machine);
  const char *bytes = reinterpret_cast<const char *>(data);
  std::string out;
  while (size > 0) {
    size_t consumed = 0;
    sim::GdbSession::Action action = session.receive(bytes, size, out, consumed);
    if (action == sim::GdbSession::Action::Resume || action == sim::GdbSession::Action::Step)
      session.report_stop(target.machine->run(action == sim::GdbSession::Action::Step ? 1 : 50), out);
    bytes += consumed;
    size -= consumed;
    if (consumed == 0) break;
  }
  return 0;
}
