// PRINTF and SPRINTF from the argument block, run as compiled: the block
// filled with OP_STVAR, the byte offset of the block in the operand.
#include <climits>
#include <string>
#include <vector>

#include "host_support.h"

namespace {

constexpr int32_t BLOCK = 0x4000 - 16;

struct Arg {
  enum Kind { Int, Single, Text } kind;
  int32_t value;
  const char *text;
};

Arg I(int32_t v) { return {Arg::Int, v, nullptr}; }
Arg F(float v) { return {Arg::Single, single(v), nullptr}; }
Arg S(const char *t) { return {Arg::Text, 0, t}; }

class Printf : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    vars.printfLocal = BLOCK;
  }

  // Stores the format and the arguments into the block as the compiled
  // PRINTF does, then emits the statement.
  static void fill_block(const char *format, const std::vector<Arg> &args) {
    add_op(OP_STRADDR, const_string(format));
    add_op(OP_STVAR, BLOCK);
    int32_t word = BLOCK + 1;
    for (const Arg &a : args) {
      if (a.kind == Arg::Text)
        add_op(OP_STRADDR, const_string(a.text));
      else
        add_op(OP_CONST, a.value);
      add_op(OP_STVAR, word++);
    }
  }
  // Returns the index of the PRINTF's record.
  static int32_t printf_statement(const char *format, const std::vector<Arg> &args) {
    fill_block(format, args);
    add_op(OP_CONST, 0);
    add_op(OP_OPND_CONST, 4 * BLOCK);
    add_op(OP_PRINTF, 0);
    int32_t at = static_cast<int32_t>(emit.fCODE) - 1;
    add_op(OP_PRINTCR, 1);
    return at;
  }
  static void sprintf_expression(const char *format, const std::vector<Arg> &args) {
    add_op(OP_NEWSTR, 0);
    add_op(OP_PUSHIDX, 0);
    fill_block(format, args);
    add_op(OP_POPIDX, 0);
    add_op(OP_ADDR, static_cast<int32_t>(str_accum_offset()));
    add_op(OP_OPND_CONST, 4 * BLOCK);
    add_op(OP_SPRINTF, 0);
  }
};

struct FormatCase {
  const char *format;
  std::vector<Arg> args;
  const char *output;
};

TEST_F(Printf, EveryConversion) {
  const FormatCase cases[] = {
      {"d=%d i=%+i c=%c", {I(-42), I(7), I('A')}, "d=-42 i=+7 c=A"},
      {"u=%u x=%x X=%#X o=%o", {I(-1), I(255), I(255), I(8)}, "u=4294967295 x=ff X=0XFF o=10"},
      {"e=%e f=%.2f g=%g", {F(1.5f), F(3.14159f), F(0.0001f)}, "e=1.500000e+00 f=3.14 g=0.0001"},
      {"E=%E G=%G", {F(12345.678f), F(1e-5f)}, "E=1.234568E+04 G=1E-05"},
      {"s=[%5s] [%-5s] [%.2s]", {S("abc"), S("ab"), S("xyz")}, "s=[  abc] [ab   ] [xy]"},
      {"100%% %d", {I(5)}, "100% 5"},
      {"[%*d|%-*d|%.*f]", {I(5), I(42), I(4), I(7), I(3), F(2.5f)}, "[   42|7   |2.500]"},
      {"[%*d]", {I(-4), I(1)}, "[1   ]"},
      {"[%.*d]", {I(-1), I(12)}, "[12]"},
      {"[%05d|%-+4d|% d|%x]", {I(-42), I(3), I(9), I(INT_MIN)}, "[-0042|+3  | 9|80000000]"},
      // Anything we do not convert is copied as it stands and takes no
      // argument, not even through "*".
      {"%n %q %ld %*y %d", {I(6)}, "%n %q %ld %*y 6"},
      {"tail %", {}, "tail %"},
      {"tail %-5", {}, "tail %-5"},
      {"no conversions", {}, "no conversions"},
      {"%s|%s", {S(""), S("x")}, "|x"},
  };
  for (const FormatCase &c : cases) {
    SetUp();
    printf_statement(c.format, c.args);
    EXPECT_EQ(run(), std::string(c.output) + "\n") << c.format;
  }
}

TEST_F(Printf, ArgumentsAfterTheFourteenthAreZero) {
  std::vector<Arg> args;
  for (int k = 1; k <= 14; k++) args.push_back(I(k));
  // The word after the block's fourteenth argument holds something else.
  add_op(OP_CONST, 999);
  add_op(OP_STVAR, BLOCK + 15);
  printf_statement("%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d", args);
  EXPECT_EQ(run(), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 0 0\n");
}

TEST_F(Printf, WidthAndPrecisionAreBounded) {
  printf_statement("%300d|%.400f|%*d", {I(1), F(1.0f), I(INT_MAX), I(2)});
  std::string out = run();
  std::string expected = std::string(254, ' ') + "1|1." + std::string(255, '0') + "|" + std::string(254, ' ') + "2\n";
  EXPECT_EQ(out, expected);
}

TEST_F(Printf, SprintfFormatsIntoTheAccumulator) {
  // s$ = SPRINTF("x=%d", 5) + "!"
  sprintf_expression("x=%d", {I(5)});
  add_op(OP_STRADDR, const_string("!"));
  add_op(OP_ADDSTR, 0);
  add_op(OP_ADDR, 40);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_SAVESTR, 0);
  EXPECT_EQ(run(), "");
  EXPECT_EQ(var_text(40), "x=5!");
  EXPECT_EQ(accum_text(), "x=5!");
}

TEST_F(Printf, SprintfKeepsTheIndexRegister) {
  add_op(OP_CONST, 1234);
  add_op(OP_ACC2IDX, 0);
  sprintf_expression("%s", {S("kept")});
  add_op(OP_IDX2ACC, 0);
  EXPECT_EQ(run(), "");
  EXPECT_EQ(vm.last_accum, 1234);
  EXPECT_EQ(accum_text(), "kept");
}

TEST_F(Printf, SprintfStopsAt255Characters) {
  sprintf_expression("%200d%200d", {I(1), I(2)});
  add_op(OP_STRADDR, const_string("more"));
  add_op(OP_ADDSTR, 0);
  EXPECT_EQ(run(), "");
  EXPECT_EQ(accum_text(), std::string(199, ' ') + "1" + std::string(55, ' '));
  EXPECT_EQ(vm.str_aptr, 255);
}

TEST_F(Printf, SprintfMayReadTheAccumulatorItFills) {
  // "[%s]" of the accumulator's own "ab"
  add_op(OP_NEWSTR, 0);
  add_op(OP_STRADDR, const_string("ab"));
  add_op(OP_ADDSTR, 0);
  fill_block("[%s]", {});
  add_op(OP_ADDR, static_cast<int32_t>(str_accum_offset()));
  add_op(OP_STVAR, BLOCK + 1);
  add_op(OP_ADDR, static_cast<int32_t>(str_accum_offset()));
  add_op(OP_OPND_CONST, 4 * BLOCK);
  add_op(OP_SPRINTF, 0);
  add_op(OP_PRINTSTR, 1);
  EXPECT_EQ(run(), "[ab]");
}

TEST_F(Printf, BadReferencesStopTheRun) {
  // A %s argument that is no string reference.
  int32_t at = printf_statement("a%sb", {I(12345)});
  EXPECT_EQ(INT_ops[at], OP_PRINTF);
  EXPECT_EQ(run(), "aADDRESS ERROR @ " + std::to_string(at) + ": 3039\n");

  // A format word that is no string reference.
  SetUp();
  add_op(OP_CONST, 7);
  add_op(OP_STVAR, BLOCK);
  add_op(OP_CONST, 0);
  add_op(OP_OPND_CONST, 4 * BLOCK);
  add_op(OP_PRINTF, 0);
  at = static_cast<int32_t>(emit.fCODE) - 1;
  EXPECT_EQ(run(), "ADDRESS ERROR @ " + std::to_string(at) + ": 7\n");

  // A block that does not fit in the variable area.
  SetUp();
  vars.printfLocal = static_cast<int32_t>(VAR_SEG_WORDS) - 14;
  add_op(OP_CONST, 0);
  add_op(OP_PRINTF, 0);
  at = static_cast<int32_t>(emit.fCODE) - 1;
  EXPECT_EQ(run(), "ADDRESS ERROR @ " + std::to_string(at) + ": 8031\n");
}

}  // namespace
