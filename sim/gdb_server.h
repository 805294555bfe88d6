// A GDB remote-protocol server for a simulated board: registers, memory,
// continue, single step, software breakpoints, the stop reason, and the
// target description (M-profile for the Cortex board, the ARM core for the
// ARM7 board), so that `gdb-multiarch prog.elf -ex 'target remote :PORT'`
// debugs the program at source level.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "sim/machine.h"

namespace sim {

// The protocol without the socket: bytes in, bytes out. Malformed input of
// any kind gets a negative acknowledgement or an error reply, never more.
class GdbSession {
 public:
  // What the connection should do after a packet.
  enum class Action { None, Resume, Step, Kill, Detach };

  explicit GdbSession(Machine &machine);

  // Takes received bytes; appends what to send back to out. Stops at the
  // first packet that asks the machine to run (Resume or Step) and leaves
  // the rest of data for the next call: consumed says how much was taken.
  Action receive(const char *data, size_t length, std::string &out, size_t &consumed);
  // True when a Ctrl-C (0x03) arrived while the machine ran.
  bool interrupt_requested() const { return interrupt_; }
  // The stop reply for the machine's stop, appended to out as a packet.
  void report_stop(const Stop &stop, std::string &out);
  // The payload of the last stop reply ("S05" before the first run).
  const std::string &last_stop() const { return last_stop_; }

  // The largest packet accepted; longer ones are dropped with a '-'.
  static constexpr size_t MAX_PACKET = 0x4000;

 private:
  Action packet(const std::string &payload, std::string &reply);
  std::string read_registers() const;
  std::string target_xml() const;

  Machine &machine_;
  std::string buffer_;  // an incomplete packet
  bool in_packet_ = false;
  bool interrupt_ = false;
  std::string last_stop_ = "S05";
};

// Wraps a payload as "$payload#cs", escaping the characters the protocol
// reserves.
std::string gdb_packet(const std::string &payload);

// Listens on 127.0.0.1:port (0: any free port), prints "gdb: listening on
// 127.0.0.1:PORT" on log, takes one connection from the loopback address
// and serves it until the debugger detaches, kills or the program ends.
// The final stop goes into stop. False with a message in error when the
// port cannot be opened.
bool serve_gdb(Machine &machine, int port, FILE *log, Stop &stop, std::string &error);

}  // namespace sim
