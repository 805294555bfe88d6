// Host execution of the recorded operation stream: the register machine's
// registers, its stack and the interpreter that walks INT_ops/INT_addrs.
#pragma once
#include <cstdint>

// The registers stay 32 bits wide: an address in a register is a tagged
// reference into one of the host memory windows (host/host_memory.h), never
// a host pointer.
extern int32_t reg_accum;
extern int32_t reg_operand;
extern int32_t reg_lindex;
extern int32_t reg_next;
extern int32_t reg_strscratch;

// Index of the operation being executed; the runtime routines quote it in
// their error stops.
extern uint32_t iCSP;

constexpr int32_t STACK_WORDS = 1024;
extern int32_t stack[STACK_WORDS];
// Next free word of stack; the stack grows upward.
extern int32_t StkPtr;

// reg_accum when the program reached END.
extern int32_t last_accum;

// Runs the stream from index 0 until END, an unknown operation or an error
// stop. The stream is the fCODE units recorded so far.
void runINT();
