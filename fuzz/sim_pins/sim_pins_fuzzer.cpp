// Fuzz harness: arbitrary text as a pin script (--pins FILE). Either it is
// refused with a message or every event it gives names a pin of the board
// and its times never decrease.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/pins.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size), error;
  std::vector<sim::PinEvent> events;
  if (!sim::parse_pin_script(text, 192, events, error)) {
    if (error.empty()) abort();
    return 0;
  }
  uint64_t last = 0;
  for (const sim::PinEvent &e : events) {
    if (e.ms < last || e.number < 0 || (!e.analog && (e.number >= 192 || e.value < 0 || e.value > 1))) abort();
    last = e.ms;
  }
  return 0;
}
