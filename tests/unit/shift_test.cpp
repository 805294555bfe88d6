// Shifts by any count give what the boards' register shifts give: the count
// is the operand's low byte, and 32 or more shifts every bit out. RUN, the
// constant folder and the folded source agree on every count.
#include <climits>
#include <string>

#include "expression_support.h"
#include "host_support.h"

namespace {

struct ShiftCase {
  int32_t value;
  uint16_t op;  // 25 (<<) or 24 (>>); op 5 and op 25 share one table row
  int32_t count;
  int32_t result;
};

// Worked out by hand from the instruction set's rule, not from the code.
const ShiftCase kShiftCases[] = {
    {1, 25, 0, 1},
    {1, 25, 1, 2},
    {1, 25, 31, INT_MIN},
    {1, 25, 32, 0},
    {1, 25, 33, 0},
    {1, 25, 35, 0},
    {1, 25, 40, 0},
    {1, 25, 255, 0},
    {1, 25, 256, 1},
    {1, 25, 257, 2},
    {1, 25, -1, 0},           // low byte 0xFF
    {1, 25, -255, 2},         // low byte 0x01
    {1, 25, -224, 0},         // low byte 0x20
    {3, 25, 4, 48},
    {-1, 25, 31, INT_MIN},
    {256, 24, 0, 256},
    {256, 24, 1, 128},
    {256, 24, 31, 0},
    {256, 24, 32, 0},
    {256, 24, 33, 0},
    {256, 24, 35, 0},
    {256, 24, 40, 0},
    {256, 24, 255, 0},
    {256, 24, 256, 256},
    {256, 24, 257, 128},
    {256, 24, -1, 0},
    {-256, 24, 0, -256},
    {-256, 24, 1, -128},
    {-256, 24, 31, -1},
    {-256, 24, 32, -1},
    {-256, 24, 33, -1},
    {-256, 24, 35, -1},
    {-256, 24, 40, -1},
    {-256, 24, 255, -1},
    {-256, 24, 256, -256},
    {-256, 24, 257, -128},
    {-256, 24, -1, -1},
    {-256, 24, -254, -64},    // low byte 0x02
    {INT_MIN, 24, 31, -1},
    {INT_MAX, 24, 32, 0},
};

std::string describe(const ShiftCase &c) {
  return std::to_string(c.value) + (c.op == 25 ? " << " : " >> ") + std::to_string(c.count);
}

class ShiftRun : public HostTest {};

TEST_F(ShiftRun, CountInARegisterAsOnTheBoard) {
  for (const ShiftCase &c : kShiftCases) {
    const uint16_t ops[] = {c.op == 25 ? OP_TSHL : OP_SHR, c.op == 25 ? OP_SHL : OP_SHR};
    for (uint16_t op : ops) {
      SCOPED_TRACE(describe(c) + " op " + std::to_string(op));
      SetUp();
      add_op(OP_CONST, c.count);
      add_op(OP_ACC2OPND, 0);
      add_op(OP_CONST, c.value);
      typed_op(op, 1);
      EXPECT_EQ(run(), "");
      EXPECT_EQ(vm.last_accum, c.result);
    }
  }
}

TEST(ShiftFold, ComputeOpAsOnTheBoard) {
  for (const ShiftCase &c : kShiftCases) {
    EXPECT_EQ(compute_op(c.value, c.op, c.count), c.result) << describe(c);
  }
}

// The source operand as the dialect writes it.
std::string literal(int32_t v) {
  if (v == INT_MIN) return "&H80000000";
  if (v < 0) return "(" + std::to_string(v) + ")";
  return std::to_string(v);
}

class ShiftSource : public CompilerTest {};

TEST_F(ShiftSource, ConstantShiftsFoldAsOnTheBoard) {
  for (const ShiftCase &c : kShiftCases) {
    const std::string source = literal(c.value) + (c.op == 25 ? " << " : " >> ") + literal(c.count);
    SCOPED_TRACE(source);
    reset_everything();
    declare_program();
    ASSERT_EQ(tokenize(source), 1);
    cursor.g_tokenptr = 0;
    cursor.g_token = g_tokenlist[0];
    emit.integer_ops = 1;
    emit.bitwise_ops = 1;
    ASSERT_EQ(is_const_expr(0), 1);
    EXPECT_EQ(expr.const_expr_value, c.result);
  }
}

}  // namespace
