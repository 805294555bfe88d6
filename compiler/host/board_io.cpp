// Printing, time, and the board's input/output, which the host reports as
// text lines instead of carrying out.
#include <cstdint>
#include <cstdio>

#include "core/clock.h"
#include "host/host_memory.h"
#include "host/interpreter.h"
#include "host/runtime.h"

void f_print() { printf("%d", vm.reg_accum); }

void f_printch() {
  vm.ch = static_cast<uint8_t>(vm.reg_accum & 0xFF);
  putchar(vm.ch);
}

void f_printstr() {
  uint32_t length = 0;
  const char *s = host_string(static_cast<uint32_t>(vm.reg_accum), length);
  if (s) fwrite(s, 1, length, stdout);
  fflush(stdout);
}

void f_printCR() {
  putchar('\n');
  fflush(stdout);
}

void f_printTAB() { putchar('\t'); }

bool wait_is_over(uint32_t start, uint32_t now, int32_t ms) {
  // The difference of two ticks is right across the counter's wrap.
  return ms <= 0 || now - start >= static_cast<uint32_t>(ms);
}

void f_wait() {
  // A fuzzing build bounds a run by operations, not by time: it does not
  // wait.
#ifndef OMBRIK_FUZZ_INSTRUCTION_BUDGET
  uint32_t start = getTickCount();
  while (!wait_is_over(start, getTickCount(), vm.reg_accum)) {
  }
#endif
}

void f_gettimer() { vm.reg_accum = static_cast<int32_t>(getTickCount()); }

void f_stop() { printf("STOP - hit run to continue\n"); }

// The read routines leave reg_accum alone: a simulated input returns the
// pin or channel that was asked for.
void f_bitin() {
  printf("read IO(%d)\n", vm.reg_accum);
  fflush(stdout);
}

void f_pbinbit() {
  printf("read IN(%d)\n", vm.reg_accum);
  fflush(stdout);
}

void f_adin() {
  printf("read AD(%d)\n", vm.reg_accum);
  fflush(stdout);
}

void f_rddirbit() {
  printf("read DIR(%d)\n", vm.reg_accum);
  fflush(stdout);
}

void f_bitout() {
  printf("set IO(%d)=%d\n", vm.reg_lindex, vm.reg_accum);
  fflush(stdout);
}

void f_pboutbit() {
  printf("set OUT(%d)=%d\n", vm.reg_lindex, vm.reg_accum);
  fflush(stdout);
}

void f_wrdirbit() {
  printf("set DIR(%d)=%d\n", vm.reg_lindex, vm.reg_accum);
  fflush(stdout);
}

void f_fwrite() {
  printf("write flash\n");
  fflush(stdout);
}

void f_intsw() {
  printf("interrupt %d\n", vm.reg_accum);
  fflush(stdout);
}
