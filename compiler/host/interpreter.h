// Host execution of the recorded operation stream: the register machine's
// registers, its stack and the interpreter that walks INT_ops/INT_addrs.
#pragma once
#include <cstdint>

constexpr int32_t STACK_WORDS = 1024;
extern int32_t stack[STACK_WORDS];

// The register machine on the host, and what the runtime routines keep
// between calls.
struct HostMachine {
  // The registers stay 32 bits wide: an address in a register is a tagged
  // reference into one of the host memory windows (host/host_memory.h),
  // never a host pointer.
  int32_t reg_accum = 0;
  int32_t reg_operand = 0;
  int32_t reg_lindex = 0;
  int32_t reg_next = 0;
  int32_t reg_strscratch = 0;
  // Index of the operation being executed; the runtime routines quote it
  // in their error stops.
  uint32_t iCSP = 0;
  // Next free word of stack; the stack grows upward.
  int32_t StkPtr = 0;
  // reg_accum when the program reached END.
  int32_t last_accum = 0;
  // Set by an error stop of a runtime routine; the interpreter ends the
  // run when it sees it.
  uint8_t run_stopped = 0;
  // Write position in the string accumulator (0 to 255) of the string
  // being built.
  int32_t str_aptr = 0;
  // SINGLE copies of the two operands, for the comparisons.
  float f_accum = 0.0f;
  float f_operand = 0.0f;
  // The last character f_printch printed.
  uint8_t ch = 0;
};
extern HostMachine vm;

// The machine as at start-up: registers, stack and variable area cleared.
// RUN does not call it: a second RUN sees what the first one left.
void reset_host_machine();

// Runs the stream from index 0 until END, an unknown operation or an error
// stop. The stream is the fCODE units recorded so far.
void runINT();
