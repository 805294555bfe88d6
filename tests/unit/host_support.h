// Helpers of the host-execution tests: operation streams built through
// add_op on a Thumb-class target, run by the interpreter with their output
// captured, and references into the host memory windows.
#pragma once
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "codegen/emit.h"
#include "codegen/links.h"
#include "codegen/operations.h"
#include "codegen_support.h"
#include "compile/expression.h"
#include "core/clock.h"
#include "frontend/tokenizer.h"
#include "host/host_memory.h"
#include "host/interpreter.h"
#include "host/runtime.h"
#include "test_support.h"

inline int32_t single(float f) { return std::bit_cast<int32_t>(f); }
inline float as_float(int32_t bits) { return std::bit_cast<float>(bits); }

inline int32_t var_ref(uint32_t byte_offset) { return static_cast<int32_t>(VAR_WINDOW + byte_offset); }
inline int32_t const_ref(uint32_t offset) { return static_cast<int32_t>(CONST_WINDOW + offset); }

// Stores text with its NUL in the constant string area, as the tokenizer
// does; returns its offset.
inline int32_t const_string(const std::string &text) {
  cstrings.ConstantStringPtr -= static_cast<int32_t>(text.size()) + 1;
  memcpy(g_stringtable + cstrings.ConstantStringPtr, text.data(), text.size());
  g_stringtable[cstrings.ConstantStringPtr + static_cast<int32_t>(text.size())] = 0;
  return cstrings.ConstantStringPtr;
}

// Writes text and its NUL into the variable area at byte offset.
inline void var_string(uint32_t byte_offset, const std::string &text) {
  memcpy(g_var_seg + byte_offset, text.c_str(), text.size() + 1);
}

inline std::string var_text(uint32_t byte_offset) {
  return std::string(reinterpret_cast<const char *>(g_var_seg + byte_offset));
}

inline std::string accum_text() { return var_text(str_accum_offset()); }

// Emits op with an explicit integer_ops for typed operations.
inline void typed_op(uint16_t op, uint8_t integer, int32_t operand = 0) {
  emit.integer_ops = integer;
  add_op(op, operand);
  emit.integer_ops = 1;
}

// A fresh program after the reset's start-up jump, with the registers,
// variables and string state of an earlier test cleared.
class HostTest : public testing::Test {
 protected:
  void SetUp() override {
    reset_everything();
    reset_host_machine();
  }

  // Ends the program as RUN does and runs it; returns what it printed.
  std::string run() {
    add_op(OP_END, 0);
    optimizeTJ(0, 1);
    return capture_stdout([] { runINT(); });
  }

  // Runs the stream as it stands, without adding END.
  std::string run_as_is() {
    optimizeTJ(0, 1);
    return capture_stdout([] { runINT(); });
  }

  // The unit index at which the next operation's record will stand,
  // for a one-unit operation.
  static int32_t next_index() { return static_cast<int32_t>(emit.fCODE); }
};
