// The operation-stream interpreter on streams recorded through add_op on a
// Thumb-class target, as the compiler records them.
#include <climits>
#include <cstring>
#include <string>

#include "driver/driver.h"
#include "frontend/symbols.h"
#include "host_support.h"

namespace {

class Interpreter : public HostTest {
 protected:
  // A user label: declared now, placed later with place_label.
  static int new_label(const char *name) {
    int s = add_symbol(name, static_cast<int>(strlen(name)));
    g_symbol_type[s] = SYM_UNDEF_LABEL;
    return s;
  }
  static void place_label(int s) {
    flush_pool_if_due();
    g_symbol_type[s] = SYM_LABEL;
    g_symboladdr[s] = static_cast<int32_t>(emit.fCODE);
    add_op(OP_LABEL, 0);
  }
  static void print_int(int32_t v) {
    add_op(OP_CONST, v);
    typed_op(OP_PRINTNUM, 1, 1);
  }
  // Index of the record of the operation just emitted.
  static int32_t last_index() { return static_cast<int32_t>(emit.fCODE) - 1; }
};

struct BinaryCase {
  uint16_t op;
  int32_t acc;
  int32_t opd;
  int32_t result;
};

TEST_F(Interpreter, IntegerOperationsOnTheTwoRegisters) {
  const BinaryCase cases[] = {
      {OP_ADD, 7, 5, 12},
      {OP_ADD, INT_MAX, 1, INT_MIN},
      {OP_SUB, 7, 5, 2},
      {OP_SUB, INT_MIN, 1, INT_MAX},
      {OP_MUL, 6, -7, -42},
      {OP_MUL, 0x10000, 0x10000, 0},
      {OP_MUL, INT_MAX, 2, -2},
      {OP_DIV, -7, 2, -3},
      {OP_DIV, INT_MIN, -1, INT_MIN},
      {OP_MOD, -7, 2, -1},
      {OP_MOD, 7, -2, 1},
      {OP_MOD, INT_MIN, -1, 0},
      {OP_IADD, INT_MAX, 2, INT_MIN + 1},
      {OP_ISUB, 3, 5, -2},
      {OP_IRSUB, 7, 5, -2},
      {OP_AND, 0xC, 0xA, 0x8},
      {OP_OR, 0xC, 0xA, 0xE},
      {OP_XOR, 0xC, 0xA, 0x6},
      {OP_SHL, 1, 33, 0},
      {OP_SHL, 1, 31, INT_MIN},
      {OP_TSHL, 3, 4, 48},
      {OP_SHR, -16, 2, -4},
      {OP_SHR, INT_MIN, 31, -1},
      {OP_EQ, 3, 3, 1},
      {OP_EQ, 3, 4, 0},
      {OP_LT, -1, 0, 1},
      {OP_LT, 0, -1, 0},
      {OP_GT, 0, -1, 1},
      {OP_LE, 3, 3, 1},
      {OP_LE, 4, 3, 0},
      {OP_GE, 2, 3, 0},
      {OP_GE, 3, 3, 1},
      {OP_NE, 2, 3, 1},
      {OP_NE, 3, 3, 0},
      {OP_LOGAND, 5, 0, 0},
      {OP_LOGAND, 5, -1, 1},
      {OP_LOGOR, 0, 0, 0},
      {OP_LOGOR, 0, 9, 1},
      {OP_LOGXOR, 5, 9, 0},
      {OP_LOGXOR, 0, 9, 1},
  };
  for (const BinaryCase &c : cases) {
    SetUp();
    add_op(OP_CONST, c.opd);
    add_op(OP_ACC2OPND, 0);
    add_op(OP_CONST, c.acc);
    typed_op(c.op, 1);
    EXPECT_EQ(run(), "") << c.op;
    EXPECT_EQ(vm.last_accum, c.result) << c.op << " " << c.acc << " " << c.opd;
    EXPECT_EQ(vm.reg_accum, c.result);
  }
}

TEST_F(Interpreter, LogicalXorLeavesTheOperandAsATruthValue) {
  add_op(OP_CONST, -9);
  add_op(OP_ACC2OPND, 0);
  add_op(OP_CONST, 0);
  add_op(OP_LOGXOR, 0);
  EXPECT_EQ(run(), "");
  EXPECT_EQ(vm.reg_operand, 1);
  EXPECT_EQ(vm.last_accum, 1);
}

struct UnaryCase {
  uint16_t op;
  uint8_t integer;
  int32_t acc;
  int32_t result;
};

TEST_F(Interpreter, UnaryOperationsInBothModes) {
  const UnaryCase cases[] = {
      {OP_NEG, 1, 5, -5},
      {OP_NEG, 1, INT_MIN, INT_MIN},
      {OP_ABS, 1, -5, 5},
      {OP_ABS, 1, INT_MIN, INT_MIN},
      {OP_NOT, 1, 0, -1},
      {OP_NOT, 1, 0x0F0F0F0F, static_cast<int32_t>(0xF0F0F0F0)},
      {OP_LOGNOT, 1, 0, 1},
      {OP_LOGNOT, 1, 7, 0},
      {OP_NEG, 0, single(1.5f), single(-1.5f)},
      {OP_NEG, 0, single(-1.5f), single(1.5f)},
      {OP_NEG, 0, 0, 0},
      {OP_ABS, 0, single(-2.5f), single(2.5f)},
      {OP_ABS, 0, single(2.5f), single(2.5f)},
      {OP_ITOF, 1, -7, single(-7.0f)},
      {OP_FTOI, 1, single(-2.7f), -2},
      {OP_FTOI, 1, single(3e9f), INT_MAX},
  };
  for (const UnaryCase &c : cases) {
    SetUp();
    add_op(OP_CONST, c.acc);
    typed_op(c.op, c.integer);
    EXPECT_EQ(run(), "") << c.op;
    EXPECT_EQ(vm.last_accum, c.result) << c.op << " " << static_cast<int>(c.integer) << " " << c.acc;
  }
}

TEST_F(Interpreter, ConversionsOfTheOperandLeaveTheAccumulator) {
  // Op 15 on a table without entry 79 is emitted as an exchange, a
  // conversion and an exchange; the host runs the one recorded op 15.
  add_op(OP_CONST, single(9.9f));
  add_op(OP_ACC2OPND, 0);
  add_op(OP_CONST, 77);
  add_op(OP_OPND_FTOI, 0);
  add_op(OP_ACC2NEXT, 0);
  add_op(OP_OPND2IDX, 0);
  add_op(OP_CONST, -3);
  add_op(OP_ACC2OPND, 0);
  add_op(OP_OPND_ITOF, 0);
  EXPECT_EQ(run(), "");
  EXPECT_EQ(vm.reg_lindex, 9);
  EXPECT_EQ(vm.reg_next, 77);
  EXPECT_EQ(vm.reg_operand, single(-3.0f));
  EXPECT_EQ(vm.reg_accum, -3);
}

TEST_F(Interpreter, SingleOperationsOnTheTwoRegisters) {
  const BinaryCase cases[] = {
      {OP_ADD, single(1.5f), single(2.25f), single(3.75f)},
      {OP_SUB, single(1.5f), single(2.25f), single(-0.75f)},
      {OP_MUL, single(1.5f), single(-2.0f), single(-3.0f)},
      {OP_DIV, single(1.0f), single(4.0f), single(0.25f)},
      {OP_DIV, single(1.0f), single(3.0f), single(1.0f / 3.0f)},
      {OP_DIV, single(1.0f), 0, single(1.0f / 0.0f)},
      // Recorded with 0, the SINGLE routine runs even on integers: 2 × 3
      // as tiny SINGLEs is 0, not 6.
      {OP_MUL, 2, 3, 0},
      {OP_EQ, single(0.5f), single(0.5f), 1},
      {OP_EQ, single(0.5f), single(0.25f), 0},
      {OP_LT, single(-1.5f), single(2.25f), 1},
      {OP_LT, 1, 0, 0},
      {OP_GT, single(3.0f), single(2.0f), 1},
      {OP_LE, single(2.0f), single(2.0f), 1},
      {OP_GE, single(1.0f), single(2.0f), 0},
      {OP_NE, single(1.0f), single(2.0f), 1},
      {OP_NE, static_cast<int32_t>(0x80000000), 0, 0},
  };
  for (const BinaryCase &c : cases) {
    SetUp();
    add_op(OP_CONST, c.opd);
    add_op(OP_ACC2OPND, 0);
    add_op(OP_CONST, c.acc);
    typed_op(c.op, 0);
    EXPECT_EQ(run(), "") << c.op;
    EXPECT_EQ(vm.last_accum, c.result) << c.op << " " << as_float(c.acc) << " " << as_float(c.opd);
  }
}

TEST_F(Interpreter, ALoopWithForwardAndBackwardJumps) {
  // i = 0: top: i = i + 1: PRINT i: IF i < 5 GOTO top (as JZ out, JMPBACK top)
  add_op(OP_CONST, 0);
  add_op(OP_STVAR, 1);
  int32_t top = next_index();
  add_op(OP_LDVAR, 1);
  add_op(OP_OPND_CONST, 1);
  typed_op(OP_ADD, 1);
  add_op(OP_STVAR, 1);
  typed_op(OP_PRINTNUM, 1, 1);
  add_op(OP_PRINTCR, 1);
  add_op(OP_OPND_CONST, 5);
  add_op(OP_LDVAR, 1);
  typed_op(OP_LT, 1);
  uint16_t out = add_fwd_jmpcall(OP_JZ);
  add_op(OP_JMPBACK, top);
  patchJumpTable(out);
  add_op(OP_LDVAR, 1);
  EXPECT_EQ(run(), "1\n2\n3\n4\n5\n");
  EXPECT_EQ(vm.last_accum, 5);
  EXPECT_EQ(vm.StkPtr, 0);
}

TEST_F(Interpreter, JzbackJumpsOnlyOnZero) {
  // n = 3, then a loop entered at its foot: PRINT n: n = n - 1, and
  // JZBACK to the top while the flag n = 0 is zero.
  add_op(OP_CONST, 3);
  add_op(OP_STVAR, 2);
  uint16_t out = add_fwd_jmpcall(OP_JMP);
  int32_t top = next_index();
  add_op(OP_LDVAR, 2);
  typed_op(OP_PRINTNUM, 1, 1);
  add_op(OP_OPND_CONST, 1);
  add_op(OP_LDVAR, 2);
  typed_op(OP_SUB, 1);
  add_op(OP_STVAR, 2);
  add_op(OP_OPND_CONST, 0);
  typed_op(OP_EQ, 1);
  add_op(OP_JZBACK, top);
  uint16_t done = add_fwd_jmpcall(OP_JMP);
  patchJumpTable(out);
  add_op(OP_JMPBACK, top);
  patchJumpTable(done);
  EXPECT_EQ(run(), "321");
}

TEST_F(Interpreter, GosubReturnAndGotoThroughUserLabels) {
  int sub = new_label("SHOW");
  int finish = new_label("FINISH");
  print_int(1);
  add_op(OP_GOSUB, sub);
  print_int(3);
  add_op(OP_PRINTCR, 1);
  add_op(OP_GOTO, finish);
  place_label(sub);
  print_int(2);
  add_op(OP_RETURN, 0);
  place_label(finish);
  print_int(4);
  EXPECT_EQ(run(), "123\n4");
  EXPECT_EQ(vm.StkPtr, 0);
}

TEST_F(Interpreter, RunningIntoALabelFromAboveSkipsItsPrologue) {
  int l = new_label("HERE");
  print_int(1);
  place_label(l);
  print_int(2);
  EXPECT_EQ(run(), "12");
}

TEST_F(Interpreter, CallsToKnownPositionsPushTheReturnIndex) {
  // A routine placed first and jumped around, then called twice.
  uint16_t around = add_fwd_jmpcall(OP_JMP);
  int32_t routine = next_index();
  add_op(OP_SUB_ENTRY, 0);
  add_op(OP_PUSHACC, 0);
  add_op(OP_IDX2ACC, 0);
  typed_op(OP_PRINTNUM, 1, 1);
  add_op(OP_POPACC, 0);
  add_op(OP_RETURN, 0);
  patchJumpTable(around);
  add_op(OP_CONST, 8);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CALLSUB, routine);
  int32_t after_call = next_index();
  add_op(OP_CONST, 9);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CALLBACK, routine);
  EXPECT_EQ(run(), "89");
  EXPECT_EQ(vm.StkPtr, 0);
  EXPECT_EQ(INT_addrs[after_call - 1], routine);
  EXPECT_EQ(vm.last_accum, 9);
}

TEST_F(Interpreter, StartsAtMain) {
  print_int(1);
  add_op(OP_MAIN, 0);
  print_int(2);
  EXPECT_EQ(run(), "2");
}

TEST_F(Interpreter, TheHostOnlyOperandConstant) {
  // No construct emits op 101 and no back end has code for it, so it is
  // written into the slot of a one-unit NOP by hand.
  add_op(OP_NOP, 0);
  int32_t slot = last_index();
  add_op(OP_OPND2IDX, 0);
  add_op(OP_IDX2ACC, 0);
  INT_ops[slot] = OP_OPND_CONST2;
  INT_addrs[slot] = -42;
  EXPECT_EQ(run(), "");
  EXPECT_EQ(vm.reg_operand, -42);
  EXPECT_EQ(vm.reg_lindex, -42);
  EXPECT_EQ(vm.last_accum, -42);
  reset_everything();
  EXPECT_EQ(INT_ops[slot], 0);
}

TEST_F(Interpreter, StackOperations) {
  add_op(OP_CONST, 11);
  add_op(OP_PUSHACC, 0);
  add_op(OP_CONST, 22);
  add_op(OP_ACC2NEXT, 0);
  add_op(OP_CONST, 33);
  add_op(OP_PUSHNEXT, 0);  // pushes 22, next := 33
  add_op(OP_NEXT2OPND, 0);  // operand 33
  add_op(OP_ACC2IDX, 0);
  add_op(OP_PUSHIDX, 0);  // pushes 33
  add_op(OP_CONST, 44);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_POPIDX, 0);   // index 33
  add_op(OP_POPNEXT, 0);  // next 22
  add_op(OP_POPOPND, 0);  // operand 11
  add_op(OP_CONST, 55);
  add_op(OP_SWAP, 0);  // accum 11, operand 55, next 11
  EXPECT_EQ(run(), "");
  EXPECT_EQ(vm.reg_accum, 11);
  EXPECT_EQ(vm.reg_operand, 55);
  EXPECT_EQ(vm.reg_next, 11);
  EXPECT_EQ(vm.reg_lindex, 33);
  EXPECT_EQ(vm.StkPtr, 0);
}

TEST_F(Interpreter, VariablesArraysAndBytes) {
  add_op(OP_CONST, 1234);
  add_op(OP_STVAR, 5);
  add_op(OP_CONST, 100);
  add_op(OP_OPND_CONST, 3);
  typed_op(OP_IADD, 1);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_LDVAR, 5);
  add_op(OP_STARR, 0);  // word 103 := 1234
  add_op(OP_CONST, 103);
  add_op(OP_LDARR, 0);
  add_op(OP_OPND_LDVAR, 5);
  typed_op(OP_ADD, 1);
  add_op(OP_STVAR, 6);  // 2468
  add_op(OP_ADDR, 4 * 6 + 1);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CONST, 0x1FF);
  add_op(OP_WR_BYTE, 0);  // byte 1 of word 6 := 0xFF
  add_op(OP_ADDR, 4 * 6);
  add_op(OP_RD_BYTE, 0);
  add_op(OP_STVAR, 7);
  add_op(OP_LDVAR, 6);
  EXPECT_EQ(run(), "");
  EXPECT_EQ(load_var_word(103), 1234);
  EXPECT_EQ(load_var_word(7), 2468 & 0xFF);
  EXPECT_EQ(vm.last_accum, (2468 & ~0xFF00) | 0xFF00);
  EXPECT_EQ(g_var_seg[4 * 6], 2468 & 0xFF);  // words are little-endian
}

TEST_F(Interpreter, WordTablesAreReadThroughPeek) {
  // A two-word table W at the top of the constant area: W(0) by a
  // constant index, W(1) by a computed one.
  cstrings.ConstantStringPtr -= 8;
  int32_t at = cstrings.ConstantStringPtr;
  const uint8_t words[] = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF};
  memcpy(g_stringtable + at, words, sizeof words);
  add_op(OP_STRADDR, at);
  add_op(OP_PEEK, 11);
  add_op(OP_STVAR, 1);
  add_op(OP_CONST, 1);
  add_op(OP_OPND_CONST, 2);
  typed_op(OP_SHL, 1, 22);
  add_op(OP_OPND_STRADDR, at);
  typed_op(OP_IADD, 1);
  add_op(OP_PEEK, 11);
  EXPECT_EQ(run(), "");
  EXPECT_EQ(load_var_word(1), 0x12345678);
  EXPECT_EQ(vm.last_accum, -2);
}

TEST_F(Interpreter, StringsAreBuiltInTheAccumulator) {
  int32_t hello = const_string("Hello");
  int32_t world = const_string(", world");
  int32_t number = const_string("123");
  uint32_t acc_offset = str_accum_offset();
  EXPECT_EQ(acc_offset, 65536u);
  // S$ at word 10: "Hello" + ", world" + CHR(33)
  add_op(OP_NEWSTR, 0);
  add_op(OP_STRADDR, hello);
  add_op(OP_ADDSTR, 0);
  add_op(OP_STRADDR, world);
  add_op(OP_ADDSTR, 0);
  add_op(OP_CONST, '!');
  add_op(OP_ADDSBYTE, 0);
  add_op(OP_ADDR, 40);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_SAVESTR, 0);
  // LEFT(S$, 5) + "|" + RIGHT(S$, 6) + STR(-42) + STR(2.5) + HEX(255)
  add_op(OP_NEWSTR, 0);
  add_op(OP_ADDR, 40);
  add_op(OP_ACC2STRSCR, 0);
  add_op(OP_CONST, 5);
  add_op(OP_LEFT, 0);
  add_op(OP_CONST, '|');
  add_op(OP_ADDSBYTE, 0);
  add_op(OP_ADDR, 40);
  add_op(OP_ACC2STRSCR, 0);
  add_op(OP_CONST, 6);
  add_op(OP_RIGHT, 0);
  add_op(OP_CONST, -42);
  typed_op(OP_STR, 1, 98);
  add_op(OP_CONST, single(2.5f));
  typed_op(OP_STR, 0, 98);
  add_op(OP_CONST, 255);
  add_op(OP_HEX, 0);
  add_op(OP_ADDR, static_cast<int32_t>(acc_offset));
  add_op(OP_PRINTSTR, 1);
  add_op(OP_PRINTCR, 1);
  // LEN(S$), VAL("123"), STRCOMP(S$, "Hello")
  add_op(OP_ADDR, 40);
  add_op(OP_LEN, 0);
  add_op(OP_STVAR, 1);
  add_op(OP_STRADDR, number);
  add_op(OP_VAL, 0);
  add_op(OP_STVAR, 2);
  add_op(OP_ADDR, 40);
  add_op(OP_OPND_STRADDR, hello);
  add_op(OP_STRCOMP, 0);
  EXPECT_EQ(run(), "Hello|world!-422.5ff\n");
  EXPECT_EQ(var_text(40), "Hello, world!");
  EXPECT_EQ(load_var_word(1), 13);
  EXPECT_EQ(load_var_word(2), 123);
  EXPECT_EQ(vm.last_accum, 1);
}

TEST_F(Interpreter, PrintItemsAndSeparators) {
  int32_t text = const_string("ab");
  print_int(-5);
  add_op(OP_PRINTTAB, 1);
  add_op(OP_CONST, single(1.0f / 3.0f));
  typed_op(OP_PRINTNUM, 0, 1);
  add_op(OP_CONST, 'A');
  add_op(OP_PRINTCH, 1);
  add_op(OP_STRADDR, text);
  add_op(OP_PRINTSTR, 1);
  add_op(OP_PRINTCR, 1);
  add_op(OP_CONST, single(1e10f));
  typed_op(OP_PRINTNUM, 0, 1);
  EXPECT_EQ(run(), "-5\t0.333333Aab\n1E+10");
  EXPECT_EQ(vm.ch, 'A');
}

TEST_F(Interpreter, SimulatedPinsAndBoardServicesPrintTheirLines) {
  add_op(OP_CONST, 3);
  add_op(OP_P0, 0);
  add_op(OP_STVAR, 1);  // a read returns the pin asked for
  add_op(OP_CONST, 5);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CONST, 1);
  add_op(OP_P0_WR, 0);
  add_op(OP_CONST, 4);
  add_op(OP_P1, 0);
  add_op(OP_CONST, 6);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CONST, 0);
  add_op(OP_P1_WR, 0);
  add_op(OP_CONST, 2);
  add_op(OP_IN, 0);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CONST, 0);
  add_op(OP_OUT, 0);
  add_op(OP_CONST, 9);
  add_op(OP_DIR, 0);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CONST, 1);
  add_op(OP_DIR_WR, 0);
  add_op(OP_CONST, 1);
  add_op(OP_AD, 0);
  add_op(OP_WRITE, 0);
  add_op(OP_CONST, 3);
  add_op(OP_INTERRUPT, 0);
  add_op(OP_CONST, 0x1234);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CONST, 0xAB);
  add_op(OP_POKE, 0);
  add_op(OP_SLEEP, 0);
  // Waits of no time, serial-port services and the microsecond wait print
  // nothing and leave the accumulator.
  add_op(OP_CONST, 0);
  add_op(OP_WAIT, 0);
  add_op(OP_CONST, -5);
  add_op(OP_WAIT, 0);
  add_op(OP_CONST, 77);
  add_op(OP_WAITMICRO, 0);
  add_op(OP_TXFREE, 0);
  add_op(OP_RXD0, 0);
  add_op(OP_TXD0, 0);
  EXPECT_EQ(run(),
            "read IO(3)\n"
            "set IO(5)=1\n"
            "read IO(4)\n"
            "set IO(6)=0\n"
            "read IN(2)\n"
            "set OUT(2)=0\n"
            "read DIR(9)\n"
            "set DIR(9)=1\n"
            "read AD(1)\n"
            "write flash\n"
            "interrupt 3\n"
            "call POKE( 1234 <= ab )\n"
            "SLEEP and awake\n");
  EXPECT_EQ(load_var_word(1), 3);
  EXPECT_EQ(vm.last_accum, 77);
}

TEST_F(Interpreter, TimerReadsTheTickCounter) {
  add_op(OP_TIMER, 0);
  uint32_t before = getTickCount();
  EXPECT_EQ(run(), "");
  uint32_t after = getTickCount();
  EXPECT_LE(static_cast<uint32_t>(vm.last_accum) - before, after - before);
}

TEST_F(Interpreter, StopPrintsAndGoesOn) {
  add_op(OP_STOP, 0);
  print_int(1);
  EXPECT_EQ(run(), "STOP - hit run to continue\n1");
}

TEST_F(Interpreter, InlineAssemblyWordsArePrintedNotRun) {
  add_op(OP_ASM, 0xBF00);
  add_op(OP_ASM, 0x12345678);
  print_int(7);
  EXPECT_EQ(run(), "asm bf00\nasm 12345678\n7");
}

struct StopCase {
  const char *name;
  void (*build)();
  const char *output;  // %d stands for the index of the stopping operation
};

int32_t stop_index;

void mark() { stop_index = static_cast<int32_t>(emit.fCODE) - 1; }

TEST_F(Interpreter, UnknownOperationsEndTheRun) {
  struct Case {
    uint16_t op;
    const char *hex;
  };
  const Case cases[] = {{OP_P2, "44"}, {OP_P3_WR, "47"}, {OP_CALLACC, "2a"}, {OP_FREAD, "ae"},
                        {OP_ENET_INIT, "102"}, {OP_QUICKSORT, "f7"}};
  for (const Case &c : cases) {
    SetUp();
    print_int(1);
    add_op(c.op, 0);
    int32_t at = static_cast<int32_t>(emit.fCODE) - 1;
    print_int(2);
    EXPECT_EQ(run(), "1UNKNOWN OP @ " + std::to_string(at) + ": " + c.hex + "\n") << c.op;
    EXPECT_EQ(vm.last_accum, 0);
  }
}

TEST_F(Interpreter, ErrorStopsPrintTheirMessageAndEndTheRun) {
  const StopCase cases[] = {
      {"divide",
       [] {
         add_op(OP_CONST, 0);
         add_op(OP_ACC2OPND, 0);
         add_op(OP_CONST, 5);
         typed_op(OP_DIV, 1);
         mark();
       },
       "DIVIDE BY ZERO @ %d\n"},
      {"mod",
       [] {
         add_op(OP_CONST, 0);
         add_op(OP_ACC2OPND, 0);
         add_op(OP_CONST, 5);
         add_op(OP_MOD, 0);
         mark();
       },
       "DIVIDE BY ZERO @ %d\n"},
      {"overflow",
       [] {
         int32_t top = static_cast<int32_t>(emit.fCODE);
         add_op(OP_PUSHACC, 0);
         mark();
         add_op(OP_JMPBACK, top);
       },
       "STACK OVERFLOW @ %d\n"},
      {"underflow",
       [] {
         add_op(OP_POPACC, 0);
         mark();
       },
       "STACK UNDERFLOW @ %d\n"},
      {"return without call",
       [] {
         add_op(OP_RETURN, 0);
         mark();
       },
       "STACK UNDERFLOW @ %d\n"},
      {"jump past the end",
       [] {
         add_op(OP_JMPBACK, static_cast<int32_t>(emit.fCODE) + 1000);
         mark();
       },
       "BAD JUMP @ %d: JUMPTARGET\n"},
      {"return to nowhere",
       [] {
         add_op(OP_CONST, -1);
         add_op(OP_PUSHACC, 0);
         add_op(OP_RETURN, 0);
         mark();
       },
       "BAD JUMP @ %d: ffffffff\n"},
      {"byte read outside the windows",
       [] {
         add_op(OP_CONST, 0x03000000);
         add_op(OP_RD_BYTE, 0);
         mark();
       },
       "ADDRESS ERROR @ %d: 3000000\n"},
      {"byte read past the variable area",
       [] {
         add_op(OP_ADDR, VAR_SEG_SIZE);
         add_op(OP_RD_BYTE, 0);
         mark();
       },
       "ADDRESS ERROR @ %d: 10200fc\n"},
      {"byte write into the constant strings",
       [] {
         add_op(OP_STRADDR, 16);
         add_op(OP_ACC2IDX, 0);
         add_op(OP_CONST, 1);
         add_op(OP_WR_BYTE, 0);
         mark();
       },
       "ADDRESS ERROR @ %d: 2000010\n"},
      {"variable index",
       [] {
         add_op(OP_LDVAR, static_cast<int32_t>(VAR_SEG_WORDS));
         mark();
       },
       "ADDRESS ERROR @ %d: 803f\n"},
      {"array index",
       [] {
         add_op(OP_CONST, -1);
         add_op(OP_ACC2IDX, 0);
         add_op(OP_STARR, 0);
         mark();
       },
       "ADDRESS ERROR @ %d: ffffffff\n"},
      {"array read",
       [] {
         add_op(OP_CONST, 40000);
         add_op(OP_LDARR, 0);
         mark();
       },
       "ADDRESS ERROR @ %d: 9c40\n"},
      {"store index",
       [] {
         add_op(OP_STVAR, -2);
         mark();
       },
       "ADDRESS ERROR @ %d: fffffffe\n"},
      {"operand index",
       [] {
         add_op(OP_OPND_LDVAR, 0x7FFFFFFF);
         mark();
       },
       "ADDRESS ERROR @ %d: 7fffffff\n"},
      {"printed string",
       [] {
         add_op(OP_CONST, 5);
         add_op(OP_PRINTSTR, 1);
         mark();
       },
       "ADDRESS ERROR @ %d: 5\n"},
  };
  for (const StopCase &c : cases) {
    SetUp();
    print_int(1);
    c.build();
    int32_t at = stop_index;
    print_int(2);
    uint32_t length = emit.fCODE;
    std::string expected = std::string("1") + c.output;
    expected.replace(expected.find("%d"), 2, std::to_string(at));
    size_t t = expected.find("JUMPTARGET");
    if (t != std::string::npos) {
      char hex[16];
      snprintf(hex, sizeof hex, "%x", INT_addrs[at]);
      expected.replace(t, 10, hex);
      EXPECT_GE(static_cast<uint32_t>(INT_addrs[at]), length + 2) << c.name;
    }
    EXPECT_EQ(run(), expected) << c.name;
    EXPECT_EQ(vm.last_accum, 0) << c.name;
  }
}

TEST_F(Interpreter, TheStackHoldsExactly1024Words) {
  int32_t top = next_index();
  add_op(OP_PUSHACC, 0);
  int32_t push = last_index();
  // Variable 1 counts the pushes that succeeded.
  add_op(OP_LDVAR, 1);
  add_op(OP_OPND_CONST, 1);
  typed_op(OP_ADD, 1);
  add_op(OP_STVAR, 1);
  add_op(OP_JMPBACK, top);
  EXPECT_EQ(run(), "STACK OVERFLOW @ " + std::to_string(push) + "\n");
  EXPECT_EQ(load_var_word(1), 1024);
  EXPECT_EQ(vm.StkPtr, 1024);
}

TEST_F(Interpreter, RunningPastTheLastOperationIsABadJump) {
  print_int(1);
  int32_t last = last_index();
  EXPECT_EQ(run_as_is(), "1BAD JUMP @ " + std::to_string(last) + ": " + std::to_string(last + 1) + "\n");
}

TEST_F(Interpreter, ARunStartsWithAnEmptyStack) {
  add_op(OP_CONST, 5);
  add_op(OP_PUSHACC, 0);
  EXPECT_EQ(run(), "");
  EXPECT_EQ(vm.StkPtr, 1);
  EXPECT_EQ(capture_stdout([] { runINT(); }), "");
  EXPECT_EQ(vm.StkPtr, 1);
}

// RUN as the driver does it: summary, "Executing on the PC...", the run and
// the timing line; a second RUN appends another END and runs again.
std::string normalised(std::string text) {
  const std::string lead = "Finished on the PC in ";
  size_t at = text.find(lead);
  if (at == std::string::npos) return text;
  size_t digits = at + lead.size();
  size_t end = digits;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') end++;
  if (end == digits) return text;
  return text.replace(digits, end - digits, "N");
}

TEST_F(Interpreter, RunTwice) {
  print_int(7);
  add_op(OP_PRINTCR, 1);
  uint32_t before = emit.fCODE;
  char summary[128];
  snprintf(summary, sizeof summary, "\"... %6.2fK code %6.2f%s\n\"\n\n", before / 256.0, 1 / 256.0,
           "K data programmed\r\n");
  std::string first = capture_stdout([] { run_on_host(); });
  EXPECT_EQ(normalised(first), std::string(summary) +
                                   "Executing on the PC...\n7\n\r\n... Finished on the PC in N ms\r\n");
  uint32_t after_first = emit.fCODE;
  EXPECT_GT(after_first, before);
  EXPECT_EQ(INT_ops[after_first - 1], OP_END);
  EXPECT_EQ(vm.last_accum, 7);

  snprintf(summary, sizeof summary, "\"... %6.2fK code %6.2f%s\n\"\n\n", after_first / 256.0, 1 / 256.0,
           "K data programmed\r\n");
  std::string second = capture_stdout([] { run_on_host(); });
  EXPECT_EQ(normalised(second), std::string(summary) +
                                    "Executing on the PC...\n7\n\r\n... Finished on the PC in N ms\r\n");
  EXPECT_GT(emit.fCODE, after_first);
  EXPECT_EQ(INT_ops[emit.fCODE - 1], OP_END);
}

TEST_F(Interpreter, RunAfterAnErrorDoesNotExecute) {
  print_int(7);
  diag.error_seen = 1;
  diag.firstERR = 12;
  strcpy(reader.current_filename, "prog.bas");
  uint32_t before = emit.fCODE;
  std::string out = capture_stdout([] { run_on_host(); });
  char expected[160];
  snprintf(expected, sizeof expected, "\"... %6.2fK code %6.2f%s\n\"\n\n\r\nFirst ERROR at line  prog.bas:12",
           before / 256.0, 1 / 256.0, "K data programmed\r\n");
  EXPECT_EQ(out, expected);
  EXPECT_EQ(emit.fCODE, before);
}

TEST_F(Interpreter, ArmClassRunCountsHalfwordsWithoutChangingTheCodeCount) {
  // The stream is written by hand: a hundred words with END in the middle.
  f_table[0] = 2000;
  init_compiler();
  emit.fCODE = 100;
  emit.code_high_water = 100;
  INT_ops[50] = OP_END;
  std::string out = capture_stdout([] { run_on_host(); });
  char summary[128];
  snprintf(summary, sizeof summary, "\"... %6.2fK code %6.2f%s\n\"\n\n", 200 / 256.0, 1 / 256.0,
           "K data programmed\r\n");
  EXPECT_EQ(normalised(out),
            std::string(summary) + "Executing on the PC...\n\r\n... Finished on the PC in N ms\r\n");
  // RUN appends END (two ARM words) and leaves the count undoubled.
  EXPECT_EQ(emit.fCODE, 102u);
  reset_everything();
  EXPECT_EQ(INT_ops[50], 0);
}

}  // namespace
