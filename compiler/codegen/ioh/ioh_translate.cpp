#include <cstddef>

#include "codegen/emit.h"
#include "codegen/ioh/ioh.h"
#include "codegen/links.h"
#include "codegen/literal_pool.h"
#include "codegen/operations.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"

IoHandlerState ioh;

uint32_t ioh_code_address(int32_t i) {
  return static_cast<uint32_t>(ioh.IOHBcode) + code_unit_address(static_cast<uint32_t>(i));
}

uint32_t ioh_jump_to(int32_t i) {
  constexpr uint32_t JUMP_SHIFT = 9, JUMP_BITS = 0x215;
  return (ioh_code_address(i) << JUMP_SHIFT) + JUMP_BITS;
}

void reset_io_handler() { ioh = IoHandlerState{}; }

namespace {

constexpr const char *UNKNOWN_OP = "warning unknown ezh op";
constexpr const char *TOO_MANY_LOCALS = "Only 5 parameters or local variables allowed in IOHB for now";
constexpr const char *NESTED_TIGHT_LOOP = "Nested tight loops (FOR x) not allowed";
// Registers 0 to 4 hold a routine's parameters and locals.
constexpr int64_t LAST_LOCAL_REGISTER = 4;

// Operations the coprocessor cannot carry out.
struct Refusal {
  uint16_t op;
  const char *message;
};

constexpr const char *NO_MULDIV = "MUL,DIV, MOD not supported -- see Orrin";
constexpr const char *NO_STRINGS = "STRING functions not supported on IOHB";
constexpr const char *NO_SELECT = "SELECT,CASE not allowed in IOHB";
constexpr const char *NO_PRINTF = "PRINTF not supported on IOHB";

constexpr Refusal refusals[] = {
    {OP_MUL, NO_MULDIV},
    {OP_DIV, NO_MULDIV},
    {OP_MOD, NO_MULDIV},
    {OP_IDX2ACC, "IO not yet implemented -- see Orrin"},
    {OP_OPND2IDX, "PARAM Arrays not allowed in IOHB"},
    {OP_ADDSTR, NO_STRINGS},
    {OP_ADDSBYTE, NO_STRINGS},
    {OP_LEFT, NO_STRINGS},
    {OP_RIGHT, NO_STRINGS},
    {OP_STRCOMP, NO_STRINGS},
    {OP_LEN, NO_STRINGS},
    {OP_SAVESTR, NO_STRINGS},
    {OP_HEX, NO_STRINGS},
    {OP_STR, NO_STRINGS},
    {OP_VAL, NO_STRINGS},
    {OP_NEXT2OPND, NO_SELECT},
    {OP_PUSHNEXT, NO_SELECT},
    {OP_POPNEXT, NO_SELECT},
    {OP_ACC2NEXT, "Builtin function not allowed in IOHB"},
    {OP_SWAP, "FOR with STEP not allowed in IOHB"},
    {OP_GOSUB, "GOSUB to label not allowed in IOHB"},
    {OP_PRINTF, NO_PRINTF},
    {OP_SPRINTF, NO_PRINTF},
    // There is no not-equal encoding: the units of = would give the
    // opposite truth value.
    {OP_NE, "<> not supported in IOHB"},
};

// Operations whose code is the same wherever it stands.
struct FixedCode {
  uint16_t op;
  uint8_t count;
  uint16_t units[6];
};

constexpr FixedCode fixed_codes[] = {
    {OP_ACC2IDX, 2, {0xD400, 0x0001}},
    {OP_POPACC, 2, {0x1C01, 0xFF17}},
    {OP_ACC2OPND, 2, {0xD800, 0x0001}},
    {OP_ADD, 2, {0xDE06, 0x0061}},
    {OP_IADD, 2, {0xDE06, 0x0061}},
    {OP_SUB, 2, {0xDE08, 0x0061}},
    {OP_ISUB, 2, {0xDE08, 0x0061}},
    {OP_IRSUB, 2, {0x9E08, 0x0071}},
    {OP_SHR, 2, {0x1C19, 0x0678}},
    {OP_TSHL, 2, {0x1C19, 0x0670}},
    // Comparisons: a subtraction, then the truth value from its flags.
    {OP_EQ, 6, {0xDE08, 0x0061, 0x1C20, 0x7FF4, 0x1C40, 0x0004}},
    {OP_LT, 6, {0x9E08, 0x0071, 0x1C00, 0x0004, 0x1CA0, 0x7FF4}},
    {OP_GT, 6, {0xDE08, 0x0061, 0x1C00, 0x0004, 0x1CA0, 0x7FF4}},
    {OP_LE, 6, {0xDE08, 0x0061, 0x1C00, 0x0004, 0x1CC0, 0x7FF4}},
    {OP_GE, 6, {0x9E08, 0x0071, 0x1C00, 0x0004, 0x1CC0, 0x7FF4}},
    {OP_AND, 2, {0xDE0D, 0x0061}},
    {OP_OR, 2, {0xDE0C, 0x0061}},
    {OP_XOR, 2, {0xDE0E, 0x0061}},
    {OP_RD_BYTE, 2, {0xDC01, 0x0001}},
    {OP_PEEK, 2, {0xDC01, 0x0005}},
    {OP_POKE, 2, {0x4002, 0x0075}},
    {OP_NEG, 2, {0xDC08, 0x001D}},
    {OP_WR_BYTE, 2, {0x4002, 0x0071}},
    {OP_PUSHACC, 2, {0x0402, 0x017F}},
    {OP_RETURN, 2, {0x3401, 0xFF17}},
    {OP_PRINTNUM, 2, {0x4405, 0x1870}},
};

// Operations that emit nothing in I/O-handler code. A label needs no
// prologue (calls enter routines, not labels); END closes the section
// without code of its own.
constexpr uint16_t silent_ops[] = {OP_LABEL, OP_NEWSTR, OP_PRINTTAB, OP_PRINTCR, OP_END};

// Where the value of a constant load comes from.
enum class Base : uint8_t {
  None,           // the operand itself
  Ram,            // a byte offset in variable space
  ConstantImage,  // an offset in the constant string area
};

struct LoadCode {
  uint16_t op;
  IohRegister reg;
  Base base;
};

constexpr LoadCode load_codes[] = {
    {OP_ADDR, IohRegister::Accum, Base::Ram},
    {OP_OPND_ADDR, IohRegister::Operand, Base::Ram},
    {OP_STRADDR, IohRegister::Accum, Base::ConstantImage},
    {OP_OPND_STRADDR, IohRegister::Operand, Base::ConstantImage},
    {OP_OPND_CONST, IohRegister::Operand, Base::None},
    {OP_CONST, IohRegister::Accum, Base::None},
};

// Array element access: the address of word n into the operand register,
// then the access itself.
struct ArrayCode {
  uint16_t op;
  uint16_t units[4];
};

constexpr ArrayCode array_codes[] = {
    {OP_LDARR, {0x9C10, 0x8271, 0xDC01, 0x0005}},
    {OP_STARR, {0x9810, 0x8251, 0x8002, 0x0075}},
};

// Variables by word index: a global through its address, a routine's
// local in its register.
struct VariableCode {
  uint16_t op;
  IohRegister address_reg;  // register that receives a global's address
  uint16_t global_units[2];
  bool store;
  uint16_t local_read;    // first unit of a local read, shift bits added
  uint16_t calling_read;  // first unit of a local read while a call's arguments are built
};

constexpr VariableCode variable_codes[] = {
    {OP_OPND_LDVAR, IohRegister::Operand, {0x9801, 0x0005}, false, 0x1800, 0x1801},
    {OP_LDVAR, IohRegister::Accum, {0xDC01, 0x0005}, false, 0x1C00, 0x1C01},
    {OP_STVAR, IohRegister::Operand, {0x8002, 0x0075}, true, 0, 0},
};

// Jumps to a place not yet known: an optional test, then a placeholder
// holding the link word.
struct JumpCode {
  uint16_t op;
  uint8_t count;
  uint16_t units[4];
  uint32_t link_bits;
};

constexpr JumpCode jump_codes[] = {
    {OP_JZ, 4, {0xDE0C, 0x0071, 0x7446, 0x0007}, LINK_LABEL | LINK_GOTO | LINK_IOH},
    {OP_JMP, 0, {}, LINK_LABEL | LINK_GOTO | LINK_IOH},
    {OP_GOTO, 0, {}, LINK_GOTO | LINK_IOH},
};

// A call's argument n into register n, and a local's store.
constexpr uint32_t REGISTER_WRITE = 0xC000, REGISTER_WRITE_TAIL = 0x0001;
// Saving and restoring register n around a call.
constexpr uint16_t SAVE_UNIT = 0x0402;
constexpr uint32_t SAVE_TAIL = 0x010F;
constexpr uint32_t RESTORE_UNIT = 0x0001;
constexpr uint16_t RESTORE_TAIL = 0xFF17;
// A call to a known code address.
constexpr uint32_t CALL_BITS = 3;

template <typename Row, std::size_t N>
const Row *find_row(const Row (&rows)[N], uint16_t op) {
  for (const Row &r : rows)
    if (r.op == op) return &r;
  return nullptr;
}

bool is_silent(uint16_t op) {
  for (uint16_t s : silent_ops)
    if (s == op) return true;
  return false;
}

uint32_t load_value(Base base, int32_t n) {
  switch (base) {
    case Base::Ram: return variable_base() + static_cast<uint32_t>(n);
    case Base::ConstantImage: return firmware.string_base + static_cast<uint32_t>(n);
    case Base::None: break;
  }
  return static_cast<uint32_t>(n);
}

// Register k of a routine; above the last register it is reported, and
// the instruction is still emitted so that the code keeps its shape.
void check_local_register(int64_t k) {
  if (k > LAST_LOCAL_REGISTER) print_error_ln(TOO_MANY_LOCALS);
}

void register_write(int64_t k) {
  emit_ioh_instruction(static_cast<uint32_t>(k) * 1024u + REGISTER_WRITE, REGISTER_WRITE_TAIL);
}

void access_variable(const VariableCode &v, int32_t i, const IohForm &form) {
  if (i < ioh.ezhVarStart) {
    form.load(v.address_reg, static_cast<int32_t>(variable_base() + 4u * static_cast<uint32_t>(i)));
    emit_ioh_units(v.global_units, 2);
    return;
  }
  int64_t k = static_cast<int64_t>(i) - ioh.ezhVarStart;
  check_local_register(k);
  uint32_t r = static_cast<uint32_t>(k);
  if (v.store) {
    register_write(k);
  } else if (ioh.ezh_calling == 0) {
    emit_ioh_instruction((r & 3u) * 16384u + v.local_read, (r & 12u) / 4u);
  } else {
    // While a call's arguments are built the locals are saved; the read
    // takes the saved copy.
    emit_ioh_instruction(v.calling_read, (4095u - r) * 16u + 7u);
  }
}

// A placeholder for a jump whose target is resolved later.
int32_t emit_jump(const JumpCode &j, int32_t n) {
  emit_ioh_units(j.units, j.count);
  int32_t link = static_cast<int32_t>(static_cast<uint32_t>(n) | j.link_bits);
  add_missing_link(emit.fCODE);
  emit_value32(link);
  return link;
}

}  // namespace

void emit_ioh_instruction(uint32_t first, uint32_t second) {
  emit_value32(static_cast<int32_t>(first + (second << 16)));
}

void emit_ioh_units(const uint16_t *units, int count) {
  for (int k = 0; k + 1 < count; k += 2) emit_ioh_instruction(units[k], units[k + 1]);
}

void translate_ioh_op(uint16_t op, int32_t operand, const IohForm &form) {
  int32_t adjusted = operand;
  uint32_t n = static_cast<uint32_t>(operand);

  if (const Refusal *r = find_row(refusals, op)) {
    print_error_ln(r->message);
  } else if (const FixedCode *f = find_row(fixed_codes, op)) {
    emit_ioh_units(f->units, f->count);
  } else if (const LoadCode *l = find_row(load_codes, op)) {
    form.load(l->reg, static_cast<int32_t>(load_value(l->base, operand)));
  } else if (const ArrayCode *a = find_row(array_codes, op)) {
    form.load(IohRegister::Operand, static_cast<int32_t>(variable_base() + 4u * n));
    emit_ioh_units(a->units, 4);
  } else if (const VariableCode *v = find_row(variable_codes, op)) {
    access_variable(*v, operand, form);
  } else if (const JumpCode *j = find_row(jump_codes, op)) {
    adjusted = emit_jump(*j, operand);
  } else if (is_silent(op)) {
    // The pool waits for the end of the program.
    if (op == OP_END && form.has_pool && pool.nextConst > 0) compileConstants();
  } else {
    switch (op) {
      case OP_EZHPARAM:
        check_local_register(operand);
        register_write(operand);
        break;
      case OP_EZHSAVE: emit_ioh_instruction(SAVE_UNIT, n * 16u + SAVE_TAIL); break;
      case OP_EZHRESTORE: emit_ioh_instruction(n * 1024u + RESTORE_UNIT, RESTORE_TAIL); break;
      case OP_EZHRDPER: form.read_peripheral(operand); break;
      case OP_EZHWRPER: form.write_peripheral(operand); break;
      case OP_CALLSUB: emit_value32(static_cast<int32_t>(ioh_code_address(operand) | CALL_BITS)); break;
      case OP_JMPBACK: emit_value32(static_cast<int32_t>(ioh_jump_to(operand))); break;
      case OP_SUB_ENTRY:
        // Instructions are 32 bits: a routine starts on an even unit.
        if (emit.fCODE & 1) emit_unit(0);
        emit_ioh_units(form.entry_units, form.entry_count);
        break;
      case OP_ENDSUB:
        if (form.has_pool) compileConstants();
        break;
      case OP_FOR:
        if (ioh.inside_tightLoop == 0)
          ioh.inside_tightLoop = 1;
        else
          print_error_ln(NESTED_TIGHT_LOOP);
        break;
      case OP_NEXT: ioh.inside_tightLoop = 0; break;
      case OP_ASM: emit_value32(operand); break;
      default: print_error_ln(UNKNOWN_OP); break;
    }
  }

  emit.last_op = op;
  emit.last_addr = adjusted;
}
