#include <string>
#include <utility>
#include <vector>

#include "codegen/emit.h"
#include "compile/builtins.h"
#include "compile/expression.h"
#include "compile/procedures.h"
#include "compile/strings.h"
#include "frontend/symbols.h"
#include "expression_support.h"
#include "test_support.h"

namespace {

struct ExprCase {
  const char *source;
  int typeCheck;     // do_expr's argument; with 0 the mode below is used
  uint8_t integer;   // integer_ops before the call when typeCheck is 0
  Ops ops;
  const char *message;  // "" when none
};

class ExpressionTest : public CompilerTest {
 protected:
  // Compiles source as one expression; returns do_expr's result.
  int compile_expression(const ExprCase &c, Ops &ops, std::string &out) {
    reset_everything();
    declare_program();
    EXPECT_EQ(tokenize(c.source), 1);
    cursor.g_tokenptr = 0;
    cursor.g_token = g_tokenlist[0];
    emit.integer_ops = c.integer;
    emit.bitwise_ops = 1;
    uint32_t start = emit.fCODE;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int r = do_expr(static_cast<uint8_t>(c.typeCheck));
    out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    ops = recorded_ops(start);
    return r;
  }
};

constexpr int32_t F1_5 = 0x3FC00000, F2 = 0x40000000, F3 = 0x40400000, F5 = 0x40A00000;

TEST_F(ExpressionTest, OperationSequences) {
  const ExprCase cases[] = {
      // Folding in integer mode, none in SINGLE mode.
      {"2 + 3 * 4", 1, 1, {{103, 14}}, ""},
      {"2 + 3", 0, 0, {{100, F3}, {103, F2}, {16, 0}}, ""},
      {"a + b * c", 1, 1, {{102, 3}, {104, 2}, {4, 1}, {11, 1}, {104, 1}, {16, 1}}, ""},
      {"-5 * a", 1, 1, {{102, 1}, {103, -5}, {4, 1}}, ""},
      // The two-reduction rule: a OR (b AND ((c + d * e) OR f)).
      {"a OR b AND c + d * e OR f", 1, 1,
       {{102, 5}, {104, 4}, {4, 1}, {11, 1}, {104, 3}, {16, 1}, {102, 6}, {48, 1}, {11, 1}, {104, 2}, {40, 1},
        {11, 1}, {104, 1}, {48, 1}},
       ""},
      // AND after the first comparison is logical, before it bitwise.
      {"a = 1 AND b = 2", 1, 1,
       {{100, 1}, {104, 1}, {32, 1}, {129, 5}, {100, 2}, {104, 2}, {32, 1}, {11, 1}, {10, 1}, {41, 1}}, ""},
      {"a AND 1 = 1", 1, 1, {{100, 1}, {104, 1}, {40, 1}}, ""},
      {"NOT 0", 1, 1, {{103, -1}}, ""},
      {"NOT 5 = 5", 1, 1, {{103, 0}}, ""},
      {"NOT a", 1, 1, {{104, 1}, {114, 88}}, ""},
      {"NOT a = b", 1, 1, {{102, 2}, {104, 1}, {32, 1}, {115, 88}}, ""},
      // The first typed operand decides the mode.
      {"1.5 + a", 1, 1, {{102, 1}, {13, 0}, {103, F1_5}, {16, 0}}, ""},
      {"a + 1.5", 1, 1, {{100, 1}, {104, 1}, {16, 1}}, ""},
      {"x", 0, 1, {{104, 7}, {14, 1}}, ""},
      {"a", 0, 0, {{104, 1}, {12, 0}}, ""},
      {"-a", 0, 0, {{104, 1}, {12, 0}, {113, 0}}, ""},
      {"-x * 2", 1, 1, {{104, 7}, {113, 0}, {100, F2}, {4, 0}}, ""},
      {"- - 5", 1, 1, {{103, 5}, {113, 1}, {113, 1}}, ""},
      // Operands: arrays, string bytes, word tables, constants.
      {"q(3)", 1, 1, {{103, 103}, {2, 0}}, ""},
      {"q(a)", 1, 1, {{104, 1}, {100, 100}, {20, 1}, {2, 0}}, ""},
      {"s$(0)", 1, 1, {{96, 40}, {105, 0}}, ""},
      {"s$(a)", 1, 1, {{104, 1}, {97, 40}, {20, 1}, {105, 0}}, ""},
      {"w(2)", 1, 1, {{98, 0x1F008}, {110, 11}}, ""},
      {"w(a)", 1, 1, {{104, 1}, {100, 2}, {5, 1}, {99, 0x1F000}, {20, 1}, {110, 11}}, ""},
      {"k * 2", 1, 1, {{100, 2}, {103, 5}, {4, 1}}, ""},
      {"2 * k", 1, 1, {{103, 5}, {11, 1}, {103, 2}, {4, 1}}, ""},
      // A constant keeps its kind: converted like a literal of that kind.
      {"a + kf", 1, 1, {{103, 2}, {11, 1}, {104, 1}, {16, 1}}, ""},
      {"x + k", 1, 1, {{103, F5}, {11, 0}, {104, 7}, {16, 0}}, ""},
      // A parenthesised constant in a SINGLE expression loads as a SINGLE.
      {"1.5 * (2 + 3)", 1, 1, {{103, F5}, {11, 0}, {103, F1_5}, {4, 0}}, ""},
      {"*a", 1, 1, {{104, 1}, {110, 5}}, ""},
      {"*(ADDRESSOF a)", 1, 1, {{103, 4}, {110, 5}}, ""},
      {"ABS(a)", 1, 1, {{104, 1}, {119, 1}}, ""},
      // A division by a constant 0 is left to run time.
      {"8 / 0", 1, 1, {{100, 0}, {103, 8}, {7, 1}}, ""},
      // Calls: the argument goes straight into the parameter variable.
      {"g(1) + a * 2 * 3", 1, 1,
       {{164, 0}, {103, 1}, {116, 30}, {138, 50}, {165, 0}, {129, 5}, {100, 2}, {104, 1}, {4, 1}, {100, 3}, {4, 1},
        {11, 1}, {10, 1}, {16, 1}},
       ""},
      // Built-in functions.
      {"CHR(300)", 1, 1, {{103, 300}, {100, 255}, {40, 1}}, ""},
      {"CHR(a)", 1, 1, {{104, 1}}, ""},
      {"P2(5)", 1, 1, {{103, 5}, {68, 0}}, ""},
      {"TIMER", 1, 1, {{92, 0}}, ""},
      {"ADDRESSOF s$", 1, 1, {{96, 40}}, ""},
      {"IO(4)", 1, 1, {{103, 4}, {1, 0}, {103, 0}, {151, 0}, {9, 1}, {152, 0}}, ""},
      // String comparisons yield integers.
      {"s$ < p$", 1, 1, {{96, 40}, {102, 20}, {31, 1}, {100, 0}, {33, 1}}, ""},
      {"s$ + t$ = u$", 1, 1,
       {{26, 1}, {96, 40}, {27, 1}, {96, 48}, {27, 1}, {96, 4 * 0x4000}, {97, 56}, {31, 1}, {100, 0}, {32, 1}}, ""},
      // Errors.
      {"s$ + t$ = u$ + v$", 1, 1, {}, "Nested String Function"},
      {"g(1, 2)", 1, 1, {}, "Too many parameters"},
      {"g", 1, 1, {}, "Too few parameters"},
      {"g()", 1, 1, {}, "Too few parameters"},
      {"a LEFT b", 1, 1, {}, "Unknown operator"},
      {"a LEN b", 1, 1, {}, "Unknown operator"},
      {"a + )", 1, 1, {}, "Expected Operand"},
      {"TIMER + 1.5", 0, 0, {}, "Illegal conversion to single"},
      {"ABS a", 1, 1, {}, "Expected ("},
      {"ADDRESSOF 5", 1, 1, {}, "Expected variable or function"},
  };
  for (const ExprCase &c : cases) {
    SCOPED_TRACE(c.source);
    Ops ops;
    std::string out;
    int r = compile_expression(c, ops, out);
    if (*c.message) {
      EXPECT_EQ(r, 0);
      EXPECT_NE(out.find(std::string(": ") + c.message + "\n"), std::string::npos) << out;
      // One report, not a cascade.
      EXPECT_EQ(out.find("-ERROR"), out.rfind("-ERROR")) << out;
    } else {
      EXPECT_EQ(r, 1);
      EXPECT_EQ(out, "");
      EXPECT_EQ(ops, c.ops);
      EXPECT_EQ(cursor.g_token, TOK_EOL);
    }
  }
}

TEST_F(ExpressionTest, ExpressionEndsAtItsTerminator) {
  const char *sources[] = {"a + 1, 2", "a TO 5", "a THEN", "a)", "a; b", "a ELSE", "a STEP 2", "a DOWNTO 1", "a c"};
  const uint16_t enders[] = {223, 224, 227, 254, 251, 233, 226, 225, 0x8003};
  for (size_t i = 0; i < sizeof sources / sizeof sources[0]; i++) {
    SCOPED_TRACE(sources[i]);
    reset_everything();
    declare_program();
    ASSERT_EQ(tokenize(sources[i]), 1);
    cursor.g_tokenptr = 0;
    cursor.g_token = g_tokenlist[0];
    EXPECT_EQ(do_expr(1), 1);
    EXPECT_EQ(cursor.g_token, enders[i]);
  }
}

TEST_F(ExpressionTest, ConstantExpressions) {
  struct Const {
    const char *source;
    int constant;
    int32_t value;
  };
  const Const cases[] = {
      {"(2 + 3) * 4", 1, 20},     {"2 + 3 * 4", 1, 14},    {"-5 + 2", 1, -3},       {"NOT 0", 1, -1},
      {"NOT 5 = 5", 1, 0},        {"k * 2", 1, 10},        {"2 * k", 0, 0},         {"7 MOD 3", 1, 1},
      {"-7 / 2", 1, -3},          {"1 << 33", 1, 0},       {"-16 >> 2", 1, -4},     {"8 / 0", 0, 0},
      {"8 MOD 0", 0, 0},          {"a + 1", 0, 0},         {"ADDRESSOF a", 1, 0x40000004}, {"3 XOR 5", 1, 6},
      {"1 = 1 AND 2", 1, 1},      {"2.7 + 1", 1, 3},       {"-2.7", 1, -2},
  };
  for (const Const &c : cases) {
    SCOPED_TRACE(c.source);
    reset_everything();
    f_table[7] = 0x4000;
    compute_firmware_facts();
    declare_program();
    ASSERT_EQ(tokenize(c.source), 1);
    cursor.g_tokenptr = 0;
    cursor.g_token = g_tokenlist[0];
    emit.integer_ops = 1;
    emit.bitwise_ops = 1;
    uint32_t start = emit.fCODE;
    EXPECT_EQ(is_const_expr(0), c.constant);
    EXPECT_EQ(emit.fCODE, start);  // emits nothing
    if (c.constant) {
      EXPECT_EQ(expr.const_expr_value, c.value);
      EXPECT_EQ(cursor.g_token, TOK_EOL);
    } else {
      EXPECT_EQ(cursor.g_tokenptr, 0);
    }
  }
}

TEST(ComputeOp, WrapsWithoutUndefinedBehaviour) {
  EXPECT_EQ(compute_op(INT32_MIN, 7, -1), INT32_MIN);
  EXPECT_EQ(compute_op(INT32_MIN, 8, -1), 0);
  EXPECT_EQ(compute_op(INT32_MAX, 16, 1), INT32_MIN);
  EXPECT_EQ(compute_op(INT32_MIN, 17, 1), INT32_MAX);
  EXPECT_EQ(compute_op(0x10000, 4, 0x10000), 0);
  EXPECT_EQ(compute_op(-1, 25, 31), INT32_MIN);
  EXPECT_EQ(compute_op(5, 55, 0), 1);
  EXPECT_EQ(compute_op(5, 41, 0), 0);
  EXPECT_EQ(compute_op(0, 49, 3), 1);
  EXPECT_EQ(single_bits_to_int(0x7FC00000), 0);           // NaN
  EXPECT_EQ(single_bits_to_int(0x7F800000), INT32_MAX);   // +inf
  EXPECT_EQ(single_bits_to_int(0xCF800000), INT32_MIN);   // -2^32
  EXPECT_EQ(single_bits_to_int(0xC0300000), -2);          // -2.75
}

TEST_F(ExpressionTest, LongFallingChainsAreTooComplex) {
  std::string chain = "a XOR a OR a AND a = a >> a + a MOD a * a";
  std::string source = chain + " XOR " + chain + " XOR " + chain;
  ExprCase c{source.c_str(), 1, 1, {}, ""};
  Ops ops;
  std::string out;
  EXPECT_EQ(compile_expression(c, ops, out), 0);
  EXPECT_NE(out.find("Expression too complex"), std::string::npos);
}

struct StrCase {
  const char *source;
  uint8_t convert;
  int result;
  Ops ops;
  const char *message;
  uint16_t stop;  // token the cursor stops on
};

TEST_F(ExpressionTest, StringExpressions) {
  // "!!" is string literal 0 at 0x20000 - 3.
  const StrCase cases[] = {
      {"t$ + \"!!\"", 0, 1, {{26, 1}, {96, 48}, {27, 1}, {98, 0x20000 - 3}, {27, 1}}, "", TOK_EOL},
      {"CHR(65) + \"B\"", 0, 1, {{26, 1}, {103, 65}, {28, 1}, {103, 66}, {28, 1}}, "", TOK_EOL},
      {" \"A\" + CHR(0)", 0, 1, {{26, 1}, {103, 65}, {28, 1}, {103, 0}, {28, 1}}, "", TOK_EOL},
      {" \"A\" + CHR(0) + \"B\"", 0, 0, {}, "0 character terminates string operation early", 0},
      {"t$ + 5", 0, 1, {{26, 1}, {96, 48}, {27, 1}}, "", 16},
      {"t$ + 5", 1, 1, {{26, 1}, {96, 48}, {27, 1}, {103, 5}, {121, 1}}, "", TOK_EOL},
      {"t$ + a", 1, 1, {{26, 1}, {96, 48}, {27, 1}, {104, 1}, {121, 1}}, "", TOK_EOL},
      {"STR(a)", 0, 1, {{26, 1}, {104, 1}, {121, 1}}, "", TOK_EOL},
      {"p$ + STR(a)", 0, 1, {{26, 1}, {104, 20}, {27, 1}, {104, 1}, {121, 1}}, "", TOK_EOL},
      {"LEFT(t$, 2)", 0, 1, {{26, 1}, {96, 48}, {154, 0}, {103, 2}, {29, 1}}, "", TOK_EOL},
      {"LEFT(t$ + u$, 2)", 0, 0, {}, "Expected ,", 0},
      {"HEX(255)", 0, 1, {{26, 1}, {103, 255}, {120, 0}}, "", TOK_EOL},
      {"5", 0, 0, {}, "", 0},
      // The lenient form leaves its empty start when no string stands here.
      {"5", 1, 0, {{26, 1}}, "", 0},
      {"t$ = u$", 0, 0, {}, "", 0},
      {"STR(LEN(t$ + u$))", 0, 0, {}, "Expected )", 0},
      {"STR(LEN(LEFT(t$, 2)))", 0, 0, {}, "Nested string operation", 0},
      {"t$ u$", 0, 0, {}, "Constant or variable string expected", 0},
  };
  for (const StrCase &c : cases) {
    SCOPED_TRACE(c.source);
    reset_everything();
    declare_program();
    ASSERT_EQ(tokenize(c.source), 1);
    cursor.g_tokenptr = 0;
    cursor.g_token = g_tokenlist[0];
    emit.integer_ops = 1;
    emit.bitwise_ops = 1;
    uint32_t start = emit.fCODE;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int r = do_str_expr(c.convert);
    std::string out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(r, c.result);
    if (*c.message) {
      EXPECT_NE(out.find(std::string(": ") + c.message + "\n"), std::string::npos) << out;
      EXPECT_EQ(out.find("-ERROR"), out.rfind("-ERROR")) << out;
    } else {
      EXPECT_EQ(out, "");
      EXPECT_EQ(recorded_ops(start), c.ops);
      if (r) {
        EXPECT_EQ(cursor.g_token, c.stop);
      }
    }
  }
}

TEST_F(ExpressionTest, ParameterArrays) {
  std::string fifteen = "1";
  for (int i = 2; i <= 15; i++) fifteen += ", " + std::to_string(i);
  reset_everything();
  ASSERT_EQ(tokenize(fifteen + ")"), 1);
  cursor.g_tokenptr = 0;
  cursor.g_token = g_tokenlist[0];
  uint32_t start = emit.fCODE;
  ASSERT_EQ(do_param_array(200), 1);
  EXPECT_EQ(cursor.g_token, 254);
  Ops ops = recorded_ops(start);
  ASSERT_EQ(ops.size(), 15u * 4u + 4u);
  EXPECT_EQ(ops[4 * 14], (std::pair<int32_t, int32_t>{103, 15}));
  EXPECT_EQ(ops[4 * 14 + 1], (std::pair<int32_t, int32_t>{100, 214}));
  Ops tail(ops.end() - 4, ops.end());
  EXPECT_EQ(tail, (Ops{{103, 215}, {1, 0}, {103, 14}, {3, 2}}));

  reset_everything();
  ASSERT_EQ(tokenize(fifteen + ", 16)"), 1);
  cursor.g_tokenptr = 0;
  cursor.g_token = g_tokenlist[0];
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(do_param_array(200), 0);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("ParamArrays limited to 15 values"), std::string::npos);
  testing::internal::GetCapturedStderr();
}

}  // namespace
