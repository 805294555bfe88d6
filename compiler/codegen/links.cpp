#include "codegen/links.h"

#include <cstdio>
#include <cstdlib>

#include "codegen/arm/arm.h"
#include "codegen/emit.h"
#include "codegen/thumb/thumb.h"
#include "driver/state.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

int32_t jump_table[JUMP_TABLE_SIZE];
int32_t missingLink[MISSING_LINK_SIZE];
uint16_t jmpPTR = 1;
int32_t nextLink = 0;
int32_t resolvedLinks = 0;

namespace {

// Highest jmpPTR since the last reset, so that a reset clears only what a
// program used.
uint16_t jump_high_water = 1;

[[noreturn]] void table_full(const char *message) {
  print_error_ln(message);
  fflush(stdout);
  exit(4);
}

}  // namespace

uint16_t add_fwd_ref() {
  if (jmpPTR >= JUMP_TABLE_SIZE) table_full("Too many jump labels");
  jump_table[jmpPTR] = -1;
  uint16_t label = jmpPTR;
  jmpPTR++;
  if (jmpPTR > jump_high_water) jump_high_water = jmpPTR;
  return label;
}

uint16_t add_fwd_jmpcall(uint16_t op) {
  // The jump names the label before the label exists; make sure it will.
  if (jmpPTR >= JUMP_TABLE_SIZE) table_full("Too many jump labels");
  add_op(op, jmpPTR);
  return add_fwd_ref();
}

void patchJumpTable(int32_t label) {
  if (label < 0 || label >= JUMP_TABLE_SIZE) return;
  jump_table[label] = static_cast<int32_t>(fCODE);
}

void add_missing_link(uint32_t p) {
  if (nextLink < 0 || nextLink >= MISSING_LINK_SIZE) table_full("Too many forward references");
  missingLink[nextLink] = static_cast<int32_t>(p);
  nextLink++;
}

bool link_target_unit(bool label, uint32_t n, int32_t &x) {
  if (label) {
    if (n >= static_cast<uint32_t>(JUMP_TABLE_SIZE)) return false;
    x = jump_table[n];
  } else {
    if (n >= static_cast<uint32_t>(SYMBOLS_MAX)) return false;
    x = g_symboladdr[n];
  }
  return true;
}

namespace {

struct StartupPattern {
  uint16_t version_from, version_to;
  // Units that together show the start-up jump still leading into a
  // routine's prologue.
  uint8_t count;
  uint8_t index[3];
  uint32_t unit[3];
};

constexpr StartupPattern startup_patterns[] = {
    {2048, 0xFFFF, 3, {0, 1, 2}, {0xF7FF, 0xFFFF, 0xB500}},
    {1824, 2047, 2, {0, 1, 0}, {0xEAFFFFFF, 0xE92D4000, 0}},
    {0, 1823, 2, {0, 5, 0}, {0xEAFFFFFF, 0xE1A00000, 0}},
};

void check_image_start() {
  uint16_t version = f_table[0];
  for (const StartupPattern &s : startup_patterns) {
    if (version < s.version_from || version > s.version_to) continue;
    for (int k = 0; k < s.count; k++)
      if (static_cast<uint32_t>(Flash_codes[s.index[k]]) != s.unit[k]) return;
    print_error_ln("inline execution of FUNCTION/SUB");
    fflush(stdout);
    exit(3);
  }
}

}  // namespace

void optimizeTJ(uint32_t first, int final) {
  // A final resolution may come more than once (every RUN and the QUITDUMP
  // after it); links it resolved before are branches by now.
  if (final && first < static_cast<uint32_t>(resolvedLinks)) first = static_cast<uint32_t>(resolvedLinks);
  if (f_table[0] < 2048)
    ARMoptimizeTJ(first);
  else
    THoptimizeTJ(first);
  if (final) {
    resolvedLinks = nextLink;
    check_image_start();
  }
}

void reset_links() {
  for (int32_t i = 0; i < jump_high_water && i < JUMP_TABLE_SIZE; i++) jump_table[i] = 0;
  for (int32_t i = 0; i < MISSING_LINK_SIZE; i++) missingLink[i] = 0;
  jump_high_water = 1;
  jmpPTR = 1;
  nextLink = 0;
  resolvedLinks = 0;
}

int32_t keep_undefined_links(int32_t first, int32_t keepBelow) {
  int32_t kept = first;
  for (int32_t i = first; i < nextLink && i < MISSING_LINK_SIZE; i++) {
    int32_t p = missingLink[i];
    if (p < 0 || p + 1 >= FLASH_CODES_SIZE) continue;
    uint32_t w = f_table[0] < 2048
                     ? static_cast<uint32_t>(Flash_codes[p])
                     : static_cast<uint32_t>(Flash_codes[p]) + 65536u * static_cast<uint32_t>(Flash_codes[p + 1]);
    if (w & LINK_LABEL) continue;
    uint32_t n = w & 0x1FFFFFFFu;
    if (n >= static_cast<uint32_t>(keepBelow) || g_symbol_type[n] != SYM_UNDEF_LABEL) continue;
    // Swap it to the front: the order of the others does not matter.
    missingLink[i] = missingLink[kept];
    missingLink[kept] = p;
    kept++;
  }
  return kept;
}
