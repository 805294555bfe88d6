#include "host/op_counts.h"

#include <cstdio>
#include <cstring>

#include "host/dense.h"

namespace {

constexpr uint32_t NO_ENTRY = 0xFFFFFFFFu;
constexpr uint32_t TRIPLE_SLOTS = 1u << 16;

uint64_t singles[H_COUNT];
uint64_t pairs[H_COUNT][H_COUNT];
struct Triple {
  uint16_t h[3];
  uint64_t count;
};
// Open addressing; a triple that finds the table full is not counted.
Triple triples[TRIPLE_SLOTS];
uint32_t previous = NO_ENTRY, before_previous = NO_ENTRY;

void count_triple(uint16_t a, uint16_t b, uint16_t c) {
  uint32_t slot = ((a * 31u + b) * 31u + c) & (TRIPLE_SLOTS - 1);
  for (uint32_t probes = 0; probes < TRIPLE_SLOTS; probes++, slot = (slot + 1) & (TRIPLE_SLOTS - 1)) {
    Triple &t = triples[slot];
    if (t.count == 0) t.h[0] = a, t.h[1] = b, t.h[2] = c;
    if (t.h[0] == a && t.h[1] == b && t.h[2] == c) {
      t.count++;
      return;
    }
  }
}

}  // namespace

void count_entry(uint32_t entry) {
  const uint16_t h = dense_handler[entry];
  singles[h]++;
  if (previous != NO_ENTRY && entry == previous + 1) {
    pairs[dense_handler[previous]][h]++;
    if (before_previous != NO_ENTRY && previous == before_previous + 1)
      count_triple(dense_handler[before_previous], dense_handler[previous], h);
    before_previous = previous;
  } else {
    before_previous = NO_ENTRY;
  }
  previous = entry;
}

void report_counts() {
  for (uint16_t a = 0; a < H_COUNT; a++) {
    if (singles[a]) fprintf(stderr, "1 %llu %s\n", static_cast<unsigned long long>(singles[a]), dense_handler_name(a));
    for (uint16_t b = 0; b < H_COUNT; b++)
      if (pairs[a][b])
        fprintf(stderr, "2 %llu %s %s\n", static_cast<unsigned long long>(pairs[a][b]), dense_handler_name(a),
                dense_handler_name(b));
  }
  for (const Triple &t : triples)
    if (t.count)
      fprintf(stderr, "3 %llu %s %s %s\n", static_cast<unsigned long long>(t.count), dense_handler_name(t.h[0]),
              dense_handler_name(t.h[1]), dense_handler_name(t.h[2]));
  memset(singles, 0, sizeof singles);
  memset(pairs, 0, sizeof pairs);
  memset(triples, 0, sizeof triples);
  previous = before_previous = NO_ENTRY;
}
