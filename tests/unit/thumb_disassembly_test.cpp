// Generated Thumb code read back by an independent disassembler: each
// instruction must be the one the operation stands for.
#include <capstone/capstone.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "codegen_support.h"

namespace {

using Lines = std::vector<std::string>;

// Disassembles units as Cortex-M Thumb code placed at address; one line per
// instruction, "mnemonic operands", registers by number.
Lines disassemble(const std::vector<int32_t> &code, uint64_t address) {
  csh handle;
  if (cs_open(CS_ARCH_ARM, static_cast<cs_mode>(CS_MODE_THUMB | CS_MODE_MCLASS), &handle) != CS_ERR_OK)
    return {"cs_open failed"};
  cs_option(handle, CS_OPT_SYNTAX, CS_OPT_SYNTAX_NOREGNAME);
  std::vector<uint8_t> bytes;
  for (int32_t u : code) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>((u >> 8) & 0xFF));
  }
  cs_insn *insn = nullptr;
  size_t count = cs_disasm(handle, bytes.data(), bytes.size(), address, 0, &insn);
  Lines lines;
  size_t decoded = 0;
  for (size_t k = 0; k < count; k++) {
    std::string text = insn[k].mnemonic;
    if (insn[k].op_str[0]) text += std::string(" ") + insn[k].op_str;
    lines.push_back(text);
    decoded += insn[k].size;
  }
  if (decoded != bytes.size()) lines.push_back("<undecodable>");
  cs_free(insn, count);
  cs_close(&handle);
  return lines;
}

std::string hex(uint32_t v) {
  char b[16];
  snprintf(b, sizeof b, "#0x%x", v);
  return b;
}

// An immediate as the disassembler writes it: decimal up to 9.
std::string imm(uint32_t v) { return v > 9 ? hex(v) : "#" + std::to_string(v); }

class ThumbDisassembly : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_target();
    full_firmware_table();
  }
  // Code of one operation at fCODE, disassembled where it will run.
  Lines code_of(uint16_t op, int32_t operand = 0) {
    uint32_t at = emit.fCODE;
    std::vector<int32_t> u = emitted(op, operand);
    return disassemble(u, static_cast<uint64_t>(TEST_CODE_START) + 2 * at);
  }
};

struct Case {
  uint16_t op;
  Lines lines;
};

// The instructions each operation is made of.
const Case fixed_cases[] = {
    {OP_NOP, {"adds r6, r6, #0"}},
    {OP_ACC2IDX, {"adds r4, r7, #0"}},
    {OP_LDARR, {"lsls r7, r7, #2", "ldr r7, [r7, r5]"}},
    {OP_STARR, {"lsls r4, r4, #2", "str r7, [r5, r4]"}},
    {OP_SHL, {"lsls r7, r6"}},
    {OP_IDX2ACC, {"adds r7, r4, #0"}},
    {OP_POPACC, {"pop {r7}"}},
    {OP_ACC2OPND, {"adds r6, r7, #0"}},
    {OP_OPND2IDX, {"adds r4, r6, #0"}},
    {OP_IADD, {"adds r7, r7, r6"}},
    {OP_ISUB, {"subs r7, r7, r6"}},
    {OP_IRSUB, {"subs r7, r6, r7"}},
    {OP_AND, {"ands r7, r6"}},
    {OP_CALLACC, {"movs r6, #1", "orrs r7, r6", "mov r6, pc", "adds r6, #5", "mov lr, r6", "bx r7"}},
    {OP_INTEXIT, {"pop {r0, r1, r2, r3, r4, r5, r6, r7}", "mov r8, r0", "mov r9, r1", "mov r10, r2", "mov r11, r3",
                  "pop {pc}"}},
    {OP_OR, {"orrs r7, r6"}},
    {OP_XOR, {"eors r7, r6"}},
    {OP_RD_SHALF, {"movs r0, #0", "ldrsh r7, [r7, r0]"}},
    {OP_RD_HALF, {"ldrh r7, [r7]"}},
    {OP_WR_HALF, {"strh r7, [r4]"}},
    {OP_RD_BYTE, {"ldrb r7, [r7]"}},
    {OP_PEEK, {"ldr r7, [r7]"}},
    {OP_POKE, {"str r7, [r4]"}},
    {OP_NEXT2OPND, {"mov r6, r9"}},
    {OP_WR_BYTE, {"strb r7, [r4]"}},
    {OP_ACC2NEXT, {"mov r9, r7"}},
    {OP_PUSHACC, {"push {r7}"}},
    {OP_SWAP, {"mov r9, r6", "adds r6, r7, #0", "mov r7, r9"}},
    {OP_PUSHNEXT, {"mov r0, r9", "push {r0}", "mov r9, r7"}},
    {OP_POPNEXT, {"pop {r0}", "mov r9, r0"}},
    {OP_POPOPND, {"pop {r6}"}},
    {OP_RETURN, {"pop {pc}"}},
    {OP_SUB_ENTRY, {"push {lr}"}},
    {OP_ACC2STRSCR, {"mov r11, r7"}},
    {OP_PUSHIDX, {"push {r4}"}},
    {OP_POPIDX, {"pop {r4}"}},
    {OP_SLEEP, {"wfi"}},
};

TEST_F(ThumbDisassembly, FixedOperations) {
  for (const Case &c : fixed_cases) EXPECT_EQ(code_of(c.op), c.lines) << "op " << c.op;
}

TEST_F(ThumbDisassembly, TypedOperations) {
  const Case integer_cases[] = {
      {OP_MUL, {"muls r7, r6, r7"}}, {OP_ADD, {"adds r7, r7, r6"}}, {OP_SUB, {"subs r7, r7, r6"}},
      {OP_SHR, {"asrs r7, r6"}},     {OP_TSHL, {"lsls r7, r6"}},     {OP_NEG, {"rsbs r7, r7, #0"}},
      {OP_NOT, {"mvns r7, r7"}},
  };
  for (const Case &c : integer_cases) EXPECT_EQ(code_of(c.op), c.lines) << "op " << c.op;
  emit.integer_ops = 0;
  emit.bitwise_ops = 0;
  EXPECT_EQ(code_of(OP_NOT), Lines{"mvns r7, r7"});
  EXPECT_EQ(code_of(OP_ABS), (Lines{"lsls r7, r7, #1", "lsrs r7, r7, #1"}));
}

TEST_F(ThumbDisassembly, LabelSkipsItsPrologue) {
  add_op(OP_NOP, 0);
  // B to the unit after the PUSH: 0x3002 + 4.
  EXPECT_EQ(code_of(OP_LABEL), (Lines{"b " + hex(0x3006), "push {lr}"}));
}

TEST_F(ThumbDisassembly, EndAndInterruptEntry) {
  EXPECT_EQ(code_of(OP_END), (Lines{"pop {r4}", "pop {pc}"}));
  add_op(OP_NOP, 0);
  // At unit 3: NOP, the saves, LDR r5 at 0x3014 of the word at 0x3018 (unit
  // 12), B over it to 0x301C.
  Lines entry = code_of(OP_INTENTRY);
  Lines expected = {"nop", "push {lr}", "mov r0, r8", "mov r1, r9", "mov r2, r10", "mov r3, r11",
                    "push {r0, r1, r2, r3, r4, r5, r6, r7}", "ldr r5, [pc, #0]", "b " + hex(0x301C)};
  ASSERT_GE(entry.size(), expected.size());
  EXPECT_EQ(Lines(entry.begin(), entry.begin() + static_cast<long>(expected.size())), expected);
  EXPECT_EQ(Flash_codes[12], static_cast<int32_t>(TEST_VARIABLE_BASE & 0xFFFF));
  EXPECT_EQ(Flash_codes[13], static_cast<int32_t>(TEST_VARIABLE_BASE >> 16));
}

TEST_F(ThumbDisassembly, CallsAndJumpsReachTheirTargets) {
  // Firmware call of entry 59 (0x1ED): BL keeps Thumb state, so it shows
  // the even address.
  EXPECT_EQ(code_of(OP_PRINTSTR), Lines{"bl " + hex(0x1EC)});
  while (emit.fCODE < 40) add_op(OP_NOP, 0);
  EXPECT_EQ(code_of(OP_JMPBACK, 7), Lines{"bl " + hex(0x300E)});
  EXPECT_EQ(code_of(OP_CALLSUB, 5000), Lines{"bl " + hex(0x3000 + 10000)});
  EXPECT_EQ(code_of(OP_CALLBACK, 0), Lines{"bl " + hex(0x3000)});
  // JZBACK at unit 46: CMP, BNE over the pair to 0x3064, BL.
  EXPECT_EQ(code_of(OP_JZBACK, 3), (Lines{"cmp r7, #0", "bne " + hex(0x3064), "bl " + hex(0x3006)}));
}

TEST_F(ThumbDisassembly, ResolvedForwardJumps) {
  g_symboladdr[9] = 100;
  add_op(OP_GOTO, 9);   // 0
  add_op(OP_GOSUB, 9);  // 2
  uint16_t label = add_fwd_jmpcall(OP_JZ);  // 4..7
  while (emit.fCODE < 60) add_op(OP_NOP, 0);
  patchJumpTable(label);
  optimizeTJ(0, 0);
  Lines code = disassemble(units(0, 8), TEST_CODE_START);
  EXPECT_EQ(code, (Lines{"bl " + hex(0x3000 + 204), "bl " + hex(0x3000 + 202), "cmp r7, #0", "bne " + hex(0x3010),
                         "bl " + hex(0x3000 + 120)}));
}

TEST_F(ThumbDisassembly, VariablesConstantsAndThePool) {
  // The three ranges of variable access, at both parities.
  EXPECT_EQ(code_of(OP_LDVAR, 31), Lines{"ldr r7, [r5, #0x7c]"});
  EXPECT_EQ(code_of(OP_STVAR, 2), Lines{"str r7, [r5, #8]"});
  EXPECT_EQ(code_of(OP_OPND_LDVAR, 32), (Lines{"movs r0, #0x20", "lsls r0, r0, #2", "ldr r6, [r5, r0]"}));
  EXPECT_EQ(code_of(OP_STVAR, 127), (Lines{"movs r0, #0x7f", "lsls r0, r0, #2", "str r7, [r5, r0]"}));
  ASSERT_EQ(emit.fCODE, 8u);
  // Even start at unit 8 (0x3010): the literal at 0x3014, B to 0x3018.
  Lines near = code_of(OP_LDVAR, 128);
  ASSERT_EQ(near.size(), 5u);  // the literal decodes as some instruction
  EXPECT_EQ(near[0], "ldr r1, [pc, #0]");
  EXPECT_EQ(near[1], "b " + hex(0x3018));
  EXPECT_EQ(near[4], "ldr r7, [r1]");
  // Odd start at unit 13 (0x301A): the literal at 0x3020 (unit 16) behind
  // a pad, B to 0x3024.
  ASSERT_EQ(emit.fCODE, 13u);
  Lines odd = code_of(OP_STVAR, 128);
  EXPECT_EQ(odd[0], "ldr r1, [pc, #4]");
  EXPECT_EQ(odd[1], "b " + hex(0x3024));
  EXPECT_EQ(odd.back(), "str r7, [r1]");
  EXPECT_EQ(units(16, 18), (std::vector<int32_t>{0x0240, 0x1000}));

  EXPECT_EQ(code_of(OP_CONST, 200), Lines{"movs r7, #0xc8"});
  EXPECT_EQ(code_of(OP_CONST, -1), (Lines{"movs r7, #0", "mvns r7, r7"}));
  EXPECT_EQ(code_of(OP_OPND_CONST, -256), (Lines{"movs r6, #0xff", "mvns r6, r6"}));
  uint32_t load = emit.fCODE;
  add_op(OP_CONST, 256);
  add_op(OP_END, 0);
  // The load reads the word where the pool put 256.
  Lines pool = disassemble(units(load, load + 1), TEST_CODE_START + 2 * load);
  uint32_t pc = (TEST_CODE_START + 2 * load + 4) & ~3u;
  uint32_t value_unit = (pc - TEST_CODE_START) / 2 + 4 * static_cast<uint32_t>(Flash_codes[load] & 0xFF) / 2;
  EXPECT_EQ(pool, Lines{"ldr r7, [pc, " + imm(4 * static_cast<uint32_t>(Flash_codes[load] & 0xFF)) + "]"});
  EXPECT_EQ(Flash_codes[value_unit], 256);
  EXPECT_EQ(Flash_codes[value_unit + 1], 0);
  EXPECT_EQ(value_unit, emit.fCODE - 2);
}

TEST_F(ThumbDisassembly, PinOperations) {
  Lines read = code_of(OP_P2);
  EXPECT_EQ(read, (Lines{"movs r0, #1", "lsls r0, r7", "ldr r7, [pc, #0]", "ldr r7, [r7]", "ands r7, r0",
                         "beq " + hex(0x3010), "movs r7, #0", "mvns r7, r7"}));
  Lines write = code_of(OP_P2_WR);
  EXPECT_EQ(write, (Lines{"cmp r7, #0", "ldr r7, [pc, #0]", "bne " + hex(0x3018), "adds r7, #4", "movs r6, #1",
                          "lsls r6, r4", "str r6, [r7]"}));
}

TEST_F(ThumbDisassembly, BranchOverAFlushedPool) {
  add_op(OP_CONST, 0x12345678);
  while (emit.fCODE < 481) add_op(OP_NOP, 0);
  add_op(OP_NOP, 0);
  // B at unit 481 (0x33C2) over the pool to unit 484 (0x33C8).
  EXPECT_EQ(disassemble(units(481, 482), TEST_CODE_START + 962), Lines{"b " + hex(0x33C8)});
  EXPECT_EQ(disassemble(units(0, 1), TEST_CODE_START), Lines{"ldr r7, [pc, #0x3c0]"});
}

}  // namespace
