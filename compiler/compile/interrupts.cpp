#include "compile/interrupts.h"

#include "frontend/diagnostics.h"

// Interrupt set-up is not compiled yet; an ON line is refused rather than
// left out of the program without a word.
int do_interrupt() {
  print_error_ln("ON is not supported yet");
  return 0;
}
