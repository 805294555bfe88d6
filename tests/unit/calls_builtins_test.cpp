#include <string>

#include "compile/builtins.h"
#include "compile/expression.h"
#include "compile/strings.h"
#include "expression_support.h"

namespace {

struct Case {
  const char *source;
  uint8_t integer;
  Ops ops;
  const char *message;
};

void check_cases(const Case *cases, size_t count, int (*compile_fn)()) {
  for (size_t i = 0; i < count; i++) {
    const Case &c = cases[i];
    SCOPED_TRACE(c.source);
    Ops ops;
    std::string out;
    int r = compile_line(c.source, c.integer, compile_fn, ops, out);
    if (*c.message) {
      EXPECT_EQ(r, 0);
      EXPECT_NE(out.find(std::string(": ") + c.message + "\n"), std::string::npos) << out;
      EXPECT_EQ(out.find("-ERROR"), out.rfind("-ERROR")) << out;
    } else {
      EXPECT_EQ(r, 1);
      EXPECT_EQ(out, "");
      EXPECT_EQ(ops, c.ops);
    }
  }
}

int numeric_expression() { return do_expr(0); }

constexpr int32_t F1 = 0x3F800000;

TEST(Calls, EveryParameterKind) {
  const Case cases[] = {
      // By reference: word indexes; by value: straight into the parameter.
      {"h(a, q, x, sa, s$, t$, 1)", 1,
       {{164, 0}, {103, 1}, {116, 40}, {103, 100}, {116, 41}, {103, 7}, {116, 42}, {103, 200}, {116, 43},
        {96, 40}, {116, 44}, {26, 0}, {96, 48}, {27, 0}, {96, 180}, {1, 0}, {118, 0}, {103, F1}, {116, 46},
        {138, 70}, {165, 0}},
       ""},
      // Pointers pass on the address they hold.
      {"h2(p$)", 1, {{164, 0}, {104, 20}, {116, 90}, {138, 90}, {165, 0}}, ""},
      {"h2(cs)", 1, {{164, 0}, {98, 0x1FF00}, {116, 90}, {138, 90}, {165, 0}}, ""},
      // A one-character literal becomes a two-byte constant string.
      {"h2(\"A\")", 1, {{164, 0}, {98, 0x20000 - 2}, {116, 90}, {138, 90}, {165, 0}}, ""},
      {"pa(1, 2)", 1,
       {{164, 0}, {103, 60}, {103, 1}, {100, 60}, {19, 1}, {3, 1}, {103, 2}, {100, 61}, {19, 1}, {3, 1},
        {103, 75}, {1, 0}, {103, 1}, {3, 2}, {138, 80}, {165, 0}},
       ""},
      // Without arguments only a routine without parameters may be called.
      {"pa()", 1, {}, "Too few parameters"},
      {"fc", 0, {{164, 0}, {138, 110}, {165, 0}}, ""},
      {"h(5, q, x, sa, s$, t$, 1)", 1, {}, "Expected integer variable or pointer"},
      {"h(a, a, x, sa, s$, t$, 1)", 1, {}, "Expected integer array"},
      {"h(a, q, a, sa, s$, t$, 1)", 1, {}, "Expected single variable or pointer"},
      {"h(a, q, x, q, s$, t$, 1)", 1, {}, "Expected single array"},
      {"h2(5)", 1, {}, "Expected string variable"},
      {"g(1 2)", 1, {}, "Call Function syntax error"},
      {"sb", 1, {}, "Expected numeric Function"},
      // A STRING function as a number is a string comparison.
      {"fs + 1", 1, {}, "expected comparison operator"},
  };
  check_cases(cases, sizeof cases / sizeof cases[0], numeric_expression);
  // The string result of FS in a string expression.
  Ops ops;
  std::string out;
  ASSERT_EQ(compile_line("fs", 1, [] { return do_str_expr(0); }, ops, out), 1);
  EXPECT_EQ(ops, (Ops{{26, 1}, {164, 0}, {138, 100}, {165, 0}}));
}

TEST(Builtins, FunctionsAndTheirArguments) {
  const Case cases[] = {
      {"LEN(s$)", 1, {{96, 40}, {39, 1}}, ""},
      {"LEN(p$)", 1, {{104, 20}, {39, 1}}, ""},
      {"VAL(\"12\")", 1, {{98, 0x20000 - 3}, {122, 0}}, ""},
      {"LEN(LEFT(s$, 2))", 1, {{26, 1}, {96, 40}, {154, 0}, {103, 2}, {29, 1}, {96, 0x10000}, {39, 1}}, ""},
      {"LEN(s$ + t$)", 1, {}, "Expected )"},
      {"STRCOMP(s$, \"ab\")", 1, {{96, 40}, {99, 0x20000 - 3}, {31, 1}}, ""},
      {"CHR(65) = s$", 1, {{98, 0x20000 - 2}, {97, 40}, {31, 1}, {100, 0}, {32, 1}}, ""},
      {"RXD(1)", 1, {{103, 1}, {1, 0}, {82, 0}}, ""},
      {"RXD0", 1, {{103, 0}, {1, 0}, {84, 0}}, ""},
      {"RXD1", 1, {}, "RXD1 has been replaced with RXD(1)"},
      {"OUT(3)", 1, {{103, 3}, {152, 0}}, ""},
      {"FILEWRITEBYTE(1, 2)", 1, {{103, 1}, {1, 0}, {103, 2}, {181, 0}}, ""},
      {"FILEWRITEBYTE(1, 2", 1, {}, "Expected )"},
      {"FILEOPEN(s$, 1)", 1, {{26, 1}, {96, 40}, {27, 1}, {103, 1}, {179, 0}}, ""},
      {"WRITE(1, q, 4)", 1, {{164, 0}, {103, 1}, {1, 0}, {96, 400}, {128, 0}, {103, 4}, {173, 0}, {165, 0}}, ""},
      {"WRITE(1, 77, 4)", 1, {{164, 0}, {103, 1}, {1, 0}, {103, 77}, {128, 0}, {103, 4}, {173, 0}, {165, 0}}, ""},
      {"WRITE(1, a, 4)", 1, {}, "expected Array or String"},
      {"INS", 1, {}, "Not in IOHB code"},
      {"NOT 1 = 1", 1, {{103, 0}}, ""},
      {"a = NOT 1", 1, {{103, 0}, {11, 1}, {104, 1}, {32, 1}}, ""},
      {"&a", 1, {{96, 4}}, ""},
      {"ADDRESSOF g", 1, {{103, 0x3000 + 100}}, ""},
      {"ADDRESSOF w", 1, {{98, 0x1F000}}, ""},
      // Jumps name their compiler labels until the final resolution.
      {"IF(a, 1, 2)", 1, {{104, 1}, {62, 1}, {103, 1}, {63, 2}, {103, 2}}, ""},
      {"IF(a 1, 2)", 1, {}, "Expected ,"},
  };
  check_cases(cases, sizeof cases / sizeof cases[0], numeric_expression);
}

TEST(Builtins, PortsByPart) {
  struct Port {
    uint16_t part;
    const char *source;
    Ops ops;
  };
  const Port cases[] = {
      {0x2138, "P2(5)", {{103, 5}, {68, 0}}},
      {0x1755, "P0(5)", {{103, 5}, {64, 0}}},
      {0x0040, "P0(5)", {{103, 5}, {152, 0}}},
      {0x0040, "P2(5)", {{103, 5}, {100, 64}, {20, 1}, {152, 0}}},
      {0x0040, "P4(a)", {{104, 1}, {100, 128}, {20, 1}, {152, 0}}},
  };
  for (const Port &c : cases) {
    SCOPED_TRACE(c.source);
    Ops ops;
    std::string out;
    static uint16_t part;
    part = c.part;
    auto compile_for_part = [] {
      f_table[2] = part;
      compute_firmware_facts();
      return do_expr(1);
    };
    ASSERT_EQ(compile_line(c.source, 1, compile_for_part, ops, out), 1);
    EXPECT_EQ(ops, c.ops);
  }
}

TEST(Builtins, StringComparisonInSingleExpressionIsInteger) {
  Ops ops;
  std::string out;
  ASSERT_EQ(compile_line("s$ < t$", 0, [] { return do_expr(0); }, ops, out), 1);
  EXPECT_EQ(ops, (Ops{{96, 40}, {97, 48}, {31, 1}, {100, 0}, {33, 1}, {12, 0}}));
  EXPECT_EQ(emit.integer_ops, 0);
}

TEST(Builtins, AddressesOfEveryKind) {
  struct Address {
    const char *source;
    uint32_t addr;
  };
  // Code at 0x3000 (Thumb, two bytes a unit), RAM at 0x40000000, the
  // string area's top at FlashEnd 0x79000.
  const Address cases[] = {
      {"ADDRESSOF g", 0x3000 + 100}, {"ADDRESSOF l", 0x3000 + 20},   {"ADDRESSOF b", 0x40000008},
      {"ADDRESSOF q", 0x40000190},   {"ADDRESSOF w", 0x79000 - 0x20000 + 0x1F000},
      {"ADDRESSOF cs", 0x79000 - 0x20000 + 0x1FF00}, {"ADDRESSOF \"xy\"", 0x79000 - 3},
  };
  for (const Address &c : cases) {
    SCOPED_TRACE(c.source);
    reset_everything();
    f_table[7] = 0x4000;
    compute_firmware_facts();
    declare_program();
    declare_routines();
    ASSERT_EQ(tokenize(c.source), 1);
    cursor.g_tokenptr = 0;
    cursor.g_token = g_tokenlist[0];
    ASSERT_EQ(do_addr(), 1);
    EXPECT_EQ(static_cast<uint32_t>(expr.the_addr), c.addr);
  }
}

TEST(Builtins, LookaheadForStringComparison) {
  struct Look {
    const char *source;
    int index;
    int result;
  };
  const Look cases[] = {
      {"1 = s$", 1, 1},      {"1 = s$(2)", 1, 0}, {"1 = a", 1, 0},   {"1 = (\"xy\")", 1, 1}, {"1 = \"A\"", 1, 1},
      {"1 + s$", 1, 0},      {"1 = ABS(s$)", 1, 0}, {"1 = fs", 1, 1}, {"1 = g(1)", 1, 0},   {"1 = )", 1, 0},
  };
  for (const Look &c : cases) {
    SCOPED_TRACE(c.source);
    reset_everything();
    declare_program();
    declare_routines();
    ASSERT_EQ(tokenize(c.source), 1);
    EXPECT_EQ(lookahead4stringcompare(c.index), c.result);
  }
}

}  // namespace
