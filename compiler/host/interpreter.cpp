// The operation-stream interpreter. The stream is indexed by code position,
// so a jump's operand is directly the index of the next operation.
#include "host/interpreter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "host/host_memory.h"
#include "host/runtime.h"

int32_t stack[STACK_WORDS];
HostMachine vm;

void reset_host_machine() {
  vm = HostMachine{};
  memset(stack, 0, sizeof stack);
  memset(g_var_seg, 0, sizeof g_var_seg);
}

void runINT() {
  const uint32_t end =
      emit.fCODE < static_cast<uint32_t>(INT_OPS_SIZE) ? emit.fCODE : static_cast<uint32_t>(INT_OPS_SIZE);
  const int32_t *const ops = INT_ops;
  const int32_t *const operands = INT_addrs;

  // The registers live in locals while the loop runs, so the compiler can
  // keep them in machine registers; they go back to the globals around
  // every runtime routine, which works on the globals.
  int32_t acc = vm.reg_accum, opd = vm.reg_operand, idx = vm.reg_lindex, nxt = vm.reg_next, scr = vm.reg_strscratch;
  uint32_t pc = 0;
  uint32_t sp = 0;
  vm.run_stopped = 0;

#define SAVE_REGISTERS()     \
  do {                       \
    vm.reg_accum = acc;      \
    vm.reg_operand = opd;    \
    vm.reg_lindex = idx;     \
    vm.reg_next = nxt;       \
    vm.reg_strscratch = scr; \
    vm.iCSP = pc;            \
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
#define JUMP(target)                                                                    \
  do {                                                                                  \
    uint32_t t_ = static_cast<uint32_t>(target);                                        \
    if (t_ >= end) {                                                                    \
      printf("BAD JUMP @ %d: %x\n", static_cast<int>(pc), t_);                          \
      goto out;                                                                         \
    }                                                                                   \
    pc = t_;                                                                            \
    goto next;                                                                          \
  } while (0)
#define PUSH(value)                                              \
  do {                                                           \
    if (sp >= static_cast<uint32_t>(STACK_WORDS)) {              \
      printf("STACK OVERFLOW @ %d\n", static_cast<int>(pc));     \
      goto out;                                                  \
    }                                                            \
    stack[sp++] = (value);                                       \
  } while (0)
#define POP(into)                                                \
  do {                                                           \
    if (sp == 0) {                                               \
      printf("STACK UNDERFLOW @ %d\n", static_cast<int>(pc));    \
      goto out;                                                  \
    }                                                            \
    (into) = stack[--sp];                                        \
  } while (0)
#define CHECK_WORD(index)                                \
  do {                                                   \
    if (static_cast<uint32_t>(index) >= VAR_SEG_WORDS) { \
      vm.iCSP = pc;                                      \
      address_error(static_cast<uint32_t>(index));       \
      goto out;                                          \
    }                                                    \
  } while (0)
#define TYPED(integer_routine, single_routine) \
  do {                                         \
    if (a != 0)                                \
      CALL(integer_routine);                   \
    else                                       \
      CALL(single_routine);                    \
  } while (0)

  for (;;) {
    if (pc >= end) {
      // Only END leaves the stream; running past its last operation is a
      // jump to nowhere.
      printf("BAD JUMP @ %d: %x\n", static_cast<int>(pc - 1), pc);
      goto out;
    }
    {
      const uint32_t op = static_cast<uint32_t>(ops[pc]);
      const int32_t a = operands[pc];
      switch (op) {
        case OP_NOP:
        case OP_LABEL:
        case OP_SUB_ENTRY:
        case OP_MAIN:
        case OP_DATAEND:
        case OP_ENDSUB:
          break;

        case OP_ACC2IDX: idx = acc; break;
        case OP_IDX2ACC: acc = idx; break;
        case OP_ACC2OPND: opd = acc; break;
        case OP_OPND2IDX: idx = opd; break;
        case OP_NEXT2OPND: opd = nxt; break;
        case OP_ACC2NEXT: nxt = acc; break;
        case OP_ACC2STRSCR: scr = acc; break;

        case OP_LDARR:
          CHECK_WORD(acc);
          acc = load_var_word(static_cast<uint32_t>(acc));
          break;
        case OP_STARR:
          CHECK_WORD(idx);
          store_var_word(static_cast<uint32_t>(idx), acc);
          break;
        case OP_LDVAR:
          CHECK_WORD(a);
          acc = load_var_word(static_cast<uint32_t>(a));
          break;
        case OP_OPND_LDVAR:
          CHECK_WORD(a);
          opd = load_var_word(static_cast<uint32_t>(a));
          break;
        case OP_STVAR:
          CHECK_WORD(a);
          store_var_word(static_cast<uint32_t>(a), acc);
          break;

        case OP_ADDR: acc = static_cast<int32_t>(VAR_WINDOW + static_cast<uint32_t>(a)); break;
        case OP_OPND_ADDR: opd = static_cast<int32_t>(VAR_WINDOW + static_cast<uint32_t>(a)); break;
        case OP_STRADDR: acc = static_cast<int32_t>(CONST_WINDOW + static_cast<uint32_t>(a)); break;
        case OP_OPND_STRADDR: opd = static_cast<int32_t>(CONST_WINDOW + static_cast<uint32_t>(a)); break;
        case OP_CONST: acc = a; break;
        case OP_OPND_CONST:
        case OP_OPND_CONST2:
          opd = a;
          break;

        case OP_RD_BYTE: {
          uint32_t avail = 0;
          vm.iCSP = pc;
          const uint8_t *p = host_bytes(static_cast<uint32_t>(acc), avail, false);
          if (!p) goto out;
          acc = *p;
          break;
        }
        case OP_WR_BYTE: {
          uint32_t avail = 0;
          vm.iCSP = pc;
          uint8_t *p = host_bytes(static_cast<uint32_t>(idx), avail, true);
          if (!p) goto out;
          *p = static_cast<uint8_t>(acc);
          break;
        }
        case OP_PEEK: CALL(f_peekw); break;
        case OP_POKE: CALL(f_pokew); break;

        // Integer arithmetic wraps in 32 bits: it is done unsigned.
        case OP_IADD: acc = static_cast<int32_t>(static_cast<uint32_t>(acc) + static_cast<uint32_t>(opd)); break;
        case OP_ISUB: acc = static_cast<int32_t>(static_cast<uint32_t>(acc) - static_cast<uint32_t>(opd)); break;
        case OP_IRSUB: acc = static_cast<int32_t>(static_cast<uint32_t>(opd) - static_cast<uint32_t>(acc)); break;
        case OP_AND: acc &= opd; break;
        case OP_OR: acc |= opd; break;
        case OP_XOR: acc ^= opd; break;
        case OP_SHL:
        case OP_TSHL:
          acc = static_cast<int32_t>(static_cast<uint32_t>(acc) << (opd & 31));
          break;
        case OP_SHR: acc >>= (opd & 31); break;
        case OP_NOT: acc = ~acc; break;

        case OP_MUL:
          if (a != 0)
            acc = static_cast<int32_t>(static_cast<uint32_t>(acc) * static_cast<uint32_t>(opd));
          else
            CALL(flt_mul);
          break;
        case OP_ADD:
          if (a != 0)
            acc = static_cast<int32_t>(static_cast<uint32_t>(acc) + static_cast<uint32_t>(opd));
          else
            CALL(flt_add);
          break;
        case OP_SUB:
          if (a != 0)
            acc = static_cast<int32_t>(static_cast<uint32_t>(acc) - static_cast<uint32_t>(opd));
          else
            CALL(flt_sub);
          break;
        case OP_NEG:
          if (a != 0)
            acc = static_cast<int32_t>(0u - static_cast<uint32_t>(acc));
          else
            CALL(flt_neg);
          break;
        case OP_ABS:
          if (a != 0)
            CALL(f_abs);
          else
            acc = static_cast<int32_t>(static_cast<uint32_t>(acc) & 0x7FFFFFFFu);
          break;
        case OP_DIV: TYPED(f_div, flt_div); break;
        case OP_EQ: TYPED(f_eq, flt_eq); break;
        case OP_LT: TYPED(f_lt, flt_lt); break;
        case OP_GT: TYPED(f_gt, flt_gt); break;
        case OP_LE: TYPED(f_le, flt_le); break;
        case OP_GE: TYPED(f_ge, flt_ge); break;
        case OP_NE: TYPED(f_ne, flt_ne); break;
        case OP_STR: TYPED(f_dec2str, flt_2str); break;
        case OP_PRINTNUM:
          TYPED(f_print, flt_print);
          fflush(stdout);
          break;

        case OP_MOD: CALL(f_mod); break;
        case OP_LOGAND: CALL(f_logand); break;
        case OP_LOGOR: CALL(f_logor); break;
        case OP_LOGXOR: CALL(f_logxor); break;
        case OP_LOGNOT: CALL(f_lognot); break;
        case OP_ITOF: CALL(flt_2float); break;
        case OP_OPND_ITOF: CALL(flt_n2float); break;
        case OP_FTOI: CALL(flt_2int); break;
        case OP_OPND_FTOI: CALL(flt_n2int); break;

        case OP_NEWSTR: CALL(f_newstr); break;
        case OP_ADDSTR: CALL(f_addstr); break;
        case OP_ADDSBYTE: CALL(f_addsbyte); break;
        case OP_LEFT: CALL(f_left); break;
        case OP_RIGHT: CALL(f_right); break;
        case OP_STRCOMP: CALL(f_strcmp); break;
        case OP_GETSTR: CALL(f_getstr); break;
        case OP_LEN: CALL(f_strlen); break;
        case OP_SAVESTR: CALL(f_savestr); break;
        case OP_HEX: CALL(f_hex2str); break;
        case OP_VAL: CALL(f_str2dec); break;

        // f_printstr and f_printCR flush themselves.
        case OP_PRINTTAB:
          CALL(f_printTAB);
          fflush(stdout);
          break;
        case OP_PRINTCR: CALL(f_printCR); break;
        case OP_PRINTSTR: CALL(f_printstr); break;
        case OP_PRINTCH:
          CALL(f_printch);
          fflush(stdout);
          break;

        case OP_P0:
        case OP_P1:
          CALL(f_bitin);
          break;
        case OP_P0_WR:
        case OP_P1_WR:
          CALL(f_bitout);
          break;
        case OP_TIMER: CALL(f_gettimer); break;
        case OP_TXFREE:
        case OP_RXD0:
        case OP_TXD0:
          // The serial port has no host counterpart.
          break;
        case OP_AD: CALL(f_adin); break;
        case OP_WAITMICRO: break;
        case OP_WAIT: CALL(f_wait); break;
        case OP_DIR: CALL(f_rddirbit); break;
        case OP_DIR_WR: CALL(f_wrdirbit); break;
        case OP_IN: CALL(f_pbinbit); break;
        case OP_OUT: CALL(f_pboutbit); break;
        case OP_WRITE: CALL(f_fwrite); break;
        case OP_INTERRUPT: CALL(f_intsw); break;
        case OP_STOP: CALL(f_stop); break;

        case OP_POPACC: POP(acc); break;
        case OP_PUSHACC: PUSH(acc); break;
        case OP_PUSHNEXT:
          PUSH(nxt);
          nxt = acc;
          break;
        case OP_POPNEXT: POP(nxt); break;
        case OP_POPOPND: POP(opd); break;
        case OP_PUSHIDX: PUSH(idx); break;
        case OP_POPIDX: POP(idx); break;
        case OP_SWAP:
          nxt = opd;
          opd = acc;
          acc = nxt;
          break;

        case OP_JZ:
        case OP_JZBACK:
          if (acc == 0) JUMP(a);
          break;
        case OP_JMP:
        case OP_GOTO:
        case OP_JMPBACK:
          JUMP(a);
        case OP_GOSUB:
        case OP_CALLSUB:
        case OP_CALLBACK:
          PUSH(static_cast<int32_t>(pc + 1));
          JUMP(a);
        case OP_RETURN: {
          int32_t back = 0;
          POP(back);
          JUMP(back);
        }
        case OP_END: vm.last_accum = acc; goto out;

        case OP_PRINTF:
        case OP_SPRINTF:
          CALL(f_printf);
          break;
        case OP_SLEEP: printf("SLEEP and awake\n"); break;
        case OP_ASM: printf("asm %x\n", static_cast<uint32_t>(a)); break;

        default:
          printf("UNKNOWN OP @ %d: %x\n", static_cast<int>(pc), op);
          goto out;
      }
    }
    pc++;
  next:;
  }

out:
  vm.reg_accum = acc;
  vm.reg_operand = opd;
  vm.reg_lindex = idx;
  vm.reg_next = nxt;
  vm.reg_strscratch = scr;
  vm.iCSP = pc;
  vm.StkPtr = static_cast<int32_t>(sp);

#undef SAVE_REGISTERS
#undef LOAD_REGISTERS
#undef CALL
#undef JUMP
#undef PUSH
#undef POP
#undef CHECK_WORD
#undef TYPED
}
