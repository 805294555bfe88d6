#include "codegen/target.h"

#include "codegen/arm/arm.h"
#include "codegen/emit.h"
#include "codegen/ioha/ioha.h"
#include "codegen/iohb/iohb.h"
#include "codegen/thumb/thumb.h"
#include "core/firmware.h"

const Backend arm_backend = {"ARM", &Operation::arm, add_ARM_op, nullptr, ARMoptimizeTJ, ARM_link_word};
const Backend thumb_backend = {"Thumb", &Operation::thumb, add_TH_op, TH_flush_pool_if_due, THoptimizeTJ, TH_link_word};
// IOHA code has no pool check: its constants are built inline.
const Backend ioha_backend = {"IOHA", &Operation::ioha, add_IOHA_op, nullptr, THoptimizeTJ, TH_link_word};
const Backend iohb_backend = {"IOHB",       &Operation::iohb, add_IOHB_op, IOHB_flush_pool_if_due,
                              THoptimizeTJ, TH_link_word};

const Backend &current_backend() {
  if (arm_class()) return arm_backend;
  switch (emit.inside_ezh) {
    case 1: return ioha_backend;
    case 2: return iohb_backend;
    default: return thumb_backend;
  }
}
