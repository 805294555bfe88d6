#include <cstdint>

#include "codegen/arm/arm.h"
#include "codegen/arm/arm_encoding.h"
#include "codegen/emit.h"
#include "codegen/links.h"
#include "codegen/operations.h"
#include "codegen/typed_codes.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"

namespace {

// Operations whose code is a fixed run of words on every firmware.
struct FixedCode {
  uint16_t op;
  uint8_t count;
  uint32_t words[6];
};

constexpr FixedCode fixed_codes[] = {
    {OP_NOP, 1, {0xE1A00000}},                          // MOV r0,r0
    {OP_ACC2IDX, 1, {0xE1A08007}},                      // MOV r8,r7
    {OP_LDARR, 1, {0xE79B7107}},                        // LDR r7,[r11,r7,LSL #2]
    {OP_STARR, 1, {0xE78B7108}},                        // STR r7,[r11,r8,LSL #2]
    {OP_SHL, 1, {0xE1A07617}},                          // LSL r7,r7,r6
    {OP_IDX2ACC, 1, {0xE1A07008}},                      // MOV r7,r8
    {OP_POPACC, 1, {0xE8BD0080}},                       // LDM sp!,{r7}
    {OP_ACC2OPND, 1, {0xE2976000}},                     // ADDS r6,r7,#0
    {OP_OPND2IDX, 1, {0xE1A08006}},                     // MOV r8,r6
    {OP_IADD, 1, {0xE0877006}},                         // ADD r7,r7,r6
    {OP_ISUB, 1, {0xE0477006}},                         // SUB r7,r7,r6
    {OP_IRSUB, 1, {0xE0467007}},                        // SUB r7,r6,r7
    {OP_AND, 1, {0xE0077006}},                          // AND r7,r7,r6
    {OP_CALLACC, 2, {0xE1A0E00F, 0xE12FFF17}},          // MOV lr,pc; BX r7
    // LDM sp!,{r11}; SUB sp,r11,#0x34; LDM sp!,{r0-r12,pc}^ -- undoes the
    // interrupt entry and returns with the saved status.
    {OP_INTEXIT, 3, {0xE8BD0800, 0xE24BD034, 0xE8FD9FFF}},
    {OP_OR, 1, {0xE1877006}},                           // ORR r7,r7,r6
    {OP_XOR, 1, {0xE0277006}},                          // EOR r7,r7,r6
    {OP_RD_SHALF, 1, {0xE1D770F0}},                     // LDRSH r7,[r7]
    {OP_RD_HALF, 1, {0xE1D770B0}},                      // LDRH r7,[r7]
    {OP_WR_HALF, 1, {0xE1C870B0}},                      // STRH r7,[r8]
    // The timer counter is read straight from the peripheral:
    // MOV r7,#0xE0000008; ADD r7,r7,#0x4000; LDR r7,[r7]
    {OP_TIMER, 3, {0xE3A0728E, 0xE2877901, 0xE5977000}},
    {OP_RD_BYTE, 1, {0xE5D77000}},                      // LDRB r7,[r7]
    {OP_PEEK, 1, {0xE5977000}},                         // LDR r7,[r7]
    {OP_POKE, 1, {0xE5887000}},                         // STR r7,[r8]
    {OP_NEXT2OPND, 1, {0xE1A06009}},                    // MOV r6,r9
    {OP_WR_BYTE, 1, {0xE5C87000}},                      // STRB r7,[r8]
    {OP_ACC2NEXT, 1, {0xE1A09007}},                     // MOV r9,r7
    {OP_PUSHACC, 1, {0xE92D0080}},                      // STMDB sp!,{r7}
    {OP_SWAP, 3, {0xE1A09006, 0xE2976000, 0xE1A07009}}, // MOV r9,r6; ADDS r6,r7,#0; MOV r7,r9
    {OP_PUSHNEXT, 2, {0xE92D0200, 0xE1A09007}},         // STMDB sp!,{r9}; MOV r9,r7
    {OP_POPNEXT, 1, {0xE8BD0200}},                      // LDM sp!,{r9}
    {OP_POPOPND, 1, {0xE8BD0040}},                      // LDM sp!,{r6}
    {OP_ACC2STRSCR, 1, {0xE1A05007}},                   // MOV r5,r7
    {OP_PUSHIDX, 1, {0xE92D0100}},                      // STMDB sp!,{r8}
    {OP_POPIDX, 1, {0xE8BD0100}},                       // LDM sp!,{r8}
    // Kept as the firmware expects it; an ARM7 core has no wait for
    // interrupt and takes this as an MSR that writes no status field.
    {OP_SLEEP, 1, {0xE3200003}},
};

// Operations whose code differs on firmware up to 1823, where calls go
// through the firmware and routines have no prologue to save lr.
struct EraForm {
  uint8_t count;
  uint32_t words[2];
  int32_t entry;  // firmware routine called after the words, 0 for none
};

struct EraCode {
  uint16_t op;
  EraForm old_form, current_form;
};

constexpr EraCode era_codes[] = {
    // B over the next word, then the prologue a GOSUB enters at.
    {OP_LABEL, {2, {0xEA000000, 0xE1A00000}, 0}, {2, {0xEA000000, 0xE92D4000}, 0}},
    // LDM sp!,{r8}; LDM sp!,{pc}. Old firmware ends the program itself.
    {OP_END, {0, {}, 0}, {2, {0xE8BD0100, 0xE8BD8000}, 0}},
    {OP_RETURN, {0, {}, FW_RETURN}, {1, {0xE8BD8000}, 0}},  // LDM sp!,{pc}
    {OP_SUB_ENTRY, {1, {0xE1A00000}, 0}, {1, {0xE92D4000}, 0}},  // MOV r0,r0 or STMDB sp!,{lr}
};

// Integer forms of the typed operations done inline.
constexpr TypedCode<uint32_t> integer_codes[] = {
    {OP_ADD, 0xE0877006},   // ADD r7,r7,r6
    {OP_SUB, 0xE0477006},   // SUB r7,r7,r6
    {OP_MUL, 0xE0070796},   // MUL r7,r6,r7 (result and first register differ, as ARM7 needs)
    {OP_NEG, 0xE2677000},   // RSB r7,r7,#0
    {OP_NOT, 0xE1E07007},   // MVN r7,r7
    {OP_TSHL, 0xE1A07617},  // LSL r7,r7,r6
    {OP_SHR, 0xE1A07657},   // ASR r7,r7,r6
};

// SINGLE ABS clears the sign bit: LSL r7,r7,#1; LSR r7,r7,#1
constexpr uint32_t SINGLE_ABS[] = {0xE1A07087, 0xE1A070A7};

// Interrupt entry: SUB lr,lr,#4; STMDB sp!,{r0-r12,lr}; ADD r11,sp,#0x34;
// STMDB sp!,{r11}; LDR r11,[pc] (the word behind the branch); B over it.
// The variable base follows as a data word.
constexpr uint32_t INTENTRY_CODE[] = {0xE24EE004, 0xE92D5FFF, 0xE28DB034, 0xE92D0800, 0xE59FB000, 0xEA000000};

// Variable word i: LDR/STR with the offset 4i from r11 while it fits the
// 12-bit offset, else a firmware routine with the word's address.
struct VariableCode {
  uint16_t op;
  uint32_t near_form;  // [r11,#4i]
  int32_t far_entry;
};

constexpr VariableCode variable_codes[] = {
    {OP_LDVAR, 0xE59B7000, FW_LOAD_VAR_R7},        // LDR r7,[r11,#4i]
    {OP_OPND_LDVAR, 0xE59B6000, FW_LOAD_VAR_R6},   // LDR r6,[r11,#4i]
    {OP_STVAR, 0xE58B7000, FW_STORE_VAR_R7},       // STR r7,[r11,#4i]
};
constexpr int32_t NEAR_VARIABLE_LAST = 1023;

// Loading a value into r7 or r6: MOV or MVN with a rotated immediate, or
// the loader routine and the value as a data word.
struct RegisterLoad {
  uint16_t op;
  uint32_t mov, mvn;
  int32_t loader;
};

constexpr RegisterLoad register_loads[] = {
    {OP_CONST, 0xE3A07000, 0xE3E07000, FW_LOAD_R7},
    {OP_OPND_CONST, 0xE3A06000, 0xE3E06000, FW_LOAD_R6},
};

// Addresses always go through the loader: they rarely fit an immediate.
enum class AddressKind : uint8_t { Variable, String };
struct AddressLoad {
  uint16_t op;
  AddressKind kind;
  int32_t loader;
};

constexpr AddressLoad address_loads[] = {
    {OP_ADDR, AddressKind::Variable, FW_LOAD_R7},
    {OP_OPND_ADDR, AddressKind::Variable, FW_LOAD_R6},
    {OP_STRADDR, AddressKind::String, FW_LOAD_R7},
    {OP_OPND_STRADDR, AddressKind::String, FW_LOAD_R6},
};

// Forward jumps: an optional compare, then the link word as placeholder.
struct ForwardJump {
  uint16_t op;
  uint32_t link_bits;
  bool compare;      // CMP r7,#0 first; bit 29 makes the branch a BEQ
  bool old_call;     // up to 1823 the call goes through firmware entry 89
};

constexpr ForwardJump forward_jumps[] = {
    {OP_JZ, LINK_LABEL | LINK_GOTO | ARM_LINK_BEQ, true, false},
    {OP_JMP, LINK_LABEL | LINK_GOTO, false, false},
    {OP_GOTO, LINK_GOTO, false, false},
    {OP_GOSUB, 0, false, true},
};

constexpr uint32_t CMP_R7_0 = 0xE3570000;

// Jumps and calls to a known code index.
struct KnownJump {
  uint16_t op;
  bool compare;     // CMP r7,#0 first
  uint32_t branch;  // B, BL or BEQ
  bool old_call;    // up to 1823: the firmware's call with the address word
};

constexpr KnownJump known_jumps[] = {
    {OP_JZBACK, true, ARM_BEQ, false},
    {OP_CALLSUB, false, ARM_BL, true},
    {OP_JMPBACK, false, ARM_B, false},
    {OP_CALLBACK, false, ARM_BL, true},
};

// Operations that never call their firmware routine here: they are inline
// or make their own call.
constexpr uint16_t no_firmware_call[] = {OP_PEEK, OP_TIMER, OP_RETURN, OP_CALLSUB, OP_CALLBACK};

template <typename T, unsigned N>
const T *find_code(const T (&table)[N], uint16_t op) {
  for (const T &entry : table)
    if (entry.op == op) return &entry;
  return nullptr;
}

bool old_firmware() { return firmware.kind == TargetKind::OldArm; }

void emit_word(uint32_t word) { emit_unit(static_cast<int32_t>(word)); }
void emit_data_word(uint32_t word) { emit_data_unit(static_cast<int32_t>(word)); }

int32_t code_address(int64_t unit) { return static_cast<int32_t>(code_unit_address(static_cast<uint32_t>(unit))); }

// BL at fCODE to firmware entry n.
void call_firmware(int32_t entry) { emit_word(arm_bl_to_address(firmware.codeStart, emit.fCODE, GET_ADDR(entry))); }

// Target address of the constant string at offset k of the string area.
uint32_t string_address(int32_t k) { return firmware.string_base + static_cast<uint32_t>(k); }

// A loader call and the value it reads.
void load_by_firmware(int32_t loader, uint32_t value) {
  call_firmware(loader);
  emit_data_word(value);
}

void load_constant(const RegisterLoad &r, uint32_t v) {
  int32_t c = ARMconstant(v);
  if (c >= 0) {
    emit_word(r.mov + static_cast<uint32_t>(c));
    return;
  }
  c = ARMconstant(~v);
  if (c >= 0) {
    emit_word(r.mvn + static_cast<uint32_t>(c));
    return;
  }
  load_by_firmware(r.loader, v);
}

void access_variable(const VariableCode &c, int32_t i) {
  if (i >= 0 && i <= NEAR_VARIABLE_LAST) {
    emit_word(c.near_form + 4u * static_cast<uint32_t>(i));
    return;
  }
  load_by_firmware(c.far_entry, variable_base() + 4u * static_cast<uint32_t>(i));
}

void emit_era_form(const EraForm &f) {
  for (int k = 0; k < f.count; k++) emit_word(f.words[k]);
  if (f.entry != 0) call_firmware(f.entry);
}

// Returns the link word as written.
uint32_t emit_forward_jump(const ForwardJump &j, int32_t operand) {
  uint32_t link = static_cast<uint32_t>(operand) | j.link_bits;
  if (j.compare) emit_word(CMP_R7_0);
  if (j.old_call && old_firmware()) call_firmware(FW_CALL_ADDRESS);
  add_missing_link(emit.fCODE);
  emit_word(link);
  return link;
}

void emit_known_jump(const KnownJump &j, int32_t x) {
  if (j.compare) emit_word(CMP_R7_0);
  if (j.old_call && old_firmware()) {
    call_firmware(FW_CALL_ADDRESS);
    emit_data_word(static_cast<uint32_t>(code_address(x)));
    return;
  }
  emit_word(arm_branch(j.branch, emit.fCODE, x));
}

bool calls_firmware(uint16_t op) {
  for (uint16_t o : no_firmware_call)
    if (o == op) return false;
  return true;
}

}  // namespace

void add_ARM_op(uint16_t op, int32_t operand) {
  int32_t adjusted = operand;

  if (!emit_typed_inline(op, integer_codes, SINGLE_ABS, emit_word)) {
    if (const FixedCode *f = find_code(fixed_codes, op)) {
      for (int k = 0; k < f->count; k++) emit_word(f->words[k]);
    } else if (const EraCode *e = find_code(era_codes, op)) {
      emit_era_form(old_firmware() ? e->old_form : e->current_form);
    } else if (const VariableCode *v = find_code(variable_codes, op)) {
      access_variable(*v, operand);
    } else if (const RegisterLoad *r = find_code(register_loads, op)) {
      load_constant(*r, static_cast<uint32_t>(operand));
    } else if (const AddressLoad *a = find_code(address_loads, op)) {
      uint32_t value = a->kind == AddressKind::Variable ? variable_base() + static_cast<uint32_t>(operand)
                                                        : string_address(operand);
      load_by_firmware(a->loader, value);
    } else if (const ForwardJump *j = find_code(forward_jumps, op)) {
      adjusted = static_cast<int32_t>(emit_forward_jump(*j, operand));
    } else if (const KnownJump *k = find_code(known_jumps, op)) {
      emit_known_jump(*k, operand);
      adjusted = code_address(operand);
    } else if (op == OP_INTENTRY) {
      for (uint32_t w : INTENTRY_CODE) emit_word(w);
      emit_data_word(variable_base());
    } else if (op == OP_MAIN) {
      // The start-up jump at word 0 now leads here.
      put_unit(0, static_cast<int32_t>(arm_branch(ARM_B, 0, emit.fCODE)));
    } else if (op == OP_ASM) {
      emit_unit(operand);
    } else if (op >= OP_P0 && op <= OP_P1_WR) {
      pX_ARM_op(op);
    }
  }

  // Firmware routine, called by BL. A routine the firmware lacks has been
  // reported; its call is emitted all the same, to address 0.
  if (calls_firmware(op)) {
    int32_t entry = op_call_entry(op);
    if (entry != 0) call_firmware(entry);
  }

  checkCodeSpace();
  emit.last_op = op;
  emit.last_addr = adjusted;
}
