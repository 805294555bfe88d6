#include <cstdint>

#include "codegen/emit.h"
#include "codegen/literal_pool.h"
#include "codegen/operations.h"
#include "codegen/thumb/thumb.h"
#include "codegen/thumb/thumb_encoding.h"
#include "codegen/typed_codes.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

namespace {

// Operations whose code is a fixed run of halfwords.
struct FixedCode {
  uint16_t op;
  uint8_t count;
  uint16_t units[6];
};

constexpr FixedCode fixed_codes[] = {
    {OP_NOP, 1, {0x1C36}},                                                  // ADDS r6,r6,#0
    {OP_ACC2IDX, 1, {0x1C3C}},                                              // ADDS r4,r7,#0
    {OP_LDARR, 2, {0x00BF, 0x597F}},                                        // LSLS r7,r7,#2; LDR r7,[r7,r5]
    {OP_STARR, 2, {0x00A4, 0x512F}},                                        // LSLS r4,r4,#2; STR r7,[r5,r4]
    {OP_SHL, 1, {0x40B7}},                                                  // LSLS r7,r6
    {OP_IDX2ACC, 1, {0x1C27}},                                              // ADDS r7,r4,#0
    {OP_POPACC, 1, {0xBC80}},                                               // POP {r7}
    {OP_ACC2OPND, 1, {0x1C3E}},                                             // ADDS r6,r7,#0
    {OP_OPND2IDX, 1, {0x1C34}},                                             // ADDS r4,r6,#0
    {OP_IADD, 1, {0x19BF}},                                                 // ADDS r7,r7,r6
    {OP_ISUB, 1, {0x1BBF}},                                                 // SUBS r7,r7,r6
    {OP_IRSUB, 1, {0x1BF7}},                                                // SUBS r7,r6,r7
    // A label's own code skips the prologue at which a GOSUB enters.
    {OP_LABEL, 2, {0xE000, 0xB500}},                                        // B +0; PUSH {lr}
    {OP_AND, 1, {0x4037}},                                                  // ANDS r7,r6
    // Calls the address in r7 in Thumb state with the return address set by
    // hand: MOVS r6,#1; ORRS r7,r6; MOV r6,pc; ADDS r6,#5; MOV lr,r6; BX r7
    {OP_CALLACC, 6, {0x2601, 0x4337, 0x467E, 0x3605, 0x46B6, 0x4738}},
    // POP {r0-r7}; MOV r8..r11,r0..r3; POP {pc}
    {OP_INTEXIT, 6, {0xBCFF, 0x4680, 0x4689, 0x4692, 0x469B, 0xBD00}},
    {OP_OR, 1, {0x4337}},                                                   // ORRS r7,r6
    {OP_XOR, 1, {0x4077}},                                                  // EORS r7,r6
    {OP_RD_SHALF, 2, {0x2000, 0x5E3F}},                                     // MOVS r0,#0; LDRSH r7,[r7,r0]
    {OP_RD_HALF, 1, {0x883F}},                                              // LDRH r7,[r7]
    {OP_WR_HALF, 1, {0x8027}},                                              // STRH r7,[r4]
    {OP_RD_BYTE, 1, {0x783F}},                                              // LDRB r7,[r7]
    {OP_PEEK, 1, {0x683F}},                                                 // LDR r7,[r7]
    {OP_POKE, 1, {0x6027}},                                                 // STR r7,[r4]
    {OP_NEXT2OPND, 1, {0x464E}},                                            // MOV r6,r9
    {OP_WR_BYTE, 1, {0x7027}},                                              // STRB r7,[r4]
    {OP_END, 2, {0xBC10, 0xBD00}},                                          // POP {r4}; POP {pc}
    {OP_ACC2NEXT, 1, {0x46B9}},                                             // MOV r9,r7
    {OP_PUSHACC, 1, {0xB480}},                                              // PUSH {r7}
    {OP_SWAP, 3, {0x46B1, 0x1C3E, 0x464F}},                                 // MOV r9,r6; ADDS r6,r7,#0; MOV r7,r9
    {OP_PUSHNEXT, 3, {0x4648, 0xB401, 0x46B9}},                             // MOV r0,r9; PUSH {r0}; MOV r9,r7
    {OP_POPNEXT, 2, {0xBC01, 0x4681}},                                      // POP {r0}; MOV r9,r0
    {OP_POPOPND, 1, {0xBC40}},                                              // POP {r6}
    {OP_JZBACK, 2, {0x2F00, 0xD101}},                                       // CMP r7,#0; BNE over the BL pair
    {OP_RETURN, 1, {0xBD00}},                                               // POP {pc}
    {OP_SUB_ENTRY, 1, {0xB500}},                                              // PUSH {lr}
    {OP_ACC2STRSCR, 1, {0x46BB}},                                           // MOV r11,r7
    {OP_PUSHIDX, 1, {0xB410}},                                              // PUSH {r4}
    {OP_POPIDX, 1, {0xBC10}},                                               // POP {r4}
    {OP_SLEEP, 1, {0xBF30}},                                                // WFI
};

// Integer forms of the typed operations that Thumb does inline.
constexpr TypedCode<uint16_t> integer_codes[] = {
    {OP_MUL, 0x4377},   // MULS r7,r6
    {OP_ADD, 0x19BF},   // ADDS r7,r7,r6
    {OP_SUB, 0x1BBF},   // SUBS r7,r7,r6
    {OP_SHR, 0x4137},   // ASRS r7,r6
    {OP_TSHL, 0x40B7},  // LSLS r7,r6
    {OP_NEG, 0x427F},   // NEGS r7,r7
    {OP_NOT, 0x43FF},   // MVNS r7,r7
};

// SINGLE ABS clears the sign bit: LSLS r7,r7,#1; LSRS r7,r7,#1
constexpr uint16_t SINGLE_ABS[] = {0x007F, 0x087F};

// Interrupt entry: save every register, then load the variable base from the
// literal that follows (PUSH {lr}; MOV r0..r3,r8..r11; PUSH {r0-r7};
// LDR r5,[pc,#0]; B over the literal).
constexpr uint16_t THUMB_NOP = 0xBF00;
constexpr uint16_t INTENTRY_CODE[] = {0xB500, 0x4640, 0x4649, 0x4652, 0x465B, 0xB4FF, 0x4D00, 0xE001};

// Variable access by word index: one LDR/STR with an immediate offset, a
// register offset built with MOVS/LSLS, or an address from an inline literal.
struct VariableCode {
  uint16_t op;
  uint16_t near_form;      // [r5,#4i] for i <= 31, i in bits 6..10
  uint16_t indexed_form;   // [r5,r0]
  uint16_t literal_form;   // [r1]
};

constexpr VariableCode variable_codes[] = {
    {OP_LDVAR, 0x682F, 0x582F, 0x680F},
    {OP_OPND_LDVAR, 0x682E, 0x582E, 0x680E},
    {OP_STVAR, 0x602F, 0x502F, 0x600F},
};
constexpr uint16_t MOVS_R0_IMM = 0x2000, LSLS_R0_2 = 0x0080;

// Loading a value into the accumulator (r7) or the operand (r6).
struct RegisterLoad {
  uint16_t movs;  // MOVS rd,#imm8
  uint16_t mvns;  // MVNS rd,rd
  uint16_t ldr;   // LDR rd,[pc,#..]
};
constexpr RegisterLoad load_r7 = {0x2700, 0x43FF, 0x4F00};
constexpr RegisterLoad load_r6 = {0x2600, 0x43F6, 0x4E00};

constexpr uint16_t CMP_R7_0 = 0x2F00, BNE_OVER_PAIR = 0xD101;
constexpr uint16_t B_BASE = 0xE000;

// Every operation's entry in fixed_codes (its index + 1, 0 for none), so
// that emitting does not search the table.
constexpr uint16_t largest_fixed_op() {
  uint16_t largest = 0;
  for (const FixedCode &f : fixed_codes)
    if (f.op > largest) largest = f.op;
  return largest;
}
struct FixedIndex {
  uint8_t entry[largest_fixed_op() + 1];
};
constexpr FixedIndex make_fixed_index() {
  FixedIndex index{};
  for (unsigned k = sizeof fixed_codes / sizeof fixed_codes[0]; k-- > 0;)
    index.entry[fixed_codes[k].op] = static_cast<uint8_t>(k + 1);
  return index;
}
constexpr FixedIndex fixed_index = make_fixed_index();
static_assert(sizeof fixed_codes / sizeof fixed_codes[0] < 256, "entries fit in a byte");

const FixedCode *find_fixed(uint16_t op) {
  if (op >= sizeof fixed_index.entry || fixed_index.entry[op] == 0) return nullptr;
  return &fixed_codes[fixed_index.entry[op] - 1];
}

int32_t code_address(int64_t unit) { return static_cast<int32_t>(code_unit_address(static_cast<uint32_t>(unit))); }

// Target address of the constant string at offset k of the string area.
uint32_t string_address(int32_t k) { return firmware.thumb_string_base + static_cast<uint32_t>(k); }

// Branch over the pool placed right behind it.
void flush_pool_now() {
  uint32_t v = emit.fCODE;
  emit_unit(0);
  compileConstants();
  put_unit(v, B_BASE + static_cast<int32_t>(emit.fCODE - v - 2));
}

void pool_load(uint16_t instruction, int32_t value) {
  if (pool.nextConst >= POOL_SIZE) flush_pool_now();
  add_pool_constant(value);
  emit_unit(instruction);
}

// The one place Thumb code builds a 32-bit value without the pool: the
// literal sits between a PC-relative load into r1 and a branch over it.
void inline_literal_r1(uint32_t value) {
  emit_unit(0x4900 + static_cast<int32_t>(emit.fCODE & 1));  // LDR r1,[pc,#0] or [pc,#4]
  emit_unit((emit.fCODE & 1) ? 0xE001 : 0xE002);
  if (emit.fCODE & 1) emit_data_unit(0);
  emit_data_value32(static_cast<int32_t>(value));
}

void load_constant(const RegisterLoad &r, int32_t v) {
  if (v >= 0 && v <= 255) {
    emit_unit(r.movs + v);
  } else if (v >= -256 && v <= -1) {
    emit_unit(r.movs + ~v);
    emit_unit(r.mvns);
  } else {
    pool_load(r.ldr, v);
  }
}

void access_variable(const VariableCode &c, int32_t i) {
  if (i >= 0 && i <= 31) {
    emit_unit(c.near_form + i * 64);
  } else if (i >= 32 && i <= 127) {
    emit_unit(MOVS_R0_IMM + i);
    emit_unit(LSLS_R0_2);
    emit_unit(c.indexed_form);
  } else {
    inline_literal_r1(variable_base() + 4u * static_cast<uint32_t>(i));
    emit_unit(c.literal_form);
  }
}

// MAIN redirects the start-up jump that init_compiler emitted.
void redirect_startup() {
  uint32_t p = firmware.startup == StartupForm::OneThumbCall ? 0 : 2;
  ThumbPair pair = thumb_bl_to_address(p, code_address(emit.fCODE));
  put_unit(p, pair.first);
  put_unit(p + 1, pair.second);
}

}  // namespace

ThumbPair thumb_bl_to_address(uint32_t p, int64_t target) {
  int64_t d = target - (static_cast<int64_t>(firmware.codeStart) + 2 * static_cast<int64_t>(p));
  return thumb_bl(static_cast<int32_t>((d >> 1) - 2));
}

ThumbPair thumb_bl_to_unit(uint32_t p, int64_t x) {
  return thumb_bl_to_address(p, static_cast<int64_t>(firmware.codeStart) + 2 * x);
}

void emit_thumb_pair(ThumbPair pair) {
  emit_unit(pair.first);
  emit_unit(pair.second);
}

void TH_flush_pool_if_due() {
  if (pool.nextConst > 0 && static_cast<int64_t>(emit.fCODE) - patchaddr[0] > 480) flush_pool_now();
}

void add_TH_op(uint16_t op, int32_t operand) {
  int32_t adjusted = operand;
  TH_flush_pool_if_due();

  bool typed = emit_typed_inline(
      op, integer_codes, SINGLE_ABS, +[](uint16_t u) { emit_unit(u); });
  if (!typed) {
    if (const FixedCode *f = find_fixed(op)) {
      for (int k = 0; k < f->count; k++) emit_unit(f->units[k]);
    }
  }

  switch (op) {
    case OP_INTENTRY:
      // The literal must be word-aligned for the LDR.
      if (emit.fCODE & 1) emit_unit(THUMB_NOP);
      for (uint16_t u : INTENTRY_CODE) emit_unit(u);
      emit_data_value32(static_cast<int32_t>(variable_base()));
      break;
    case OP_END:
    case OP_ENDSUB:
      compileConstants();
      break;
    case OP_JZBACK:
    case OP_CALLSUB:
    case OP_JMPBACK:
    case OP_CALLBACK:
      emit_thumb_pair(thumb_bl_to_unit(emit.fCODE, operand));
      adjusted = code_address(operand);
      break;
    case OP_MAIN:
      redirect_startup();
      break;
    case OP_ASM:
      if ((static_cast<uint32_t>(operand) >> 16) == 0)
        emit_unit(operand);
      else
        emit_value32(operand);
      break;
    case OP_LDVAR:
    case OP_OPND_LDVAR:
    case OP_STVAR:
      for (const VariableCode &c : variable_codes)
        if (c.op == op) access_variable(c, operand);
      break;
    case OP_CONST:
      load_constant(load_r7, operand);
      break;
    case OP_OPND_CONST:
      load_constant(load_r6, operand);
      break;
    case OP_ADDR:
      pool_load(load_r7.ldr, static_cast<int32_t>(variable_base() + static_cast<uint32_t>(operand)));
      break;
    case OP_OPND_ADDR:
      pool_load(load_r6.ldr, static_cast<int32_t>(variable_base() + static_cast<uint32_t>(operand)));
      break;
    case OP_STRADDR:
      pool_load(load_r7.ldr, static_cast<int32_t>(string_address(operand)));
      break;
    case OP_OPND_STRADDR:
      pool_load(load_r6.ldr, static_cast<int32_t>(string_address(operand)));
      break;
    case OP_JZ:
    case OP_JMP:
    case OP_GOTO:
    case OP_GOSUB: {
      uint32_t link = static_cast<uint32_t>(operand);
      if (op == OP_JZ) {
        emit_unit(CMP_R7_0);
        emit_unit(BNE_OVER_PAIR);
      }
      if (op == OP_JZ || op == OP_JMP) link |= LINK_LABEL | LINK_GOTO;
      if (op == OP_GOTO) link |= LINK_GOTO;
      add_missing_link(emit.fCODE);
      emit_value32(static_cast<int32_t>(link));
      adjusted = static_cast<int32_t>(link);
      break;
    }
    default:
      if (op >= OP_P0 && op <= OP_P5_WR) pX_TH_op(op);
      break;
  }

  // Firmware routine, called by BL. These four never call, whatever the
  // operation table says. A routine the firmware lacks has been reported;
  // its call is emitted all the same, to address 0.
  if (op != OP_LABEL && op != OP_PEEK && op != OP_END && op != OP_RETURN) {
    int32_t entry = op_call_entry(op);
    if (entry != 0) emit_thumb_pair(thumb_bl_to_address(emit.fCODE, GET_ADDR(entry)));
  }

  checkCodeSpace();
  emit.last_op = op;
  emit.last_addr = adjusted;
}
