#include "codegen/links.h"

#include <cstdio>

#include "codegen/emit.h"
#include "codegen/target.h"
#include "core/firmware.h"
#include "core/process.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

int32_t jump_table[JUMP_TABLE_SIZE];
int32_t missingLink[MISSING_LINK_SIZE];
LinkState links;

uint16_t add_fwd_ref() {
  if (links.jmpPTR >= JUMP_TABLE_SIZE) fatal_error("Too many jump labels", ExitStatus::NoRoom);
  jump_table[links.jmpPTR] = -1;
  uint16_t label = links.jmpPTR;
  links.jmpPTR++;
  if (links.jmpPTR > links.jump_high_water) links.jump_high_water = links.jmpPTR;
  return label;
}

uint16_t add_fwd_jmpcall(uint16_t op) {
  // The jump names the label before the label exists; make sure it will.
  if (links.jmpPTR >= JUMP_TABLE_SIZE) fatal_error("Too many jump labels", ExitStatus::NoRoom);
  add_op(op, links.jmpPTR);
  return add_fwd_ref();
}

void patchJumpTable(int32_t label) {
  if (label < 0 || label >= JUMP_TABLE_SIZE) return;
  jump_table[label] = static_cast<int32_t>(emit.fCODE);
}

void add_missing_link(uint32_t p) {
  if (links.nextLink < 0 || links.nextLink >= MISSING_LINK_SIZE)
    fatal_error("Too many forward references", ExitStatus::NoRoom);
  missingLink[links.nextLink] = static_cast<int32_t>(p);
  links.nextLink++;
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
  TargetKind kind;
  // Units that together show the start-up jump still leading into a
  // routine's prologue.
  uint8_t count;
  uint8_t index[3];
  uint32_t unit[3];
};

constexpr StartupPattern startup_patterns[] = {
    {TargetKind::Thumb, 3, {0, 1, 2}, {0xF7FF, 0xFFFF, 0xB500}},
    {TargetKind::Arm, 2, {0, 1, 0}, {0xEAFFFFFF, 0xE92D4000, 0}},
    {TargetKind::OldArm, 2, {0, 5, 0}, {0xEAFFFFFF, 0xE1A00000, 0}},
};

void check_image_start() {
  for (const StartupPattern &s : startup_patterns) {
    if (s.kind != firmware.kind) continue;
    for (int k = 0; k < s.count; k++)
      if (static_cast<uint32_t>(Flash_codes[s.index[k]]) != s.unit[k]) return;
    fatal_error("inline execution of FUNCTION/SUB", ExitStatus::RoutineRunInto);
  }
}

}  // namespace

void optimizeTJ(uint32_t first, int final) {
  // A final resolution may come more than once (every RUN and the QUITDUMP
  // after it); links it resolved before are branches by now.
  if (final && first < static_cast<uint32_t>(links.resolvedLinks)) first = static_cast<uint32_t>(links.resolvedLinks);
  current_backend().resolve_links(first);
  if (final) {
    links.resolvedLinks = links.nextLink;
    check_image_start();
  }
}

void reset_links() {
  for (int32_t i = 0; i < links.jump_high_water && i < JUMP_TABLE_SIZE; i++) jump_table[i] = 0;
  for (int32_t i = 0; i < MISSING_LINK_SIZE; i++) missingLink[i] = 0;
  links = LinkState{};
}

int32_t keep_undefined_links(int32_t first, int32_t keepBelow) {
  int32_t kept = first;
  for (int32_t i = first; i < links.nextLink && i < MISSING_LINK_SIZE; i++) {
    int32_t p = missingLink[i];
    if (p < 0 || p + 1 >= FLASH_CODES_SIZE) continue;
    uint32_t w = current_backend().link_word(p);
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
