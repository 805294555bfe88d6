// Generated ARM code read back by an independent disassembler: each word
// must be the instruction the operation stands for, and one an ARM7
// (ARMv4T) core executes.
#include <capstone/capstone.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "arm_support.h"

namespace {

using Lines = std::vector<std::string>;

// Why an instruction would not run on an ARMv4T core, or "" when it does.
std::string beyond_armv4t(csh handle, const cs_insn &insn) {
  const cs_detail *d = insn.detail;
  for (uint8_t k = 0; k < d->groups_count; k++) {
    switch (d->groups[k]) {
      case ARM_GRP_V6:
        // The disassembler files MUL under v6, whose form lifted the older
        // rule that the result register differ from the first source.
        if (insn.id == ARM_INS_MUL && d->arm.op_count == 3 && d->arm.operands[0].reg != d->arm.operands[1].reg)
          break;
        return std::string("needs ") + cs_group_name(handle, d->groups[k]);
      case ARM_GRP_V5T:
      case ARM_GRP_V5TE:
      case ARM_GRP_V6T2:
      case ARM_GRP_V7:
      case ARM_GRP_V8:
      case ARM_GRP_THUMB2:
      case ARM_GRP_VFP2:
      case ARM_GRP_NEON:
        return std::string("needs ") + cs_group_name(handle, d->groups[k]);
      default:
        break;
    }
  }
  return "";
}

// Disassembles words as ARM code placed at address; one line per
// instruction, "mnemonic operands", registers by number. A word that is no
// instruction, or one beyond ARMv4T, shows as a marked line.
Lines disassemble(const std::vector<int32_t> &code, uint64_t address) {
  csh handle;
  if (cs_open(CS_ARCH_ARM, CS_MODE_ARM, &handle) != CS_ERR_OK) return {"cs_open failed"};
  cs_option(handle, CS_OPT_SYNTAX, CS_OPT_SYNTAX_NOREGNAME);
  cs_option(handle, CS_OPT_DETAIL, CS_OPT_ON);
  Lines lines;
  for (size_t k = 0; k < code.size(); k++) {
    uint8_t bytes[4];
    for (int b = 0; b < 4; b++) bytes[b] = static_cast<uint8_t>(static_cast<uint32_t>(code[k]) >> (8 * b));
    cs_insn *insn = nullptr;
    size_t count = cs_disasm(handle, bytes, 4, address + 4 * k, 1, &insn);
    if (count != 1) {
      lines.push_back("<undecodable>");
      continue;
    }
    std::string text = insn[0].mnemonic;
    if (insn[0].op_str[0]) text += std::string(" ") + insn[0].op_str;
    std::string why = beyond_armv4t(handle, insn[0]);
    if (!why.empty()) text += " <" + why + ">";
    lines.push_back(text);
    cs_free(insn, count);
  }
  cs_close(&handle);
  return lines;
}

std::string hex(uint32_t v) {
  char b[16];
  snprintf(b, sizeof b, "#0x%x", v);
  return b;
}

class ArmDisassembly : public ::testing::Test {
 protected:
  void SetUp() override { arm_target(1900); }
  // Code of one operation at fCODE, disassembled where it will run.
  Lines code_of(uint16_t op, int32_t operand = 0) {
    uint32_t at = emit.fCODE;
    std::vector<int32_t> u = emitted(op, operand);
    return disassemble(u, static_cast<uint64_t>(TEST_CODE_START) + 4 * at);
  }
};

struct Case {
  uint16_t op;
  Lines lines;
};

const Case fixed_cases[] = {
    {OP_NOP, {"mov r0, r0"}},
    {OP_ACC2IDX, {"mov r8, r7"}},
    {OP_LDARR, {"ldr r7, [r11, r7, lsl #2]"}},
    {OP_STARR, {"str r7, [r11, r8, lsl #2]"}},
    {OP_SHL, {"lsl r7, r7, r6"}},
    {OP_IDX2ACC, {"mov r7, r8"}},
    {OP_POPACC, {"ldm sp!, {r7}"}},
    {OP_ACC2OPND, {"adds r6, r7, #0"}},
    {OP_OPND2IDX, {"mov r8, r6"}},
    {OP_IADD, {"add r7, r7, r6"}},
    {OP_ISUB, {"sub r7, r7, r6"}},
    {OP_IRSUB, {"sub r7, r6, r7"}},
    {OP_AND, {"and r7, r7, r6"}},
    {OP_CALLACC, {"mov lr, pc", "bx r7"}},
    {OP_INTEXIT,
     {"ldm sp!, {r11}", "sub sp, r11, #0x34", "ldm sp!, {r0, r1, r2, r3, r4, r5, r6, r7, r8, r9, r10, r11, r12, pc} ^"}},
    {OP_OR, {"orr r7, r7, r6"}},
    {OP_XOR, {"eor r7, r7, r6"}},
    {OP_RD_SHALF, {"ldrsh r7, [r7]"}},
    {OP_RD_HALF, {"ldrh r7, [r7]"}},
    {OP_WR_HALF, {"strh r7, [r8]"}},
    {OP_TIMER, {"mov r7, #0xe0000008", "add r7, r7, #0x4000", "ldr r7, [r7]"}},
    {OP_RD_BYTE, {"ldrb r7, [r7]"}},
    {OP_PEEK, {"ldr r7, [r7]"}},
    {OP_POKE, {"str r7, [r8]"}},
    {OP_NEXT2OPND, {"mov r6, r9"}},
    {OP_WR_BYTE, {"strb r7, [r8]"}},
    {OP_END, {"ldm sp!, {r8}", "ldm sp!, {pc}"}},
    {OP_ACC2NEXT, {"mov r9, r7"}},
    {OP_PUSHACC, {"stmdb sp!, {r7}"}},
    {OP_SWAP, {"mov r9, r6", "adds r6, r7, #0", "mov r7, r9"}},
    {OP_PUSHNEXT, {"stmdb sp!, {r9}", "mov r9, r7"}},
    {OP_POPNEXT, {"ldm sp!, {r9}"}},
    {OP_POPOPND, {"ldm sp!, {r6}"}},
    {OP_RETURN, {"ldm sp!, {pc}"}},
    {OP_SUB_ENTRY, {"stmdb sp!, {lr}"}},
    {OP_ACC2STRSCR, {"mov r5, r7"}},
    {OP_PUSHIDX, {"stmdb sp!, {r8}"}},
    {OP_POPIDX, {"ldm sp!, {r8}"}},
};

TEST_F(ArmDisassembly, FixedOperations) {
  for (const Case &c : fixed_cases) EXPECT_EQ(code_of(c.op), c.lines) << "op " << c.op;
}

TEST_F(ArmDisassembly, TypedOperations) {
  const Case integer_cases[] = {
      {OP_ADD, {"add r7, r7, r6"}}, {OP_SUB, {"sub r7, r7, r6"}},  {OP_MUL, {"mul r7, r6, r7"}},
      {OP_NEG, {"rsb r7, r7, #0"}}, {OP_NOT, {"mvn r7, r7"}},      {OP_TSHL, {"lsl r7, r7, r6"}},
      {OP_SHR, {"asr r7, r7, r6"}},
  };
  for (const Case &c : integer_cases) EXPECT_EQ(code_of(c.op), c.lines) << "op " << c.op;
  emit.integer_ops = 0;
  emit.bitwise_ops = 0;
  EXPECT_EQ(code_of(OP_NOT), Lines{"mvn r7, r7"});
  EXPECT_EQ(code_of(OP_ABS), (Lines{"lsl r7, r7, #1", "lsr r7, r7, #1"}));
}

TEST_F(ArmDisassembly, TheArmv4tCheckRejectsWhatArm7CannotRun) {
  // MUL whose result register is its first source (UNPREDICTABLE before
  // ARMv6), CLZ (ARMv5T), MOVW (ARMv6T2), and a word that is no
  // instruction.
  EXPECT_EQ(disassemble(words({0xE0070797}), 0), Lines{"mul r7, r7, r7 <needs v6>"});
  EXPECT_EQ(disassemble(words({0xE16F7F16}), 0), Lines{"clz r7, r6 <needs v5t>"});
  EXPECT_EQ(disassemble(words({0xE3007123}), 0), Lines{"movw r7, #0x123 <needs v6t2>"});
  EXPECT_EQ(disassemble(words({0xE6000010}), 0), Lines{"<undecodable>"});
}

TEST_F(ArmDisassembly, LabelSkipsItsPrologueAndOldFirmwareForms) {
  add_op(OP_NOP, 0);
  // B at 0x3004 to the word behind the prologue: 0x300C.
  EXPECT_EQ(code_of(OP_LABEL), (Lines{"b " + hex(0x300C), "stmdb sp!, {lr}"}));
  EXPECT_EQ(code_of(OP_SUB_ENTRY), Lines{"stmdb sp!, {lr}"});
  arm_target(1823);
  add_op(OP_NOP, 0);
  EXPECT_EQ(code_of(OP_LABEL), (Lines{"b " + hex(0x300C), "mov r0, r0"}));
  EXPECT_EQ(code_of(OP_SUB_ENTRY), Lines{"mov r0, r0"});
  // Return through entry 96 (0x1300).
  EXPECT_EQ(code_of(OP_RETURN), Lines{"bl " + hex(arm_entry(96))});
  // A call: BL to entry 89 (0x12C8), then the target's address as data.
  Lines call = code_of(OP_CALLSUB, 1);
  ASSERT_EQ(call.size(), 2u);
  EXPECT_EQ(call[0], "bl " + hex(arm_entry(89)));
  EXPECT_EQ(Flash_codes[emit.fCODE - 1], TEST_CODE_START + 4);
}

TEST_F(ArmDisassembly, InterruptEntry) {
  add_op(OP_NOP, 0);
  Lines entry = code_of(OP_INTENTRY);
  // At unit 1 (0x3004): LDR r11 at 0x3014 reads 0x301C, the B at 0x3018
  // jumps over it to 0x3020.
  Lines expected = {"sub lr, lr, #4",
                    "push {r0, r1, r2, r3, r4, r5, r6, r7, r8, r9, r10, r11, r12, lr}",
                    "add r11, sp, #0x34",
                    "stmdb sp!, {r11}",
                    "ldr r11, [pc]",
                    "b " + hex(0x3020)};
  ASSERT_EQ(entry.size(), 7u);
  EXPECT_EQ(Lines(entry.begin(), entry.begin() + 6), expected);
  EXPECT_EQ(Flash_codes[7], static_cast<int32_t>(ARM_TEST_VARIABLE_BASE));
}

TEST_F(ArmDisassembly, SleepWordIsAnMsrThatWritesNoStatusField) {
  // The word the firmware expects for SLEEP is no instruction of its own
  // on ARM7: by its fields an MSR of an immediate (bits 27..23 00110,
  // bit 21 set, bit 20 clear) with an empty field mask (bits 19..16), so
  // it changes nothing.
  std::vector<int32_t> u = emitted(OP_SLEEP);
  ASSERT_EQ(u.size(), 1u);
  uint32_t w = static_cast<uint32_t>(u[0]);
  EXPECT_EQ(w >> 28, 0xEu);
  EXPECT_EQ((w >> 23) & 0x1F, 0x06u);
  EXPECT_EQ((w >> 21) & 1, 1u);
  EXPECT_EQ((w >> 20) & 1, 0u);
  EXPECT_EQ((w >> 16) & 0xF, 0u);
  EXPECT_EQ(w & 0xFFF, 3u);
}

TEST_F(ArmDisassembly, CallsAndJumpsReachTheirTargets) {
  // Firmware call of entry 59 at 0x11D8.
  EXPECT_EQ(code_of(OP_PRINTSTR), Lines{"bl " + hex(0x11D8)});
  while (emit.fCODE < 40) add_op(OP_NOP, 0);
  EXPECT_EQ(code_of(OP_JMPBACK, 7), Lines{"b " + hex(0x301C)});
  EXPECT_EQ(code_of(OP_CALLSUB, 5000), Lines{"bl " + hex(0x3000 + 20000)});
  EXPECT_EQ(code_of(OP_CALLBACK, 0), Lines{"bl " + hex(0x3000)});
  EXPECT_EQ(code_of(OP_JZBACK, 3), (Lines{"cmp r7, #0", "beq " + hex(0x300C)}));
}

TEST_F(ArmDisassembly, ResolvedForwardJumps) {
  g_symboladdr[9] = 100;
  add_op(OP_GOTO, 9);                       // 0
  add_op(OP_GOSUB, 9);                      // 1
  uint16_t label = add_fwd_jmpcall(OP_JZ);  // 2, 3
  uint16_t out = add_fwd_jmpcall(OP_JMP);   // 4
  while (emit.fCODE < 60) add_op(OP_NOP, 0);
  patchJumpTable(label);
  patchJumpTable(out);
  optimizeTJ(0, 0);
  EXPECT_EQ(disassemble(units(0, 5), TEST_CODE_START),
            (Lines{"b " + hex(0x3000 + 4 * 102), "bl " + hex(0x3000 + 4 * 101), "cmp r7, #0",
                   "beq " + hex(0x3000 + 4 * 60), "b " + hex(0x3000 + 4 * 60)}));
}

TEST_F(ArmDisassembly, VariablesAndConstants) {
  EXPECT_EQ(code_of(OP_LDVAR, 0), Lines{"ldr r7, [r11]"});
  EXPECT_EQ(code_of(OP_LDVAR, 1023), Lines{"ldr r7, [r11, #0xffc]"});
  EXPECT_EQ(code_of(OP_OPND_LDVAR, 3), Lines{"ldr r6, [r11, #0xc]"});
  EXPECT_EQ(code_of(OP_STVAR, 1023), Lines{"str r7, [r11, #0xffc]"});
  // Far words: the routine's call, then the address as data.
  ASSERT_EQ(emit.fCODE, 4u);
  Lines far = code_of(OP_STVAR, 1024);
  ASSERT_EQ(far.size(), 2u);
  EXPECT_EQ(far[0], "bl " + hex(arm_entry(97)));
  EXPECT_EQ(Flash_codes[5], 0x40001040);

  EXPECT_EQ(code_of(OP_CONST, 200), Lines{"mov r7, #0xc8"});
  EXPECT_EQ(code_of(OP_CONST, 1020), Lines{"mov r7, #0x3fc"});
  EXPECT_EQ(code_of(OP_CONST, -1), Lines{"mvn r7, #0"});
  // Where the first fitting rotation is not the one an assembler would
  // choose, the disassembler names 8-bit value and rotation: 0x60 rotated
  // right by 6 is 0x80000001, 0x40 rotated right by 30 is 0x100.
  EXPECT_EQ(code_of(OP_CONST, static_cast<int32_t>(0x80000001)), Lines{"mov r7, #96, #6"});
  EXPECT_EQ(code_of(OP_OPND_CONST, -257), Lines{"mvn r6, #64, #30"});
  EXPECT_EQ(code_of(OP_OPND_CONST, 0x00FFFFFF), Lines{"mvn r6, #0xff000000"});
  uint32_t at = emit.fCODE;
  Lines loaded = code_of(OP_CONST, 0x12345678);
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded[0], "bl " + hex(arm_entry(91)));
  EXPECT_EQ(Flash_codes[at + 1], 0x12345678);
  Lines operand = code_of(OP_OPND_ADDR, 8);
  ASSERT_EQ(operand.size(), 2u);
  EXPECT_EQ(operand[0], "bl " + hex(arm_entry(93)));
}

TEST_F(ArmDisassembly, EveryRotatedImmediateLoadsItsValue) {
  // 0x81 at each of the sixteen rotations: the disassembler shows the
  // value the MOV loads.
  for (uint32_t r = 0; r < 32; r += 2) {
    uint32_t value = r ? (0x81u << r) | (0x81u >> (32 - r)) : 0x81u;
    SCOPED_TRACE(value);
    EXPECT_EQ(code_of(OP_CONST, static_cast<int32_t>(value)), Lines{"mov r7, " + hex(value)});
  }
}

TEST_F(ArmDisassembly, PinOperations) {
  Lines read = code_of(OP_P1);
  EXPECT_EQ(read, (Lines{"mov r0, #1", "lsl r0, r0, r7", "bl " + hex(arm_entry(91)), read[3], "ldr r7, [r7]",
                         "ands r7, r7, r0", "mvnne r7, #0"}));
  EXPECT_EQ(Flash_codes[3], 0x3FFFC034);
  Lines write = code_of(OP_P1_WR);
  EXPECT_EQ(write, (Lines{"cmp r7, #0", "bl " + hex(arm_entry(91)), write[2], "addeq r7, r7, #4", "mov r6, #1",
                          "lsl r6, r6, r8", "str r6, [r7]"}));
  EXPECT_EQ(Flash_codes[9], 0x3FFFC038);
}

}  // namespace
