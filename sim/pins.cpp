#include "sim/pins.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace sim {

namespace {

constexpr uint32_t DIRECTION = 0x00, MASK = 0x10, PIN = 0x14, SET = 0x18, CLEAR = 0x1C;

std::string where(int line) { return "line " + std::to_string(line) + ": "; }

// A whole decimal number; false for anything else or out of range.
bool number(const std::string &s, long long low, long long high, long long &v) {
  if (s.empty() || s.size() > 12) return false;
  char *end = nullptr;
  v = strtoll(s.c_str(), &end, 10);
  return *end == 0 && v >= low && v <= high;
}

std::string line_of(const char *format, int32_t a) {
  char buf[64];
  snprintf(buf, sizeof buf, format, static_cast<int>(a));
  return buf;
}

std::string line_of(const char *format, int32_t a, int32_t b) {
  char buf[64];
  snprintf(buf, sizeof buf, format, static_cast<int>(a), static_cast<int>(b));
  return buf;
}

}  // namespace

bool parse_pin_script(const std::string &text, int pins, std::vector<PinEvent> &events, std::string &error) {
  events.clear();
  std::istringstream in(text);
  std::string raw;
  int line = 0;
  uint64_t last = 0;
  while (std::getline(in, raw)) {
    line++;
    size_t hash = raw.find('#');
    if (hash != std::string::npos) raw.erase(hash);
    std::istringstream words(raw);
    std::string time, kind, which, value, extra;
    if (!(words >> time)) continue;
    words >> kind >> which >> value;
    if (value.empty() || (words >> extra)) {
      error = where(line) + "expected TIME pin N high|low, or TIME ad N VALUE";
      return false;
    }
    PinEvent e;
    e.line = line;
    long long v;
    if (!number(time, 0, 1LL << 40, v)) {
      error = where(line) + "the time must be a number of milliseconds: " + time;
      return false;
    }
    e.ms = static_cast<uint64_t>(v);
    if (e.ms < last) {
      error = where(line) + "the time " + time + " lies before the previous line's";
      return false;
    }
    last = e.ms;
    if (kind == "pin") {
      if (!number(which, 0, pins - 1, v)) {
        error = where(line) + "no pin " + which + " (the board has pins 0 to " + std::to_string(pins - 1) + ")";
        return false;
      }
      e.number = static_cast<int>(v);
      if (value == "high" || value == "1") e.value = 1;
      else if (value == "low" || value == "0") e.value = 0;
      else {
        error = where(line) + "a pin is high, low, 1 or 0, not " + value;
        return false;
      }
    } else if (kind == "ad") {
      e.analog = true;
      if (!number(which, 0, 255, v)) {
        error = where(line) + "no AD channel " + which + " (0 to 255)";
        return false;
      }
      e.number = static_cast<int>(v);
      if (!number(value, INT32_MIN, INT32_MAX, v)) {
        error = where(line) + "an AD value is a whole number, not " + value;
        return false;
      }
      e.value = static_cast<int32_t>(v);
    } else {
      error = where(line) + "expected pin or ad after the time, not " + kind;
      return false;
    }
    events.push_back(e);
  }
  return true;
}

Pins::Pins(int ports, Console &console) : ports_(static_cast<size_t>(ports)), console_(console) {}

Pins::Port *Pins::port_of(int32_t pin, uint32_t &bit) {
  if (pin < 0 || pin >= count()) return nullptr;
  bit = 1u << (pin % 32);
  return &ports_[static_cast<size_t>(pin / 32)];
}

int Pins::level(int pin) const {
  if (pin < 0 || pin >= count()) return 0;
  const Port &p = ports_[static_cast<size_t>(pin / 32)];
  uint32_t bit = 1u << (pin % 32);
  return ((p.direction & bit) ? p.latch & bit : p.input & bit) ? 1 : 0;
}

bool Pins::apply(const PinEvent &e) {
  if (e.analog) {
    analog_[e.number] = e.value;
    return false;
  }
  uint32_t bit;
  Port *p = port_of(e.number, bit);
  if (!p) return false;
  int before = level(e.number);
  p->input = e.value ? p->input | bit : p->input & ~bit;
  return level(e.number) != before;
}

uint32_t Pins::in(int32_t pin) {
  console_.report(line_of("read IN(%d)\n", pin));
  return static_cast<uint32_t>(level(pin));
}

void Pins::out(int32_t pin, int32_t value) {
  console_.report(line_of("set OUT(%d)=%d\n", pin, value));
  uint32_t bit;
  if (Port *p = port_of(pin, bit)) p->latch = value ? p->latch | bit : p->latch & ~bit;
}

uint32_t Pins::dir(int32_t pin) {
  console_.report(line_of("read DIR(%d)\n", pin));
  uint32_t bit;
  Port *p = port_of(pin, bit);
  return p && (p->direction & bit) ? 1 : 0;
}

void Pins::set_dir(int32_t pin, int32_t value) {
  console_.report(line_of("set DIR(%d)=%d\n", pin, value));
  uint32_t bit;
  if (Port *p = port_of(pin, bit)) p->direction = value ? p->direction | bit : p->direction & ~bit;
}

uint32_t Pins::ad(int32_t channel) {
  console_.report(line_of("read AD(%d)\n", channel));
  auto it = analog_.find(channel);
  return it == analog_.end() ? 0u : static_cast<uint32_t>(it->second);
}

void Pins::drive(Port &p, uint32_t bits, bool high) {
  bits &= ~p.mask;
  for (int b = 0; b < 32; b++)
    if (bits & (1u << b)) console_.report(line_of("set IO(%d)=%d\n", b, high ? 1 : 0));
  p.latch = high ? p.latch | bits : p.latch & ~bits;
}

bool Pins::read_register(int port, uint32_t offset, uint32_t tested, uint32_t &value) {
  if (port < 0 || port >= static_cast<int>(ports_.size())) return false;
  Port &p = ports_[static_cast<size_t>(port)];
  switch (offset) {
    case DIRECTION: value = p.direction; return true;
    case MASK: value = p.mask; return true;
    case SET: value = p.latch; return true;
    case PIN:
      if (tested != 0 && (tested & (tested - 1)) == 0)
        console_.report(line_of("read IO(%d)\n", __builtin_ctz(tested)));
      value = ((p.direction & p.latch) | (~p.direction & p.input)) & ~p.mask;
      return true;
    default: return false;
  }
}

bool Pins::write_register(int port, uint32_t offset, uint32_t value) {
  if (port < 0 || port >= static_cast<int>(ports_.size())) return false;
  Port &p = ports_[static_cast<size_t>(port)];
  switch (offset) {
    case DIRECTION:
      for (int b = 0; b < 32; b++)
        if ((p.direction ^ value) & (1u << b))
          console_.report(line_of("set DIR(%d)=%d\n", 32 * port + b, (value >> b) & 1));
      p.direction = value;
      return true;
    case MASK: p.mask = value; return true;
    case SET: drive(p, value, true); return true;
    case CLEAR: drive(p, value, false); return true;
    case PIN:
      drive(p, value & ~p.latch, true);
      drive(p, ~value & p.latch, false);
      return true;
    default: return false;
  }
}

}  // namespace sim
