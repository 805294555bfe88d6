#include "host/dense.h"

#include "codegen/operations.h"
#include "host/host_memory.h"

DenseEntry dense_code[DENSE_MAX];
uint16_t dense_handler[DENSE_MAX];
uint32_t dense_index[DENSE_MAX];
#ifdef OMBRIK_OP_COUNTS
bool dense_superinstructions = false;
#else
bool dense_superinstructions = true;
#endif

namespace {

struct Sequence {
  uint16_t handler;
  uint16_t parts[DENSE_MAX_SEQUENCE];
};

constexpr Sequence sequences[] = {
#define DENSE_SEQUENCE(name, ...) {H_##name, {__VA_ARGS__}},
    DENSE_SUPERINSTRUCTIONS(DENSE_SEQUENCE)
#undef DENSE_SEQUENCE
};

constexpr const char *handler_names[] = {
    "NONE",
#define DENSE_NAME(name, ...) #name,
    DENSE_OPERATION_HANDLERS(DENSE_NAME) DENSE_ROUTINE_HANDLERS(DENSE_NAME) DENSE_SUPERINSTRUCTIONS(DENSE_NAME)
#undef DENSE_NAME
};
static_assert(sizeof handler_names / sizeof handler_names[0] == H_COUNT);

bool is_word(int32_t index) { return static_cast<uint32_t>(index) < VAR_SEG_WORDS; }

// An address is a constant: a reference into its host window, loaded as
// any other constant.
uint16_t window_reference(uint32_t window, int32_t &operand, uint16_t load) {
  operand = static_cast<int32_t>(window + static_cast<uint32_t>(operand));
  return load;
}

// The handler of one record, with its operand as the handler wants it;
// H_NONE for a record that does nothing.
uint16_t handler_of(uint32_t op, int32_t &operand, uint32_t end) {
  const bool integer = operand != 0;
  const bool in_stream = static_cast<uint32_t>(operand) < end;
  switch (op) {
    case OP_NOP:
    case OP_LABEL:
    case OP_SUB_ENTRY:
    case OP_MAIN:
    case OP_DATAEND:
    case OP_ENDSUB:
    case OP_TXFREE:
    case OP_RXD0:
    case OP_TXD0:
    case OP_WAITMICRO:
      return H_NONE;
    case OP_ACC2IDX: return H_ACC2IDX;
    case OP_IDX2ACC: return H_IDX2ACC;
    case OP_ACC2OPND: return H_ACC2OPND;
    case OP_OPND2IDX: return H_OPND2IDX;
    case OP_NEXT2OPND: return H_NEXT2OPND;
    case OP_ACC2NEXT: return H_ACC2NEXT;
    case OP_ACC2STRSCR: return H_ACC2STRSCR;
    case OP_LDARR: return H_LDARR;
    case OP_STARR: return H_STARR;
    case OP_LDVAR: return is_word(operand) ? H_LDVAR : H_BAD_WORD;
    case OP_OPND_LDVAR: return is_word(operand) ? H_OPND_LDVAR : H_BAD_WORD;
    case OP_STVAR: return is_word(operand) ? H_STVAR : H_BAD_WORD;
    case OP_ADDR: return window_reference(VAR_WINDOW, operand, H_CONST);
    case OP_OPND_ADDR: return window_reference(VAR_WINDOW, operand, H_OPND_CONST);
    case OP_STRADDR: return window_reference(CONST_WINDOW, operand, H_CONST);
    case OP_OPND_STRADDR: return window_reference(CONST_WINDOW, operand, H_OPND_CONST);
    case OP_CONST: return H_CONST;
    case OP_OPND_CONST:
    case OP_OPND_CONST2:
      return H_OPND_CONST;
    case OP_RD_BYTE: return H_RD_BYTE;
    case OP_WR_BYTE: return H_WR_BYTE;
    case OP_PEEK: return H_PEEK;
    case OP_POKE: return H_POKE;
    case OP_IADD: return H_IADD;
    case OP_ISUB: return H_ISUB;
    case OP_IRSUB: return H_IRSUB;
    case OP_AND: return H_AND;
    case OP_OR: return H_OR;
    case OP_XOR: return H_XOR;
    case OP_SHL:
    case OP_TSHL:
      return H_SHL;
    case OP_SHR: return H_SHR;
    case OP_NOT: return H_NOT;
    case OP_MUL: return integer ? H_IMUL : H_FMUL;
    case OP_ADD: return integer ? H_IADD : H_FADD;
    case OP_SUB: return integer ? H_ISUB : H_FSUB;
    case OP_NEG: return integer ? H_INEG : H_FNEG;
    case OP_ABS: return integer ? H_IABS : H_FABS;
    case OP_DIV: return integer ? H_IDIV : H_FDIV;
    case OP_EQ: return integer ? H_IEQ : H_FEQ;
    case OP_LT: return integer ? H_ILT : H_FLT;
    case OP_GT: return integer ? H_IGT : H_FGT;
    case OP_LE: return integer ? H_ILE : H_FLE;
    case OP_GE: return integer ? H_IGE : H_FGE;
    case OP_NE: return integer ? H_INE : H_FNE;
    case OP_STR: return integer ? H_ISTR : H_FSTR;
    case OP_PRINTNUM: return integer ? H_IPRINTNUM : H_FPRINTNUM;
    case OP_MOD: return H_MOD;
    case OP_LOGAND: return H_LOGAND;
    case OP_LOGOR: return H_LOGOR;
    case OP_LOGXOR: return H_LOGXOR;
    case OP_LOGNOT: return H_LOGNOT;
    case OP_ITOF: return H_ITOF;
    case OP_OPND_ITOF: return H_OPND_ITOF;
    case OP_FTOI: return H_FTOI;
    case OP_OPND_FTOI: return H_OPND_FTOI;
    case OP_NEWSTR: return H_NEWSTR;
    case OP_ADDSTR: return H_ADDSTR;
    case OP_ADDSBYTE: return H_ADDSBYTE;
    case OP_LEFT: return H_LEFT;
    case OP_RIGHT: return H_RIGHT;
    case OP_STRCOMP: return H_STRCOMP;
    case OP_GETSTR: return H_GETSTR;
    case OP_LEN: return H_LEN;
    case OP_SAVESTR: return H_SAVESTR;
    case OP_HEX: return H_HEX;
    case OP_VAL: return H_VAL;
    case OP_PRINTTAB: return H_PRINTTAB;
    case OP_PRINTCR: return H_PRINTCR;
    case OP_PRINTSTR: return H_PRINTSTR;
    case OP_PRINTCH: return H_PRINTCH;
    case OP_P0:
    case OP_P1:
      return H_BITIN;
    case OP_P0_WR:
    case OP_P1_WR:
      return H_BITOUT;
    case OP_TIMER: return H_TIMER;
    case OP_AD: return H_AD;
    case OP_WAIT: return H_WAIT;
    case OP_DIR: return H_DIR;
    case OP_DIR_WR: return H_DIR_WR;
    case OP_IN: return H_IN;
    case OP_OUT: return H_OUT;
    case OP_WRITE: return H_WRITE;
    case OP_INTERRUPT: return H_INTERRUPT;
    case OP_STOP: return H_STOP;
    case OP_POPACC: return H_POPACC;
    case OP_PUSHACC: return H_PUSHACC;
    case OP_PUSHNEXT: return H_PUSHNEXT;
    case OP_POPNEXT: return H_POPNEXT;
    case OP_POPOPND: return H_POPOPND;
    case OP_PUSHIDX: return H_PUSHIDX;
    case OP_POPIDX: return H_POPIDX;
    case OP_SWAP: return H_SWAP;
    case OP_JZ:
    case OP_JZBACK:
      return in_stream ? H_JZ : H_JZ_BAD;
    case OP_JMP:
    case OP_GOTO:
    case OP_JMPBACK:
      return in_stream ? H_JMP : H_JMP_BAD;
    case OP_GOSUB:
    case OP_CALLSUB:
    case OP_CALLBACK:
      return in_stream ? H_CALL : H_CALL_BAD;
    case OP_RETURN: return H_RETURN;
    case OP_END: return H_END;
    case OP_PRINTF:
    case OP_SPRINTF:
      return H_PRINTF;
    case OP_SLEEP: return H_SLEEP;
    case OP_ASM: return H_ASM;
    default: return H_UNKNOWN;
  }
}

bool is_jump(uint16_t handler) { return handler == H_JZ || handler == H_JMP || handler == H_CALL; }

// The length of s if it matches the entries from at on (before count),
// else 0.
int match_length(const Sequence &s, uint32_t at, uint32_t count) {
  int k = 0;
  for (; k < DENSE_MAX_SEQUENCE && s.parts[k] != H_NONE; k++)
    if (at + static_cast<uint32_t>(k) >= count || dense_handler[at + static_cast<uint32_t>(k)] != s.parts[k])
      return 0;
  return k;
}

}  // namespace

const char *dense_handler_name(uint16_t handler) { return handler < H_COUNT ? handler_names[handler] : "?"; }

int dense_sequence(uint16_t handler, uint16_t parts[DENSE_MAX_SEQUENCE]) {
  for (const Sequence &s : sequences) {
    if (s.handler != handler) continue;
    int n = 0;
    while (n < DENSE_MAX_SEQUENCE && s.parts[n] != H_NONE) {
      parts[n] = s.parts[n];
      n++;
    }
    return n;
  }
  return 0;
}

uint32_t dense_translate(uint32_t end) {
  if (end > static_cast<uint32_t>(INT_OPS_SIZE)) end = static_cast<uint32_t>(INT_OPS_SIZE);
  uint32_t count = 0;
  for (uint32_t pos = 0; pos < end; pos++) {
    dense_index[pos] = count;
    int32_t operand = INT_addrs[pos];
    uint16_t handler = handler_of(static_cast<uint32_t>(INT_ops[pos]), operand, end);
    if (handler == H_NONE) continue;
    dense_code[count] = {nullptr, operand, pos};
    dense_handler[count] = handler;
    count++;
  }
  dense_index[end] = count;
  dense_code[count] = {nullptr, 0, end};
  dense_handler[count] = H_FELL_OFF;
  count++;

  for (uint32_t i = 0; i < count; i++)
    if (is_jump(dense_handler[i]))
      dense_code[i].operand = static_cast<int32_t>(dense_index[dense_code[i].operand]);

  if (dense_superinstructions) {
    // Each entry gets the longest sequence that starts with it; the entries
    // a sequence covers keep their own handlers for the jumps that land on
    // them.
    for (uint32_t i = 0; i + 1 < count; i++) {
      int longest = 0;
      uint16_t chosen = H_NONE;
      for (const Sequence &s : sequences) {
        int length = match_length(s, i, count - 1);
        if (length > longest) {
          longest = length;
          chosen = s.handler;
        }
      }
      if (chosen != H_NONE) dense_handler[i] = chosen;
    }
  }
  return count;
}
