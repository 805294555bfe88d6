// ON statements: interrupt handlers for TIMER and the external interrupts.
#pragma once

// Reports its own errors; the caller's end-of-statement check follows.
int do_interrupt();
