// The back ends behind one record each: what the shared code generator
// (add_op, the pool check before a label, jump resolution) asks of the back
// end in use. Adding a back end means one more record here and one more
// case in current_backend.
#pragma once
#include <cstdint>

#include "codegen/operations.h"

struct Backend {
  const char *name;
  // The back end's column of operations.def.
  OnTarget Operation::*column;
  // Appends the code of one operation at fCODE.
  void (*add_op)(uint16_t op, int32_t operand);
  // Places the pending constants now if the next operation would place
  // them anyway; nullptr where constants are built inline.
  void (*flush_pool_if_due)();
  // Rewrites the placeholders of links first .. nextLink - 1 into branches.
  // The I/O-handler back ends' jumps live in Thumb code and are resolved
  // with it.
  void (*resolve_links)(uint32_t first);
  // The link word the placeholder at unit p holds.
  uint32_t (*link_word)(int32_t p);
};

extern const Backend arm_backend, thumb_backend, ioha_backend, iohb_backend;

// The back end add_op uses now: ARM on ARM-class firmware; otherwise the
// I/O handler's inside its sections (inside_ezh), else Thumb.
const Backend &current_backend();
