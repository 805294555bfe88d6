// The board's pins: GPIO ports whose registers the code reads and writes
// directly, the pin routines of the firmware (IN, OUT, DIR, AD), and the
// input-pin script that drives the inputs over simulated time.
//
// Pins are numbered 32 x port + bit, as the firmware routines number them.
// A pin is an output once its direction is set to 1; reading it then gives
// what the program last drove. An input reads what the script last set,
// low before that; an AD channel reads the script's value, 0 before that.
//
// Every operation is reported in the words RUN prints for it: "read IN(n)",
// "set OUT(n)=v", "read DIR(n)", "set DIR(n)=v", "read AD(n)" for the
// firmware routines, "set IO(b)=1" or "set IO(b)=0" for each pin a write to
// a port's set or clear register drives, and "read IO(b)" for a read of a
// port's pin register (b the bit the code tests).
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/console.h"

namespace sim {

// One line of a pin script: at time ms, pin `number` goes to `value` (0 or
// 1), or AD channel `number` reads `value`.
struct PinEvent {
  uint64_t ms = 0;
  bool analog = false;
  int number = 0;
  int32_t value = 0;
  int line = 0;
};

// A pin script: one change per line, "TIME pin N high|low|1|0" or
// "TIME ad N VALUE", TIME in simulated milliseconds from the start, not
// decreasing from line to line; '#' starts a comment. False with
// "line N: ..." in error.
bool parse_pin_script(const std::string &text, int pins, std::vector<PinEvent> &events, std::string &error);

class Pins {
 public:
  // ports: how many GPIO ports the board has.
  Pins(int ports, Console &console);

  int count() const { return static_cast<int>(ports_.size()) * 32; }
  int level(int pin) const;
  // Applies a script line; true when a pin's level changed.
  bool apply(const PinEvent &e);

  // The firmware routines. Reads give 1 for a high pin and 0 for a low one.
  uint32_t in(int32_t pin);
  void out(int32_t pin, int32_t value);
  uint32_t dir(int32_t pin);
  void set_dir(int32_t pin, int32_t value);
  uint32_t ad(int32_t channel);

  // The registers of port p at offset (0 direction, 0x10 mask, 0x14 pin,
  // 0x18 set, 0x1C clear). tested is the mask of the bits the code is about
  // to test after a read of the pin register (for the report). False for an
  // offset that is no register.
  bool read_register(int port, uint32_t offset, uint32_t tested, uint32_t &value);
  bool write_register(int port, uint32_t offset, uint32_t value);

 private:
  struct Port {
    uint32_t direction = 0, latch = 0, input = 0, mask = 0;
  };
  Port *port_of(int32_t pin, uint32_t &bit);
  void drive(Port &p, uint32_t bits, bool high);

  std::vector<Port> ports_;
  std::map<int32_t, int32_t> analog_;
  Console &console_;
};

}  // namespace sim
