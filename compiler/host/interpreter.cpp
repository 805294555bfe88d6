// The operation-stream interpreter. It runs the dense form of the stream
// (host/dense.h) by direct threading: every entry holds the address of its
// handler's code, and every handler ends by jumping to the next entry's.
#include "host/interpreter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "host/dense.h"
#include "host/host_memory.h"
#include "host/runtime.h"
#ifdef OMBRIK_OP_COUNTS
#include "host/op_counts.h"
#define COUNT_ENTRY() count_entry(static_cast<uint32_t>(e - code))
#else
#define COUNT_ENTRY() \
  do {                \
  } while (0)
#endif

int32_t stack[STACK_WORDS];
HostMachine vm;

void reset_host_machine() {
  vm = HostMachine{};
  memset(stack, 0, sizeof stack);
  memset(g_var_seg, 0, sizeof g_var_seg);
}

namespace {

inline int32_t wrap_add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrap_sub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace

void runINT() {
  const uint32_t end =
      emit.fCODE < static_cast<uint32_t>(INT_OPS_SIZE) ? emit.fCODE : static_cast<uint32_t>(INT_OPS_SIZE);
  const uint32_t count = dense_translate(end);

  static const void *const handler_code[] = {
      nullptr,
#define DENSE_LABEL(name, ...) &&L_##name,
      DENSE_OPERATION_HANDLERS(DENSE_LABEL) DENSE_ROUTINE_HANDLERS(DENSE_LABEL) DENSE_SUPERINSTRUCTIONS(DENSE_LABEL)
#undef DENSE_LABEL
  };
  static_assert(sizeof handler_code / sizeof handler_code[0] == H_COUNT);
  for (uint32_t i = 0; i < count; i++) dense_code[i].code = handler_code[dense_handler[i]];

  DenseEntry *const code = dense_code;
  const DenseEntry *e = code;
  // The registers live in locals while the stream runs, so the compiler can
  // keep them in machine registers; they go back to the globals around
  // every runtime routine, which works on the globals.
  int32_t acc = vm.reg_accum, opd = vm.reg_operand, idx = vm.reg_lindex, nxt = vm.reg_next, scr = vm.reg_strscratch;
  uint32_t sp = 0;
  uint32_t bad = 0;
  vm.run_stopped = 0;
#ifdef OMBRIK_FUZZ_INSTRUCTION_BUDGET
  // Fuzzing builds only: a program that loops for ever is no fault of the
  // compiler, so a run there ends after a fixed number of entries.
  uint64_t executed = 0;
#define SPEND()                                                          \
  do {                                                                   \
    if (++executed > OMBRIK_FUZZ_INSTRUCTION_BUDGET) goto budget_spent; \
  } while (0)
#else
#define SPEND() \
  do {          \
  } while (0)
#endif

#define NEXT(n)    \
  do {             \
    e += (n);      \
    COUNT_ENTRY(); \
    SPEND();       \
    goto *e->code; \
  } while (0)
#define GO(index)       \
  do {                  \
    e = code + (index); \
    COUNT_ENTRY();      \
    SPEND();            \
    goto *e->code;      \
  } while (0)
#define SAVE_REGISTERS()     \
  do {                       \
    vm.reg_accum = acc;      \
    vm.reg_operand = opd;    \
    vm.reg_lindex = idx;     \
    vm.reg_next = nxt;       \
    vm.reg_strscratch = scr; \
    vm.iCSP = e->pos;        \
  } while (0)
#define LOAD_REGISTERS()     \
  do {                       \
    acc = vm.reg_accum;      \
    opd = vm.reg_operand;    \
    idx = vm.reg_lindex;     \
    nxt = vm.reg_next;       \
    scr = vm.reg_strscratch; \
  } while (0)
#define CALL(routine)             \
  do {                            \
    SAVE_REGISTERS();             \
    routine();                    \
    LOAD_REGISTERS();             \
    if (vm.run_stopped) goto out; \
  } while (0)
#define PUSH(value)                                              \
  do {                                                           \
    if (sp >= static_cast<uint32_t>(STACK_WORDS)) {              \
      printf("STACK OVERFLOW @ %d\n", static_cast<int>(e->pos)); \
      goto out;                                                  \
    }                                                            \
    stack[sp++] = (value);                                       \
  } while (0)
#define POP(into)                                                 \
  do {                                                            \
    if (sp == 0) {                                                \
      printf("STACK UNDERFLOW @ %d\n", static_cast<int>(e->pos)); \
      goto out;                                                   \
    }                                                             \
    (into) = stack[--sp];                                         \
  } while (0)
// A word index computed at run time by the operation k places into the
// current entry's sequence: a bad one is reported at that operation.
#define CHECK_WORD(index, k)                             \
  do {                                                   \
    if (static_cast<uint32_t>(index) >= VAR_SEG_WORDS) { \
      e += (k);                                          \
      bad = static_cast<uint32_t>(index);                \
      goto bad_word;                                     \
    }                                                    \
  } while (0)
#define A(k) (e[k].operand)
#define VAR(k) load_var_word(static_cast<uint32_t>(A(k)))
#define SET_VAR(k, value) store_var_word(static_cast<uint32_t>(A(k)), (value))

  GO(0);

L_UNKNOWN:
  printf("UNKNOWN OP @ %d: %x\n", static_cast<int>(e->pos), static_cast<uint32_t>(INT_ops[e->pos]));
  goto out;
L_FELL_OFF:
  // Only END leaves the stream; running past its last operation is a jump
  // to nowhere.
  printf("BAD JUMP @ %d: %x\n", static_cast<int>(e->pos - 1), e->pos);
  goto out;
L_BAD_WORD:
  bad = static_cast<uint32_t>(A(0));
bad_word:
  vm.iCSP = e->pos;
  address_error(bad);
  goto out;
L_CALL_BAD:
  PUSH(static_cast<int32_t>(e->pos + 1));
  goto L_JMP_BAD;
L_JMP_BAD:
  printf("BAD JUMP @ %d: %x\n", static_cast<int>(e->pos), static_cast<uint32_t>(A(0)));
  goto out;
L_JZ_BAD:
  if (acc == 0) goto L_JMP_BAD;
  NEXT(1);

L_ACC2IDX: idx = acc; NEXT(1);
L_IDX2ACC: acc = idx; NEXT(1);
L_ACC2OPND: opd = acc; NEXT(1);
L_OPND2IDX: idx = opd; NEXT(1);
L_NEXT2OPND: opd = nxt; NEXT(1);
L_ACC2NEXT: nxt = acc; NEXT(1);
L_ACC2STRSCR: scr = acc; NEXT(1);

L_LDARR:
  CHECK_WORD(acc, 0);
  acc = load_var_word(static_cast<uint32_t>(acc));
  NEXT(1);
L_STARR:
  CHECK_WORD(idx, 0);
  store_var_word(static_cast<uint32_t>(idx), acc);
  NEXT(1);
L_LDVAR: acc = VAR(0); NEXT(1);
L_OPND_LDVAR: opd = VAR(0); NEXT(1);
L_STVAR: SET_VAR(0, acc); NEXT(1);
L_CONST: acc = A(0); NEXT(1);
L_OPND_CONST: opd = A(0); NEXT(1);

L_RD_BYTE: {
  uint32_t avail = 0;
  vm.iCSP = e->pos;
  const uint8_t *p = host_bytes(static_cast<uint32_t>(acc), avail, false);
  if (!p) goto out;
  acc = *p;
  NEXT(1);
}
L_WR_BYTE: {
  uint32_t avail = 0;
  vm.iCSP = e->pos;
  uint8_t *p = host_bytes(static_cast<uint32_t>(idx), avail, true);
  if (!p) goto out;
  *p = static_cast<uint8_t>(acc);
  NEXT(1);
}

// Integer arithmetic wraps in 32 bits: it is done unsigned.
L_IADD: acc = wrap_add(acc, opd); NEXT(1);
L_ISUB: acc = wrap_sub(acc, opd); NEXT(1);
L_IRSUB: acc = wrap_sub(opd, acc); NEXT(1);
L_AND: acc &= opd; NEXT(1);
L_OR: acc |= opd; NEXT(1);
L_XOR: acc ^= opd; NEXT(1);
L_SHL: acc = shift_left_as_board(acc, opd); NEXT(1);
L_SHR: acc = shift_right_as_board(acc, opd); NEXT(1);
L_NOT: acc = ~acc; NEXT(1);
L_IMUL: acc = static_cast<int32_t>(static_cast<uint32_t>(acc) * static_cast<uint32_t>(opd)); NEXT(1);
L_INEG: acc = wrap_sub(0, acc); NEXT(1);
L_FABS: acc = static_cast<int32_t>(static_cast<uint32_t>(acc) & 0x7FFFFFFFu); NEXT(1);
#define COMPARISON(name, op) \
  L_##name:                  \
  acc = acc op opd ? 1 : 0;  \
  NEXT(1);
DENSE_COMPARISONS(COMPARISON)
#undef COMPARISON
L_FADD: acc = single_arith(acc, opd, '+'); NEXT(1);
L_FSUB: acc = single_arith(acc, opd, '-'); NEXT(1);
L_FMUL: acc = single_arith(acc, opd, '*'); NEXT(1);
L_FDIV: acc = single_arith(acc, opd, '/'); NEXT(1);

L_IPRINTNUM:
  CALL(f_print);
  fflush(stdout);
  NEXT(1);
L_FPRINTNUM:
  CALL(flt_print);
  fflush(stdout);
  NEXT(1);
// f_printstr and f_printCR flush themselves.
L_PRINTTAB:
  CALL(f_printTAB);
  fflush(stdout);
  NEXT(1);
L_PRINTCH:
  CALL(f_printch);
  fflush(stdout);
  NEXT(1);

#define ROUTINE(name, routine) \
  L_##name:                    \
  CALL(routine);               \
  NEXT(1);
DENSE_ROUTINE_HANDLERS(ROUTINE)
#undef ROUTINE

L_POPACC: POP(acc); NEXT(1);
L_PUSHACC: PUSH(acc); NEXT(1);
L_PUSHNEXT:
  PUSH(nxt);
  nxt = acc;
  NEXT(1);
L_POPNEXT: POP(nxt); NEXT(1);
L_POPOPND: POP(opd); NEXT(1);
L_PUSHIDX: PUSH(idx); NEXT(1);
L_POPIDX: POP(idx); NEXT(1);
L_SWAP:
  nxt = opd;
  opd = acc;
  acc = nxt;
  NEXT(1);

L_JZ:
  if (acc == 0) GO(A(0));
  NEXT(1);
L_JMP: GO(A(0));
L_CALL:
  PUSH(static_cast<int32_t>(e->pos + 1));
  GO(A(0));
L_RETURN: {
  int32_t back = 0;
  POP(back);
  if (static_cast<uint32_t>(back) >= end) {
    printf("BAD JUMP @ %d: %x\n", static_cast<int>(e->pos), static_cast<uint32_t>(back));
    goto out;
  }
  GO(dense_index[back]);
}
L_END:
  vm.last_accum = acc;
  goto out;
L_SLEEP: printf("SLEEP and awake\n"); NEXT(1);
L_ASM: printf("asm %x\n", static_cast<uint32_t>(A(0))); NEXT(1);

  // Superinstructions: each does what its sequence does, register for
  // register; a check that fails reports at the entry of the operation
  // that would have failed.
L_LDVAR_OPND_CONST_IADD_JMP:
  opd = A(1);
  acc = wrap_add(VAR(0), opd);
  GO(A(3));
L_LDVAR_OPND_CONST_IADD_ACC2IDX_CONST_STARR:
  opd = A(1);
  idx = wrap_add(VAR(0), opd);
  acc = A(4);
  CHECK_WORD(idx, 5);
  store_var_word(static_cast<uint32_t>(idx), acc);
  NEXT(6);
L_LDVAR_OPND_CONST_IADD_LDARR_JZ:
  opd = A(1);
  acc = wrap_add(VAR(0), opd);
  CHECK_WORD(acc, 3);
  acc = load_var_word(static_cast<uint32_t>(acc));
  if (acc == 0) GO(A(4));
  NEXT(5);
L_LDVAR_OPND_CONST_IADD_LDARR:
  opd = A(1);
  acc = wrap_add(VAR(0), opd);
  CHECK_WORD(acc, 3);
  acc = load_var_word(static_cast<uint32_t>(acc));
  NEXT(4);
L_LDVAR_OPND_CONST_IADD:
  opd = A(1);
  acc = wrap_add(VAR(0), opd);
  NEXT(3);
L_STVAR_CONST_JMP:
  SET_VAR(0, acc);
  acc = A(1);
  GO(A(2));
L_OPND_LDVAR_LDVAR_IADD_STVAR:
  opd = VAR(0);
  acc = wrap_add(VAR(1), opd);
  SET_VAR(3, acc);
  NEXT(4);
L_OPND_LDVAR_LDVAR_IADD:
  opd = VAR(0);
  acc = wrap_add(VAR(1), opd);
  NEXT(3);
L_OPND_CONST_LDVAR_IADD_STVAR:
  opd = A(0);
  acc = wrap_add(VAR(1), opd);
  SET_VAR(3, acc);
  NEXT(4);
L_OPND_CONST_AND_STVAR_JMP:
  opd = A(0);
  acc &= opd;
  SET_VAR(2, acc);
  GO(A(3));
L_OPND_CONST_AND_STVAR:
  opd = A(0);
  acc &= opd;
  SET_VAR(2, acc);
  NEXT(3);
L_OPND_CONST_AND:
  opd = A(0);
  acc &= opd;
  NEXT(2);
L_LDVAR_STVAR:
  acc = VAR(0);
  SET_VAR(1, acc);
  NEXT(2);
L_CONST_STVAR:
  acc = A(0);
  SET_VAR(1, acc);
  NEXT(2);
L_STVAR_JMP:
  SET_VAR(0, acc);
  GO(A(1));
#define COMPARE_AND_BRANCH(name, op) \
  L_OPND_LDVAR_##name##_JZ:          \
  opd = VAR(0);                      \
  acc = acc op opd ? 1 : 0;          \
  if (acc == 0) GO(A(2));            \
  NEXT(3);                           \
  L_OPND_CONST_LDVAR_##name##_JZ:    \
  opd = A(0);                        \
  acc = VAR(1) op opd ? 1 : 0;       \
  if (acc == 0) GO(A(3));            \
  NEXT(4);
DENSE_COMPARISONS(COMPARE_AND_BRANCH)
#undef COMPARE_AND_BRANCH

#ifdef OMBRIK_FUZZ_INSTRUCTION_BUDGET
budget_spent:
  printf("BUDGET SPENT @ %d\n", static_cast<int>(e->pos));
#endif
out:
  vm.reg_accum = acc;
  vm.reg_operand = opd;
  vm.reg_lindex = idx;
  vm.reg_next = nxt;
  vm.reg_strscratch = scr;
  vm.iCSP = e->pos;
  vm.StkPtr = static_cast<int32_t>(sp);
#ifdef OMBRIK_OP_COUNTS
  report_counts();
#endif

#undef SPEND
#undef NEXT
#undef GO
#undef SAVE_REGISTERS
#undef LOAD_REGISTERS
#undef CALL
#undef PUSH
#undef POP
#undef CHECK_WORD
#undef A
#undef VAR
#undef SET_VAR
}
