// The dense form of the operation stream: what RUN translates the recorded
// operations into before it runs them.
#include <climits>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/dense.h"
#include "host_support.h"

namespace {

struct Expected {
  uint32_t pos;
  uint16_t handler;
};

class DenseForm : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    dense_superinstructions = false;
  }
  void TearDown() override { dense_superinstructions = true; }

  // Emits op and notes the entry it should translate into.
  void expect(uint16_t op, int32_t operand, uint16_t handler) {
    add_op(op, operand);
    expected.push_back({emit.fCODE - 1, handler});
  }
  uint32_t translate() {
    optimizeTJ(0, 1);
    return dense_translate(emit.fCODE);
  }
  // The entry whose record is at pos.
  static int32_t entry_at(uint32_t pos, uint32_t count) {
    for (uint32_t i = 0; i < count; i++)
      if (dense_code[i].pos == pos) return static_cast<int32_t>(i);
    return -1;
  }

  std::vector<Expected> expected;
};

TEST_F(DenseForm, EntriesAreTheRecordsInOrderWithoutEmptySlotsAndNoOps) {
  // The reset's start-up jump to MAIN comes first.
  expected.push_back({emit.fCODE - 1, H_JMP});
  expect(OP_CONST, 5, H_CONST);
  expect(OP_STVAR, 300, H_STVAR);                  // a far variable: two units
  expect(OP_OPND_CONST, 0x12345678, H_OPND_CONST);  // a pool constant
  add_op(OP_LABEL, 0);                              // no effect: left out
  expect(OP_OPND_ADDR, 8, H_OPND_CONST);
  expect(OP_LDVAR, 300, H_LDVAR);
  expect(OP_IADD, 0, H_IADD);
  add_op(OP_ENDSUB, 0);
  expect(OP_END, 0, H_END);
  uint32_t count = translate();
  ASSERT_EQ(count, expected.size() + 1);
  for (size_t i = 0; i < expected.size(); i++) {
    EXPECT_EQ(dense_code[i].pos, expected[i].pos) << i;
    EXPECT_EQ(dense_handler[i], expected[i].handler) << i << " " << dense_handler_name(dense_handler[i]);
  }
  // The end marker stands at the end of the stream.
  EXPECT_EQ(dense_handler[count - 1], H_FELL_OFF);
  EXPECT_EQ(dense_code[count - 1].pos, emit.fCODE);
  // Every code position leads to the first entry at or after it.
  uint32_t next = 0;
  for (uint32_t pos = 0; pos <= emit.fCODE; pos++) {
    while (dense_code[next].pos < pos) next++;
    EXPECT_EQ(dense_index[pos], next) << pos;
  }
  // An address is translated into the reference it makes.
  EXPECT_EQ(dense_code[4].operand, var_ref(8));
}

TEST_F(DenseForm, TypedOperationsGetTheHandlerOfTheirMode) {
  const struct {
    uint16_t op;
    uint16_t integer, single;
  } cases[] = {
      {OP_ADD, H_IADD, H_FADD},   {OP_SUB, H_ISUB, H_FSUB},   {OP_MUL, H_IMUL, H_FMUL},
      {OP_DIV, H_IDIV, H_FDIV},   {OP_NEG, H_INEG, H_FNEG},   {OP_ABS, H_IABS, H_FABS},
      {OP_EQ, H_IEQ, H_FEQ},      {OP_NE, H_INE, H_FNE},      {OP_LT, H_ILT, H_FLT},
      {OP_LE, H_ILE, H_FLE},      {OP_GT, H_IGT, H_FGT},      {OP_GE, H_IGE, H_FGE},
      {OP_STR, H_ISTR, H_FSTR},   {OP_PRINTNUM, H_IPRINTNUM, H_FPRINTNUM},
  };
  for (const auto &c : cases) {
    for (uint8_t integer : {1, 0}) {
      SetUp();
      typed_op(c.op, integer);
      uint32_t count = translate();
      EXPECT_EQ(dense_handler[entry_at(emit.fCODE - 1, count)], integer ? c.integer : c.single)
          << c.op << " " << int(integer);
    }
  }
}

TEST_F(DenseForm, JumpsLeadToTheEntryOfTheirTarget) {
  // forward: JMP over a constant to a label in front of a two-unit store
  uint16_t over = add_fwd_jmpcall(OP_JMP);
  uint32_t jmp = emit.fCODE - 1;
  add_op(OP_CONST, 1);
  patchJumpTable(over);
  uint32_t label = emit.fCODE;
  add_op(OP_LABEL, 0);  // no entry of its own: the jump lands behind it
  add_op(OP_STVAR, 300);
  uint32_t store = emit.fCODE - 1;
  // backward: JZBACK to the store; a call to it; a jump to the last slot
  add_op(OP_JZBACK, static_cast<int32_t>(label));
  uint32_t back = emit.fCODE - 1;
  add_op(OP_CALLSUB, static_cast<int32_t>(store));
  uint32_t call = emit.fCODE - 1;
  uint16_t to_end = add_fwd_jmpcall(OP_JMP);
  uint32_t last = emit.fCODE - 1;
  patchJumpTable(to_end);
  add_op(OP_ASM, 0x1234);
  uint32_t count = translate();
  EXPECT_GT(store - label, 0u) << "the target position is an empty slot";
  EXPECT_EQ(dense_code[entry_at(jmp, count)].operand, entry_at(store, count));
  EXPECT_EQ(dense_code[entry_at(back, count)].operand, entry_at(store, count));
  EXPECT_EQ(dense_code[entry_at(call, count)].operand, entry_at(store, count));
  EXPECT_EQ(dense_code[entry_at(last, count)].operand, entry_at(emit.fCODE - 1, count));
  EXPECT_EQ(dense_handler[entry_at(jmp, count)], H_JMP);
  EXPECT_EQ(dense_handler[entry_at(back, count)], H_JZ);
  EXPECT_EQ(dense_handler[entry_at(call, count)], H_CALL);
}

TEST_F(DenseForm, ReturnGoesOnAtTheFirstEntryAtOrAfterThePoppedPosition) {
  // A return position pushed by hand: the first unit of a store of several
  // units, an empty slot.
  add_op(OP_CONST, 0);
  uint32_t constant = emit.fCODE - 1;
  add_op(OP_PUSHACC, 0);
  add_op(OP_RETURN, 0);
  add_op(OP_CONST, 1);  // passed over
  uint32_t target = emit.fCODE;
  add_op(OP_STVAR, 300);
  ASSERT_GT(emit.fCODE - target, 1u);  // the target is not the record
  INT_addrs[constant] = static_cast<int32_t>(target);
  typed_op(OP_PRINTNUM, 1, 1);
  EXPECT_EQ(run(), std::to_string(target));
  EXPECT_EQ(load_var_word(300), static_cast<int32_t>(target));
  EXPECT_EQ(vm.StkPtr, 0);
}

TEST_F(DenseForm, JumpsOutOfTheStreamKeepTheirOperandForTheReport) {
  add_op(OP_CONST, 1);
  add_op(OP_JMP, 0);
  uint32_t jmp = emit.fCODE - 1;
  add_op(OP_JZ, 0);
  uint32_t jz = emit.fCODE - 1;
  add_op(OP_GOSUB, 0);
  uint32_t gosub = emit.fCODE - 1;
  add_op(OP_STVAR, 0);
  INT_addrs[jmp] = static_cast<int32_t>(emit.fCODE);  // one past the end
  INT_addrs[jz] = -1;
  INT_addrs[gosub] = INT_MAX;
  INT_addrs[emit.fCODE - 1] = static_cast<int32_t>(VAR_SEG_WORDS);
  uint32_t count = dense_translate(emit.fCODE);
  EXPECT_EQ(dense_handler[entry_at(jmp, count)], H_JMP_BAD);
  EXPECT_EQ(dense_code[entry_at(jmp, count)].operand, static_cast<int32_t>(emit.fCODE));
  EXPECT_EQ(dense_handler[entry_at(jz, count)], H_JZ_BAD);
  EXPECT_EQ(dense_code[entry_at(jz, count)].operand, -1);
  EXPECT_EQ(dense_handler[entry_at(gosub, count)], H_CALL_BAD);
  EXPECT_EQ(dense_code[entry_at(gosub, count)].operand, INT_MAX);
  EXPECT_EQ(dense_handler[entry_at(emit.fCODE - 1, count)], H_BAD_WORD);
}

// The operations the host carries out, those without effect, and those it
// stops at as unknown.
TEST_F(DenseForm, EveryOperationHasItsHandler) {
  const std::vector<uint16_t> without_effect = {OP_NOP,    OP_LABEL,  OP_SUB_ENTRY, OP_MAIN,  OP_DATAEND,
                                                OP_ENDSUB, OP_TXFREE, OP_RXD0,      OP_TXD0, OP_WAITMICRO};
  const std::vector<uint16_t> unknown = {
      OP_CALLACC, OP_INTENTRY, OP_INTEXIT,   OP_EZHPARAM,    OP_EZHSAVE,      OP_EZHRESTORE, OP_EZHRDPER,
      OP_EZHWRPER, OP_RD_SHALF, OP_RD_HALF,  OP_WR_HALF,     OP_P2,           OP_P2_WR,      OP_P3,
      OP_P3_WR,    OP_P4,       OP_P4_WR,    OP_P5,          OP_P5_WR,        OP_RXD,        OP_TXD,
      OP_BAUD,     OP_RXD1,     OP_TXD1,     OP_BAUD0,       OP_BAUD1,        OP_GEN_INT,    OP_REPEAT,
      OP_INTFW1,   OP_INTFW2,   OP_INTFW3,   OP_INTFW4,      OP_FREAD,        OP_FILEREADDIR, OP_FILECLOSE,
      OP_FILEOPEN, OP_FILEREADBYTE, OP_FILEWRITEBYTE, OP_FILEEOF, OP_HTTP,   OP_UDPIN,      OP_UDPOUT,
      OP_MAIL,     OP_CGIIN,    OP_LASTIP,   OP_FOR,         OP_NEXT,         OP_QUICKSORT,  OP_ENET_GETIP,
      OP_ENET_SETIP, OP_ENET_INIT, OP_ENET_RCV, OP_ENET_SEND};
  auto listed = [](const std::vector<uint16_t> &list, uint16_t op) {
    for (uint16_t o : list)
      if (o == op) return true;
    return false;
  };
  int carried_out = 0;
  for (int k = 0; k < operation_count; k++) {
    const uint16_t op = operation_set[k].code;
    INT_ops[0] = op;
    INT_addrs[0] = 0;  // a valid jump target, variable word and SINGLE mode
    uint32_t count = dense_translate(1);
    if (listed(without_effect, op)) {
      EXPECT_EQ(count, 1u) << operation_set[k].name;
    } else if (listed(unknown, op)) {
      EXPECT_EQ(dense_handler[0], H_UNKNOWN) << operation_set[k].name;
    } else {
      ASSERT_EQ(count, 2u) << operation_set[k].name;
      EXPECT_NE(dense_handler[0], H_UNKNOWN) << operation_set[k].name;
      carried_out++;
    }
  }
  EXPECT_EQ(carried_out, operation_count - static_cast<int>(without_effect.size() + unknown.size()));
  // Codes that are no operation at all.
  for (int32_t op : {6, 18, 45, 76, 123, 256 + 5, 0x7FFF, -1}) {
    INT_ops[0] = op;
    dense_translate(1);
    EXPECT_EQ(dense_handler[0], H_UNKNOWN) << op;
  }
}

// Emits one operation of a superinstruction's sequence by its handler.
// Variables 5 to 7 hold the operands; jumps lead past a constant that a
// fall-through would load.
void emit_part(uint16_t handler, std::vector<uint16_t> &pending_labels) {
  switch (handler) {
    case H_LDVAR: add_op(OP_LDVAR, 5); break;
    case H_OPND_LDVAR: add_op(OP_OPND_LDVAR, 6); break;
    case H_STVAR: add_op(OP_STVAR, 7); break;
    case H_CONST: add_op(OP_CONST, 3); break;
    case H_OPND_CONST: add_op(OP_OPND_CONST, 40); break;
    case H_IADD: add_op(OP_IADD, 0); break;
    case H_AND: typed_op(OP_AND, 1); break;
    case H_ACC2IDX: add_op(OP_ACC2IDX, 0); break;
    case H_LDARR: add_op(OP_LDARR, 0); break;
    case H_STARR: add_op(OP_STARR, 0); break;
    case H_IEQ: typed_op(OP_EQ, 1); break;
    case H_INE: typed_op(OP_NE, 1); break;
    case H_ILT: typed_op(OP_LT, 1); break;
    case H_ILE: typed_op(OP_LE, 1); break;
    case H_IGT: typed_op(OP_GT, 1); break;
    case H_IGE: typed_op(OP_GE, 1); break;
    case H_JMP: pending_labels.push_back(add_fwd_jmpcall(OP_JMP)); break;
    case H_JZ: pending_labels.push_back(add_fwd_jmpcall(OP_JZ)); break;
    default: FAIL() << "no emission for " << dense_handler_name(handler);
  }
}

struct Outcome {
  std::string out;
  int32_t acc, opd, idx, last;
  uint32_t stopped_at;
  std::vector<int32_t> words;
};

TEST_F(DenseForm, SuperinstructionsDoWhatTheirSequencesDo) {
  // Variable contents: equal, ordered both ways, negative, and word
  // indices outside the variable area for the array operations.
  const std::vector<std::vector<int32_t>> states = {
      {10, 10, 0}, {10, 20, 1}, {20, 10, -1}, {-5, 7, 9}, {0, 0, 0}, {static_cast<int32_t>(VAR_SEG_WORDS), 1, 2},
      {-41, 3, 3}};
  int sequences = 0;
  for (uint16_t super = 0; super < H_COUNT; super++) {
    uint16_t parts[DENSE_MAX_SEQUENCE];
    const int length = dense_sequence(super, parts);
    if (length == 0) continue;
    sequences++;
    for (const auto &vars : states) {
      for (int32_t start_acc : {0, 1}) {
        Outcome outcome[2];
        for (int fused = 0; fused < 2; fused++) {
          SetUp();
          dense_superinstructions = fused == 1;
          for (int k = 0; k < 3; k++) store_var_word(5 + k, vars[k]);
          add_op(OP_CONST, start_acc);
          uint32_t first = emit.fCODE;
          std::vector<uint16_t> labels;
          for (int k = 0; k < length; k++) emit_part(parts[k], labels);
          add_op(OP_CONST, 99);  // skipped by a jump
          for (uint16_t l : labels) patchJumpTable(l);
          add_op(OP_PRINTCR, 0);
          Outcome &o = outcome[fused];
          o.out = run();
          o.acc = vm.reg_accum;
          o.opd = vm.reg_operand;
          o.idx = vm.reg_lindex;
          o.last = vm.last_accum;
          o.stopped_at = vm.iCSP;
          for (uint32_t k = 0; k < 64; k++) o.words.push_back(load_var_word(k));
          if (fused) {
            uint32_t count = dense_translate(emit.fCODE);
            int32_t entry = entry_at(emit.fCODE, count);
            for (uint32_t i = 0; i < count; i++)
              if (dense_code[i].pos >= first) {
                entry = static_cast<int32_t>(i);
                break;
              }
            EXPECT_EQ(dense_handler[entry], super) << "not chosen: " << dense_handler_name(super);
          }
        }
        const std::string what = std::string(dense_handler_name(super)) + " with " + std::to_string(vars[0]) +
                                 "," + std::to_string(vars[1]) + "," + std::to_string(vars[2]) + " acc " +
                                 std::to_string(start_acc);
        EXPECT_EQ(outcome[1].out, outcome[0].out) << what;
        EXPECT_EQ(outcome[1].acc, outcome[0].acc) << what;
        EXPECT_EQ(outcome[1].opd, outcome[0].opd) << what;
        EXPECT_EQ(outcome[1].idx, outcome[0].idx) << what;
        EXPECT_EQ(outcome[1].last, outcome[0].last) << what;
        EXPECT_EQ(outcome[1].stopped_at, outcome[0].stopped_at) << what;
        EXPECT_EQ(outcome[1].words, outcome[0].words) << what;
      }
    }
  }
  EXPECT_GT(sequences, 10);
}

TEST_F(DenseForm, AnErrorInsideASuperinstructionReportsItsOwnOperation) {
  dense_superinstructions = true;
  // flags(i) = 1 with i beyond the variable area: the store reports.
  store_var_word(5, static_cast<int32_t>(VAR_SEG_WORDS));
  uint32_t first = emit.fCODE;
  add_op(OP_LDVAR, 5);
  add_op(OP_OPND_CONST, 0);
  add_op(OP_IADD, 0);
  add_op(OP_ACC2IDX, 0);
  add_op(OP_CONST, 1);
  add_op(OP_STARR, 0);
  uint32_t store = emit.fCODE - 1;
  char report[64];
  snprintf(report, sizeof report, "ADDRESS ERROR @ %u: %x\n", store, VAR_SEG_WORDS);
  EXPECT_EQ(run(), report);
  EXPECT_EQ(dense_handler[dense_index[first]], H_LDVAR_OPND_CONST_IADD_ACC2IDX_CONST_STARR);
  EXPECT_EQ(vm.iCSP, store);
}

}  // namespace
