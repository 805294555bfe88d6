// The simulator's Intel HEX reader on any text. Besides running clean
// under the sanitizers, an image it accepts must hold what its header
// promises: sorted, non-overlapping, non-empty runs that find() returns.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/image.h"

namespace {

void require(bool condition, const char *what) {
  if (!condition) {
    fprintf(stderr, "accepted image breaks its promise: %s\n", what);
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  sim::Image image;
  std::string error;
  if (!sim::parse_hex(text, image, error)) {
    require(!error.empty(), "a refusal without a message");
    return 0;
  }
  uint64_t previous_end = 0;
  bool first = true;
  for (const sim::Segment &s : image.segments) {
    require(!s.bytes.empty(), "an empty run");
    // Runs end in 64 bits: the last one may end at 2^32.
    const uint64_t end = s.end();
    require(end <= (uint64_t{1} << 32), "a run past the 32-bit address space");
    require(first || s.address > previous_end, "runs out of order, overlapping or touching");
    require(image.find(s.address) == &s, "find() misses the start of a run");
    previous_end = end;
    first = false;
  }
  return 0;
}
