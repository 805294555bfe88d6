// The dense execution form of the operation stream. The stream is indexed
// by code position, so most of its slots are the empty other units of
// multi-unit instructions; RUN translates it once into consecutive entries
// instead: empty slots and operations without effect left out, typed
// operations resolved to their integer or SINGLE handler, jump operands
// mapped to entry indices, and the most frequent sequences of operations
// given one handler (a superinstruction) that does the work of the whole
// sequence. Every entry keeps the code position of its record, which the
// error stops report and GOSUB pushes as its return position.
#pragma once
#include <cstdint>

#include "codegen/emit.h"

// The handlers of single operations. Those with a runtime routine are in
// DENSE_ROUTINE_HANDLERS.
#define DENSE_OPERATION_HANDLERS(X)                                                              \
  X(UNKNOWN) X(FELL_OFF) X(BAD_WORD) X(JMP_BAD) X(JZ_BAD) X(CALL_BAD)                            \
  X(ACC2IDX) X(IDX2ACC) X(ACC2OPND) X(OPND2IDX) X(NEXT2OPND) X(ACC2NEXT) X(ACC2STRSCR)           \
  X(LDARR) X(STARR) X(LDVAR) X(OPND_LDVAR) X(STVAR) X(CONST) X(OPND_CONST) X(RD_BYTE) X(WR_BYTE) \
  X(IADD) X(ISUB) X(IRSUB) X(AND) X(OR) X(XOR) X(SHL) X(SHR) X(NOT) X(IMUL) X(INEG) X(FABS)      \
  X(IEQ) X(INE) X(ILT) X(ILE) X(IGT) X(IGE) X(FADD) X(FSUB) X(FMUL) X(FDIV)                      \
  X(IPRINTNUM) X(FPRINTNUM) X(PRINTTAB) X(PRINTCH)                                               \
  X(POPACC) X(PUSHACC) X(PUSHNEXT) X(POPNEXT) X(POPOPND) X(PUSHIDX) X(POPIDX) X(SWAP)            \
  X(JZ) X(JMP) X(CALL) X(RETURN) X(END) X(SLEEP) X(ASM)

// Handlers that call one runtime routine: X(name, routine).
#define DENSE_ROUTINE_HANDLERS(X)                                                                    \
  X(PEEK, f_peekw) X(POKE, f_pokew) X(IDIV, f_div) X(FNEG, flt_neg) X(IABS, f_abs)                   \
  X(FEQ, flt_eq) X(FNE, flt_ne) X(FLT, flt_lt) X(FLE, flt_le) X(FGT, flt_gt) X(FGE, flt_ge)          \
  X(ISTR, f_dec2str) X(FSTR, flt_2str) X(MOD, f_mod) X(LOGAND, f_logand) X(LOGOR, f_logor)           \
  X(LOGXOR, f_logxor) X(LOGNOT, f_lognot) X(ITOF, flt_2float) X(OPND_ITOF, flt_n2float)              \
  X(FTOI, flt_2int) X(OPND_FTOI, flt_n2int) X(NEWSTR, f_newstr) X(ADDSTR, f_addstr)                  \
  X(ADDSBYTE, f_addsbyte) X(LEFT, f_left) X(RIGHT, f_right) X(STRCOMP, f_strcmp) X(GETSTR, f_getstr) \
  X(LEN, f_strlen) X(SAVESTR, f_savestr) X(HEX, f_hex2str) X(VAL, f_str2dec) X(PRINTCR, f_printCR)   \
  X(PRINTSTR, f_printstr) X(BITIN, f_bitin) X(BITOUT, f_bitout) X(TIMER, f_gettimer) X(AD, f_adin)   \
  X(WAIT, f_wait) X(DIR, f_rddirbit) X(DIR_WR, f_wrdirbit) X(IN, f_pbinbit) X(OUT, f_pboutbit)       \
  X(WRITE, f_fwrite) X(INTERRUPT, f_intsw) X(STOP, f_stop) X(PRINTF, f_printf)

// The integer comparisons, for the superinstructions that end in a
// conditional jump: X(name, operator).
#define DENSE_COMPARISONS(X) X(IEQ, ==) X(INE, !=) X(ILT, <) X(ILE, <=) X(IGT, >) X(IGE, >=)

// Superinstructions: X(name, the handlers of the sequence it replaces).
// Chosen by counting the sequences executed by the benchmarks and the
// emulation corpus (bench/opcount.sh): FOR loops (step, store and limit,
// test), assignments of sums and masks, array elements with a constant
// index offset, parameter copies.
#define DENSE_COMPARE_SUPERINSTRUCTIONS(X, CMP)         \
  X(OPND_LDVAR_##CMP##_JZ, H_OPND_LDVAR, H_##CMP, H_JZ) \
  X(OPND_CONST_LDVAR_##CMP##_JZ, H_OPND_CONST, H_LDVAR, H_##CMP, H_JZ)

#define DENSE_SUPERINSTRUCTIONS(X)                                                                         \
  X(LDVAR_OPND_CONST_IADD_JMP, H_LDVAR, H_OPND_CONST, H_IADD, H_JMP)                                       \
  X(LDVAR_OPND_CONST_IADD_ACC2IDX_CONST_STARR, H_LDVAR, H_OPND_CONST, H_IADD, H_ACC2IDX, H_CONST, H_STARR) \
  X(LDVAR_OPND_CONST_IADD_LDARR_JZ, H_LDVAR, H_OPND_CONST, H_IADD, H_LDARR, H_JZ)                          \
  X(LDVAR_OPND_CONST_IADD_LDARR, H_LDVAR, H_OPND_CONST, H_IADD, H_LDARR)                                   \
  X(LDVAR_OPND_CONST_IADD, H_LDVAR, H_OPND_CONST, H_IADD)                                                  \
  X(STVAR_CONST_JMP, H_STVAR, H_CONST, H_JMP)                                                              \
  X(OPND_LDVAR_LDVAR_IADD_STVAR, H_OPND_LDVAR, H_LDVAR, H_IADD, H_STVAR)                                   \
  X(OPND_LDVAR_LDVAR_IADD, H_OPND_LDVAR, H_LDVAR, H_IADD)                                                  \
  X(OPND_CONST_LDVAR_IADD_STVAR, H_OPND_CONST, H_LDVAR, H_IADD, H_STVAR)                                   \
  X(OPND_CONST_AND_STVAR_JMP, H_OPND_CONST, H_AND, H_STVAR, H_JMP)                                         \
  X(OPND_CONST_AND_STVAR, H_OPND_CONST, H_AND, H_STVAR)                                                    \
  X(OPND_CONST_AND, H_OPND_CONST, H_AND)                                                                   \
  X(LDVAR_STVAR, H_LDVAR, H_STVAR)                                                                         \
  X(CONST_STVAR, H_CONST, H_STVAR)                                                                         \
  X(STVAR_JMP, H_STVAR, H_JMP)                                                                             \
  DENSE_COMPARE_SUPERINSTRUCTIONS(X, IEQ)                                                                  \
  DENSE_COMPARE_SUPERINSTRUCTIONS(X, INE)                                                                  \
  DENSE_COMPARE_SUPERINSTRUCTIONS(X, ILT)                                                                  \
  DENSE_COMPARE_SUPERINSTRUCTIONS(X, ILE)                                                                  \
  DENSE_COMPARE_SUPERINSTRUCTIONS(X, IGT)                                                                  \
  DENSE_COMPARE_SUPERINSTRUCTIONS(X, IGE)

enum DenseHandler : uint16_t {
  H_NONE,
#define DENSE_ENUM(name, ...) H_##name,
  DENSE_OPERATION_HANDLERS(DENSE_ENUM) DENSE_ROUTINE_HANDLERS(DENSE_ENUM) DENSE_SUPERINSTRUCTIONS(DENSE_ENUM)
#undef DENSE_ENUM
  H_COUNT
};

// Longest superinstruction, in operations.
constexpr int DENSE_MAX_SEQUENCE = 6;

struct DenseEntry {
  const void *code;  // where the interpreter carries on for this handler
  int32_t operand;   // the record's operand; for a jump, its target's entry index
  uint32_t pos;      // code position of the record
};

// One entry per recorded operation at most, and the end marker.
constexpr uint32_t DENSE_MAX = INT_OPS_SIZE + 1;
extern DenseEntry dense_code[DENSE_MAX];
extern uint16_t dense_handler[DENSE_MAX];
// Entry index of the first entry at or after each code position; the end
// position maps to the end marker.
extern uint32_t dense_index[DENSE_MAX];
// Whether dense_translate forms superinstructions (off to count the
// sequences of single operations, and in the tests that compare both).
extern bool dense_superinstructions;

// Translates the first end records of INT_ops/INT_addrs; returns the number
// of entries, the end marker (H_FELL_OFF, position end) included.
uint32_t dense_translate(uint32_t end);

const char *dense_handler_name(uint16_t handler);
// The handlers of the sequence a superinstruction stands for, in parts;
// returns their number, 0 for a handler that is no superinstruction.
int dense_sequence(uint16_t handler, uint16_t parts[DENSE_MAX_SEQUENCE]);
