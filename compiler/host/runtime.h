// The host runtime library: what the board's firmware does for a program,
// done on the host. Every routine takes its inputs from the registers of
// host/interpreter.h and leaves its result in reg_accum; the board's
// input/output is reported as text lines.
#pragma once
#include <bit>
#include <cstdint>

#include "host/interpreter.h"

// Integer and logical operations.
void f_div();
void f_mod();
void f_logand();
void f_logor();
void f_logxor();
void f_lognot();
void f_abs();
void f_eq();
void f_ne();
void f_lt();
void f_le();
void f_gt();
void f_ge();
void f_rev();
void f_peekw();
void f_pokew();

// The one NaN every SINGLE operation answers with: ARM floating point's
// default NaN (positive, quiet). The PC's FPU keeps an operand's NaN or makes
// a negative one, so the sign PRINT shows would depend on the order in which
// RUN and the board's code happen to take their operands.
constexpr int32_t SINGLE_DEFAULT_NAN = 0x7FC00000;

// SINGLE arithmetic on IEEE single bits, as the board's routines do it: in
// double precision, rounded to single, a NaN result being the default NaN.
// The interpreter runs these inline; the flt_ routines apply them to the
// registers.
inline int32_t single_arith(int32_t a, int32_t b, char op) {
  const double x = std::bit_cast<float>(a), y = std::bit_cast<float>(b);
  const double r = op == '+' ? x + y : op == '-' ? x - y : op == '*' ? x * y : x / y;
  return r != r ? SINGLE_DEFAULT_NAN : std::bit_cast<int32_t>(static_cast<float>(r));
}

// SINGLE arithmetic on the IEEE bits in the registers.
void flt_add();
void flt_sub();
void flt_mul();
void flt_div();
void flt_neg();
void flt_2int();
void flt_n2int();
void flt_2float();
void flt_n2float();
void set_f_val();
void flt_eq();
void flt_ne();
void flt_lt();
void flt_gt();
void flt_le();
void flt_ge();
void flt_print();
void flt_2str();

// Strings, built in the string accumulator at str_aptr.
void f_newstr();
void f_addstr();
void f_addsbyte();
void f_savestr();
void f_left();
void f_right();
void f_strcmp();
void f_strlen();
void f_hex2str();
void f_dec2str();
void f_str2dec();
void f_getstr();
// Appends length bytes at str_aptr, as many as fit before the 255th
// character, and the NUL.
void append_to_accum(const char *text, uint32_t length);
int32_t xstrcmp(uint32_t a, uint32_t b);
int32_t do_str2num(const char *text, uint32_t length, int hexDefault);
void printnum(int32_t value, int hex);
// Appends value in "%x" or "%d" at str_aptr.
void sprintnum(int32_t value, int hex);

// PRINTF (reg_accum 0) or SPRINTF into the string accumulator, from the
// argument block at printfLocal.
void f_printf();

// Printing, time and the board's simulated input/output.
void f_print();
void f_printch();
void f_printstr();
void f_printCR();
void f_printTAB();
void f_wait();
// Whether a wait of ms milliseconds that began at tick start is over at
// tick now, across the wrap of the tick counter.
bool wait_is_over(uint32_t start, uint32_t now, int32_t ms);
void f_gettimer();
void f_stop();
void f_bitin();
void f_bitout();
void f_pbinbit();
void f_pboutbit();
void f_adin();
void f_rddirbit();
void f_wrdirbit();
void f_fwrite();
void f_intsw();
