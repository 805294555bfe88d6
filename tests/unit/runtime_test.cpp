// The host runtime routines on the registers, one at a time.
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "host_support.h"

namespace {

class Runtime : public HostTest {
 protected:
  // Runs routine with the given registers; returns what it printed.
  static std::string call(void (*routine)(), int32_t acc, int32_t opd = 0, int32_t idx = 0) {
    vm.reg_accum = acc;
    vm.reg_operand = opd;
    vm.reg_lindex = idx;
    vm.run_stopped = 0;
    return capture_stdout([routine] { routine(); });
  }
};

struct DivCase {
  int32_t acc, opd, quotient, remainder;
};

TEST_F(Runtime, DivisionAndRemainderSigns) {
  const DivCase cases[] = {
      {7, 2, 3, 1},   {-7, 2, -3, -1},          {7, -2, -3, 1},   {-7, -2, 3, -1},        {5, 7, 0, 5},
      {0, 3, 0, 0},   {INT_MIN, -1, INT_MIN, 0}, {INT_MIN, 1, INT_MIN, 0}, {INT_MAX, -1, -INT_MAX, 0},
      {INT_MIN, 2, INT_MIN / 2, 0},
  };
  for (const DivCase &c : cases) {
    EXPECT_EQ(call(f_div, c.acc, c.opd), "");
    EXPECT_EQ(vm.reg_accum, c.quotient) << c.acc << " / " << c.opd;
    EXPECT_EQ(call(f_mod, c.acc, c.opd), "");
    EXPECT_EQ(vm.reg_accum, c.remainder) << c.acc << " MOD " << c.opd;
    EXPECT_EQ(vm.run_stopped, 0);
  }
}

TEST_F(Runtime, DivisionByZeroStopsTheRun) {
  vm.iCSP = 17;
  EXPECT_EQ(call(f_div, 5, 0), "DIVIDE BY ZERO @ 17\n");
  EXPECT_EQ(vm.run_stopped, 1);
  EXPECT_EQ(vm.reg_accum, 5);
  vm.iCSP = 4;
  EXPECT_EQ(call(f_mod, INT_MIN, 0), "DIVIDE BY ZERO @ 4\n");
  EXPECT_EQ(vm.run_stopped, 1);
}

TEST_F(Runtime, LogicalAndComparisonResults) {
  struct Case {
    void (*routine)();
    int32_t acc, opd, result;
  };
  const Case cases[] = {
      {f_logand, 3, 4, 1},   {f_logand, 0, 4, 0},   {f_logor, 0, 0, 0},     {f_logor, -1, 0, 1},
      {f_logxor, 3, 4, 0},   {f_logxor, 0, -4, 1},  {f_lognot, 0, 9, 1},    {f_lognot, -2, 9, 0},
      {f_abs, -9, 0, 9},     {f_abs, 9, 0, 9},      {f_abs, INT_MIN, 0, INT_MIN},
      {f_eq, 5, 5, 1},       {f_ne, 5, 5, 0},       {f_lt, INT_MIN, INT_MAX, 1}, {f_le, 5, 5, 1},
      {f_gt, -1, -2, 1},     {f_ge, -2, -1, 0},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(call(c.routine, c.acc, c.opd), "");
    EXPECT_EQ(vm.reg_accum, c.result) << c.acc << " " << c.opd;
  }
}

TEST_F(Runtime, BitReversal) {
  struct Case {
    uint32_t value;
    int32_t bits;
    uint32_t result;
  };
  const Case cases[] = {
      {1, 4, 8},
      {0x1234, 0, 0x1234},
      {0x1234, -3, 0x1234},
      {0xB, 4, 0xD},
      {0xFFFF0001, 8, 0xFFFF0080},
      {0xF0000001, 1, 0xF0000001},
      {0x12345678, 32, 0x1E6A2C48},
      {1, 40, 0x80000000},
  };
  for (const Case &c : cases) {
    call(f_rev, static_cast<int32_t>(c.value), c.bits);
    EXPECT_EQ(static_cast<uint32_t>(vm.reg_accum), c.result) << std::hex << c.value << " " << std::dec << c.bits;
  }
}

TEST_F(Runtime, SingleToIntegerTruncatesAndSaturates) {
  struct Case {
    float value;
    int32_t result;
  };
  const Case cases[] = {
      {-2.7f, -2},         {2.7f, 2},           {0.5f, 0},          {-0.5f, 0},
      {3e9f, INT_MAX},     {-3e9f, INT_MIN},    {INFINITY, INT_MAX}, {-INFINITY, INT_MIN},
      {NAN, 0},            {-2147483648.0f, INT_MIN}, {2147483520.0f, 2147483520},
  };
  for (const Case &c : cases) {
    call(flt_2int, single(c.value), 99);
    EXPECT_EQ(vm.reg_accum, c.result) << c.value;
    EXPECT_EQ(vm.reg_operand, 99);
    call(flt_n2int, 99, single(c.value));
    EXPECT_EQ(vm.reg_operand, c.result) << c.value;
    EXPECT_EQ(vm.reg_accum, 99);
  }
}

TEST_F(Runtime, IntegerToSingle) {
  struct Case {
    int32_t value;
    float result;
  };
  const Case cases[] = {{-7, -7.0f}, {0, 0.0f}, {INT_MAX, 2147483648.0f}, {16777217, 16777216.0f}};
  for (const Case &c : cases) {
    call(flt_2float, c.value, 5);
    EXPECT_EQ(vm.reg_accum, single(c.result)) << c.value;
    call(flt_n2float, 5, c.value);
    EXPECT_EQ(vm.reg_operand, single(c.result)) << c.value;
    EXPECT_EQ(vm.reg_accum, 5);
  }
}

TEST_F(Runtime, NegationFlipsTheSignOfNonZeroValues) {
  struct Case {
    int32_t value, result;
  };
  const Case cases[] = {{single(1.5f), single(-1.5f)},
                        {single(-1.5f), single(1.5f)},
                        {0, 0},
                        {static_cast<int32_t>(0x80000000), 0},
                        {single(INFINITY), single(-INFINITY)}};
  for (const Case &c : cases) {
    call(flt_neg, c.value);
    EXPECT_EQ(vm.reg_accum, c.result) << std::hex << c.value;
  }
}

TEST_F(Runtime, SingleArithmeticRoundsToSingle) {
  call(flt_add, single(0.1f), single(0.2f));
  EXPECT_EQ(vm.reg_accum, single(static_cast<float>(static_cast<double>(0.1f) + static_cast<double>(0.2f))));
  call(flt_sub, single(1.0f), single(1e-8f));
  EXPECT_EQ(vm.reg_accum, single(1.0f));
  call(flt_mul, single(3.0f), single(1.0f / 3.0f));
  EXPECT_EQ(vm.reg_accum, single(1.0f));
  call(flt_div, single(-1.0f), 0);
  EXPECT_EQ(vm.reg_accum, single(-INFINITY));
  call(flt_div, 0, 0);
  EXPECT_TRUE(std::isnan(as_float(vm.reg_accum)));
}

// Whatever NaN the PC's FPU makes or is given, the result is ARM's default
// NaN, so that RUN prints "NAN" where the board does.
TEST_F(Runtime, SingleNaNResultsAreTheDefaultNaN) {
  const int32_t negative_nan = static_cast<int32_t>(0xFFC00001u);
  const struct {
    void (*routine)();
    int32_t a, b;
  } cases[] = {
      {flt_sub, single(INFINITY), single(INFINITY)}, {flt_add, single(-INFINITY), single(INFINITY)},
      {flt_mul, 0, single(INFINITY)},                {flt_div, 0, 0},
      {flt_div, single(INFINITY), single(-INFINITY)}, {flt_add, negative_nan, single(1.0f)},
      {flt_sub, single(0.0f), negative_nan},         {flt_mul, negative_nan, negative_nan},
  };
  for (const auto &c : cases) {
    call(c.routine, c.a, c.b);
    EXPECT_EQ(static_cast<uint32_t>(vm.reg_accum), 0x7FC00000u) << std::hex << c.a << " " << c.b;
  }
  vm.reg_accum = SINGLE_DEFAULT_NAN;
  flt_neg();  // only the sign changes, as on the board
  EXPECT_EQ(static_cast<uint32_t>(vm.reg_accum), 0xFFC00000u);
}

TEST_F(Runtime, SingleComparisonsCopyTheOperands) {
  struct Case {
    void (*routine)();
    float acc, opd;
    int32_t result;
  };
  const Case cases[] = {
      {flt_eq, 1.5f, 1.5f, 1}, {flt_eq, NAN, NAN, 0},   {flt_ne, NAN, NAN, 1},  {flt_ne, 2.0f, 2.0f, 0},
      {flt_lt, -1.0f, 0.0f, 1}, {flt_lt, NAN, 1.0f, 0}, {flt_gt, 2.0f, 1.0f, 1}, {flt_le, 1.0f, 1.0f, 1},
      {flt_ge, 0.5f, 1.0f, 0}, {flt_eq, 0.0f, -0.0f, 1},
  };
  for (const Case &c : cases) {
    call(c.routine, single(c.acc), single(c.opd));
    EXPECT_EQ(vm.reg_accum, c.result) << c.acc << " " << c.opd;
    EXPECT_EQ(single(vm.f_accum), single(c.acc));
    EXPECT_EQ(single(vm.f_operand), single(c.opd));
  }
}

TEST_F(Runtime, SinglesPrintWithSixSignificantDigits) {
  struct Case {
    float value;
    const char *text;
  };
  const Case cases[] = {
      {1.0f / 3.0f, "0.333333"}, {100.0f, "100"},        {1e10f, "1E+10"},      {0.0001f, "0.0001"},
      {0.00001f, "1E-05"},        {1234567.0f, "1.23457E+06"}, {-2.5f, "-2.5"}, {0.0f, "0"},
      {123456.0f, "123456"},      {INFINITY, "INF"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(call(flt_print, single(c.value)), c.text) << c.value;
    call(f_newstr, 0);
    sprintnum(7, 0);
    call(flt_2str, single(c.value));
    EXPECT_EQ(accum_text(), std::string("7") + c.text);
    EXPECT_EQ(static_cast<size_t>(vm.str_aptr), 1 + strlen(c.text));
  }
}

TEST_F(Runtime, StringComparison) {
  struct Case {
    const char *a, *b;
    int32_t result;
  };
  const Case cases[] = {
      {"AB", "ABC", -1}, {"ABC", "AB", 1},      {"", "", 0},       {"abc", "abc", 0}, {"abc", "abd", -1},
      {"b", "a", 1},     {"", "a", -1},
      // Bytes compare signed, the terminating NUL like any byte.
      {"\x80", "A", -1}, {"A", "\x80", 1},      {"AB", "AB\x80", 1},
  };
  for (const Case &c : cases) {
    int32_t a = const_ref(static_cast<uint32_t>(const_string(c.a)));
    var_string(400, c.b);
    EXPECT_EQ(xstrcmp(static_cast<uint32_t>(a), static_cast<uint32_t>(var_ref(400))), c.result) << c.a << "|" << c.b;
    call(f_strcmp, a, var_ref(400));
    EXPECT_EQ(vm.reg_accum, c.result);
  }
}

TEST_F(Runtime, AStringWithoutNulEndsAtItsWindow) {
  memcpy(g_stringtable + STRINGTABLE_SIZE - 3, "xyz", 3);
  int32_t top = const_ref(STRINGTABLE_SIZE - 3);
  call(f_strlen, top);
  EXPECT_EQ(vm.reg_accum, 3);
  var_string(8, "xyz");
  EXPECT_EQ(xstrcmp(static_cast<uint32_t>(top), static_cast<uint32_t>(var_ref(8))), 0);
  memcpy(g_var_seg + VAR_SEG_SIZE - 2, "pq", 2);
  EXPECT_EQ(call(f_printstr, var_ref(VAR_SEG_SIZE - 2)), "pq");
  memset(g_stringtable + STRINGTABLE_SIZE - 3, 0, 3);
}

TEST_F(Runtime, StringReferencesOutsideTheWindowsStopTheRun) {
  vm.iCSP = 9;
  EXPECT_EQ(call(f_strlen, 0x01000000 + VAR_SEG_SIZE), "ADDRESS ERROR @ 9: 10200fc\n");
  EXPECT_EQ(vm.run_stopped, 1);
  EXPECT_EQ(call(f_strcmp, const_ref(0), 0x02020000), "ADDRESS ERROR @ 9: 2020000\n");
  EXPECT_EQ(vm.reg_accum, 0);
  EXPECT_EQ(call(f_addstr, 0x00FFFFFF), "ADDRESS ERROR @ 9: ffffff\n");
  EXPECT_EQ(call(f_savestr, 0, 0, const_ref(16)), "ADDRESS ERROR @ 9: 2000010\n");
  vm.reg_strscratch = 77;
  EXPECT_EQ(call(f_left, 3), "ADDRESS ERROR @ 9: 4d\n");
  EXPECT_EQ(call(f_str2dec, -1), "ADDRESS ERROR @ 9: ffffffff\n");
  EXPECT_EQ(vm.reg_accum, -1);
}

TEST_F(Runtime, NumbersFromText) {
  struct Case {
    const char *text;
    int hexDefault;
    int32_t result;
  };
  const Case cases[] = {
      {"-12", 0, -12},     {"$1f", 0, 31},          {"&H1F", 0, 31},      {"0x10", 0, 16},
      {" 5", 0, 0},        {"12ab", 0, 12},         {"", 0, 0},           {"$", 0, 0},
      {"$fg", 0, 15},      {"&h1F", 0, 0},          {"0X10", 0, 0},       {"ff", 1, 255},
      {"-ff", 1, -255},    {"ff", 0, 0},            {"4294967295", 0, -1}, {"$FFFFFFFF", 0, -1},
      {"2147483648", 0, INT_MIN}, {"-0x10", 0, 0}, {"007", 0, 7},       {"$:1", 0, 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(do_str2num(c.text, static_cast<uint32_t>(strlen(c.text)), c.hexDefault), c.result)
        << c.text << " " << c.hexDefault;
  call(f_str2dec, const_ref(static_cast<uint32_t>(const_string("-12"))));
  EXPECT_EQ(vm.reg_accum, -12);
  call(f_str2dec, const_ref(static_cast<uint32_t>(const_string("ff"))));
  EXPECT_EQ(vm.reg_accum, 0);
}

TEST_F(Runtime, LeftAndRightTakeTheWholeCountInsideTheString) {
  struct Case {
    void (*routine)();
    int32_t n;
    const char *result;
  };
  const Case cases[] = {
      {f_left, 0, ""},  {f_left, 2, "He"},  {f_left, -1, ""},  {f_left, 99, "Hello"},  {f_left, 256, "Hello"},
      {f_left, 200, "Hello"},  {f_left, 259, "Hello"},  {f_left, 0x105, "Hello"},
      {f_left, 5, "Hello"}, {f_right, 0, ""}, {f_right, 3, "llo"}, {f_right, 99, "Hello"}, {f_right, -5, ""},
      {f_right, 257, "Hello"}, {f_right, INT_MIN, ""},
  };
  int32_t source = const_ref(static_cast<uint32_t>(const_string("Hello")));
  for (const Case &c : cases) {
    call(f_newstr, 0);
    call(f_addsbyte, '<');
    vm.reg_strscratch = source;
    EXPECT_EQ(call(c.routine, c.n), "");
    EXPECT_EQ(accum_text(), std::string("<") + c.result) << c.n;
    EXPECT_EQ(static_cast<size_t>(vm.str_aptr), 1 + strlen(c.result));
  }
}

TEST_F(Runtime, AppendsStopAt255Characters) {
  call(f_newstr, 0);
  std::string long_text(200, 'a');
  int32_t a = const_ref(static_cast<uint32_t>(const_string(long_text)));
  call(f_addstr, a);
  call(f_addstr, a);
  EXPECT_EQ(vm.str_aptr, 255);
  EXPECT_EQ(accum_text(), std::string(255, 'a'));
  call(f_addsbyte, 'b');
  call(f_dec2str, 12345);
  call(f_hex2str, 0xABC);
  call(flt_2str, single(1.5f));
  EXPECT_EQ(accum_text(), std::string(255, 'a'));
  EXPECT_EQ(g_var_seg[str_accum_offset() + 255], 0);
  // The accumulator appended to itself doubles as far as it fits.
  call(f_newstr, 0);
  call(f_addstr, const_ref(static_cast<uint32_t>(const_string("xy"))));
  call(f_addstr, ret_STR_ACCUM());
  EXPECT_EQ(accum_text(), "xyxy");
}

TEST_F(Runtime, NumbersIntoTheAccumulator) {
  call(f_newstr, 0);
  call(f_dec2str, -42);
  call(f_hex2str, -1);
  call(f_dec2str, INT_MIN);
  EXPECT_EQ(accum_text(), "-42ffffffff-2147483648");
  EXPECT_EQ(capture_stdout([] {
              printnum(255, 1);
              printnum(-3, 0);
            }),
            "ff-3");
}

TEST_F(Runtime, SaveCopiesTheAccumulatorIntoTheVariableArea) {
  call(f_newstr, 0);
  call(f_addstr, const_ref(static_cast<uint32_t>(const_string("abc"))));
  var_string(40, "zzzzzz");
  EXPECT_EQ(call(f_savestr, 0, 0, var_ref(40)), "");
  EXPECT_EQ(var_text(40), "abc");
  EXPECT_EQ(g_var_seg[44], 'z');
  // At the end of the variable area only what fits is copied, NUL included.
  EXPECT_EQ(call(f_savestr, 0, 0, var_ref(VAR_SEG_SIZE - 2)), "");
  EXPECT_EQ(g_var_seg[VAR_SEG_SIZE - 2], 'a');
  EXPECT_EQ(g_var_seg[VAR_SEG_SIZE - 1], 0);
  EXPECT_EQ(call(f_savestr, 0, 0, var_ref(VAR_SEG_SIZE - 1)), "");
  EXPECT_EQ(g_var_seg[VAR_SEG_SIZE - 1], 0);
}

TEST_F(Runtime, InputLines) {
  // A carriage return is dropped only where it ends the line, not where a
  // long line is cut.
  std::string long_line(300, 'q');
  std::string cut_at_return = std::string(254, 'r') + "\rzz";
  StdinFeed feed("hello\r\nworld\n" + long_line + "\n" + cut_at_return + "\nnext\nlast");
  const std::string expected[] = {"hello", "world", std::string(255, 'q'), std::string(254, 'r') + "\r",
                                  "next",  "last",  "",                    ""};
  for (const std::string &e : expected) {
    vm.reg_accum = 0;
    f_getstr();
    EXPECT_EQ(vm.reg_accum, ret_STR_ACCUM());
    EXPECT_EQ(accum_text(), e);
  }
}

TEST_F(Runtime, WordReadsByAddress) {
  const uint8_t bytes[] = {0x78, 0x56, 0x34, 0x12};
  memcpy(g_stringtable + 0x1000, bytes, 4);
  g_stringtable[0x2000] = static_cast<char>(0x80);
  g_stringtable[0x2001] = 0x7F;
  memcpy(g_stringtable + STRINGTABLE_SIZE - 4, bytes, 4);
  store_var_word(3, -77);
  struct Case {
    int32_t ref, result;
  };
  const Case cases[] = {
      {const_ref(0x1000), 0x12345678},
      {var_ref(12), -77},
      {const_ref(STRINGTABLE_SIZE - 4), 0x12345678},
      {const_ref(STRINGTABLE_SIZE - 3), 0},  // fewer than 4 bytes left
      {var_ref(VAR_SEG_SIZE - 3), 0},
      {0x2000, -128},  // a plain offset: the sign-extended byte
      {0x2001, 0x7F},
      {STRINGTABLE_SIZE, 0},
      {-1, 0},
      {0x05000000, 0},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(call(f_peekw, c.ref), "");
    EXPECT_EQ(vm.reg_accum, c.result) << std::hex << c.ref;
  }
  memset(g_stringtable + STRINGTABLE_SIZE - 4, 0, 4);
  EXPECT_EQ(call(f_pokew, 0x55, 0, 0x20001000), "call POKE( 20001000 <= 55 )\n");
}

TEST_F(Runtime, WaitsSurviveTheTickCountersWrap) {
  struct Case {
    uint32_t start, now;
    int32_t ms;
    bool over;
  };
  const Case cases[] = {
      {100, 100, 0, true},           {100, 100, -3, true},        {100, 104, 5, false},
      {100, 105, 5, true},           {0xFFFFFFFE, 2, 5, false},   {0xFFFFFFFE, 3, 5, true},
      {7, 7, INT_MIN, true},         {0, 0x7FFFFFFF, INT_MAX, true},
  };
  for (const Case &c : cases) EXPECT_EQ(wait_is_over(c.start, c.now, c.ms), c.over) << c.start << " " << c.now;
  EXPECT_EQ(call(f_wait, 0), "");
  EXPECT_EQ(call(f_wait, -1000000), "");
  EXPECT_EQ(vm.reg_accum, -1000000);
}

TEST_F(Runtime, BoardLinesAndPrinting) {
  struct Case {
    void (*routine)();
    int32_t acc, idx;
    const char *text;
  };
  const Case cases[] = {
      {f_bitin, 3, 0, "read IO(3)\n"},       {f_pbinbit, 4, 0, "read IN(4)\n"},
      {f_adin, 5, 0, "read AD(5)\n"},        {f_rddirbit, 6, 0, "read DIR(6)\n"},
      {f_bitout, -1, 7, "set IO(7)=-1\n"},   {f_pboutbit, 1, 8, "set OUT(8)=1\n"},
      {f_wrdirbit, 0, 9, "set DIR(9)=0\n"},  {f_fwrite, 0, 0, "write flash\n"},
      {f_intsw, 2, 0, "interrupt 2\n"},      {f_stop, 0, 0, "STOP - hit run to continue\n"},
      {f_print, -12, 0, "-12"},              {f_printch, 0x141, 0, "A"},
      {f_printCR, 0, 0, "\n"},               {f_printTAB, 0, 0, "\t"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(call(c.routine, c.acc, 0, c.idx), c.text);
    EXPECT_EQ(vm.reg_accum, c.acc);  // a simulated read returns the pin asked for
  }
  EXPECT_EQ(vm.ch, 'A');
  uint32_t before = getTickCount();
  call(f_gettimer, 0);
  EXPECT_LE(static_cast<uint32_t>(vm.reg_accum) - before, getTickCount() - before);
}

TEST_F(Runtime, TheTranslatorsWindows) {
  struct Case {
    uint32_t ref;
    bool writable;
    bool valid;
    uint32_t avail;
  };
  const Case cases[] = {
      {0x01000000, true, true, VAR_SEG_SIZE},
      {0x01000000 + VAR_SEG_SIZE - 1, true, true, 1},
      {0x01000000 + VAR_SEG_SIZE, false, false, 0},
      {0x00FFFFFF, false, false, 0},
      {0x02000000, false, true, STRINGTABLE_SIZE},
      {0x02000000, true, false, 0},
      {0x02000000 + STRINGTABLE_SIZE - 1, false, true, 1},
      {0x02000000 + STRINGTABLE_SIZE, false, false, 0},
      {0, false, false, 0},
      {0xFFFFFFFF, false, false, 0},
  };
  for (const Case &c : cases) {
    uint32_t avail = 99;
    EXPECT_EQ(peek_bytes(c.ref, avail, c.writable) != nullptr, c.valid) << std::hex << c.ref;
    EXPECT_EQ(avail, c.avail) << std::hex << c.ref;
  }
  EXPECT_EQ(ret_STR_ACCUM(), 0x01010000);
  firmware.varSpace = VAR_AREA_MAX_WORDS;
  EXPECT_EQ(static_cast<uint32_t>(ret_STR_ACCUM()) - VAR_WINDOW + STR_ACCUM_SIZE, static_cast<uint32_t>(VAR_SEG_SIZE));
  firmware.varSpace = 0x4000;
}

}  // namespace
