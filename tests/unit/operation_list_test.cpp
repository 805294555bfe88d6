// operations.def says, for every operation, how each back end and the host
// interpreter treat it. These tests hold each of them to its column, so an
// operation cannot be half-added: a back end without code for it fails
// unless the list says "not on this target" (X) or "no code of its own" (N).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "arm_support.h"
#include "codegen/target.h"
#include "host_support.h"

namespace {

// An operand of the kind the operation takes, valid on every target: label
// and symbol 1, code unit 0, variable word 1, register 0.
int32_t operand_for(OperandKind kind) {
  switch (kind) {
    case OperandKind::LABEL:
    case OperandKind::SYMBOL:
    case OperandKind::WORD: return 1;
    case OperandKind::BYTES: return 4;
    case OperandKind::VALUE: return 5;
    case OperandKind::PERIPHERAL: return 0x4000;
    default: return 0;
  }
}

struct Emitted {
  uint32_t units;
  uint32_t errors;
};

// One operation alone on a fresh program for the back end, with a full
// firmware table: ARM firmware 2000, or Thumb firmware 2054 inside an
// I/O-handler section where the back end is one.
Emitted emit_alone(const Backend &backend, const Operation &op) {
  if (&backend == &arm_backend) {
    arm_target(2000);
  } else {
    fresh_target(2054);
    full_firmware_table();
  }
  emit.inside_ezh = &backend == &ioha_backend ? 1 : &backend == &iohb_backend ? 2 : 0;
  EXPECT_EQ(&current_backend(), &backend);
  uint32_t start = emit.fCODE, errors = diag.error_count;
  testing::internal::CaptureStderr();
  capture_stdout([&] { add_op(op.code, operand_for(op.operand)); });
  testing::internal::GetCapturedStderr();
  return {emit.fCODE - start, diag.error_count - errors};
}

TEST(OperationList, EveryBackEndDoesWhatItsColumnSays) {
  for (const Backend *backend : {&arm_backend, &thumb_backend, &ioha_backend, &iohb_backend}) {
    for (const Operation &op : operation_set) {
      SCOPED_TRACE(testing::Message() << backend->name << " " << op.name);
      Emitted e = emit_alone(*backend, op);
      switch (op.*(backend->column)) {
        case OnTarget::C:
          EXPECT_GT(e.units, 0u);
          EXPECT_EQ(e.errors, 0u);
          break;
        case OnTarget::N:
          EXPECT_EQ(e.units, 0u);
          EXPECT_EQ(e.errors, 0u);
          break;
        case OnTarget::X:
          // Refused (reported) or unknown to the back end: no code either way.
          EXPECT_EQ(e.units, 0u);
          break;
      }
    }
  }
}

// The I/O-handler back ends report what they do not have rather than leave
// it out in silence.
TEST(OperationList, TheIoHandlerReportsWhatItDoesNotHave) {
  for (const Backend *backend : {&ioha_backend, &iohb_backend}) {
    for (const Operation &op : operation_set) {
      if (op.*(backend->column) != OnTarget::X) continue;
      SCOPED_TRACE(testing::Message() << backend->name << " " << op.name);
      EXPECT_EQ(emit_alone(*backend, op).errors, 1u);
    }
  }
}

class OperationListOnTheHost : public HostTest {};

// Every operation runs alone, followed by END, with its operand pointing at
// the END (a jump's target, a call's return): the interpreter knows it, or
// stops with "UNKNOWN OP" where the list says it is not on the host.
TEST_F(OperationListOnTheHost, TheInterpreterRunsWhatTheListSays) {
  for (const Operation &op : operation_set) {
    SCOPED_TRACE(op.name);
    SetUp();
    INT_ops[0] = op.code;
    INT_addrs[0] = 1;
    INT_ops[1] = OP_END;
    INT_addrs[1] = 0;
    emit.fCODE = 2;
    StdinFeed feed("a line for GETSTR\n");
    std::string out = capture_stdout([] { runINT(); });
    char unknown[40];
    snprintf(unknown, sizeof unknown, "UNKNOWN OP @ 0: %x\n", op.code);
    if (op.host == OnTarget::X)
      EXPECT_EQ(out, unknown);
    else
      EXPECT_EQ(out.find("UNKNOWN OP"), std::string::npos) << out;
  }
}

}  // namespace
