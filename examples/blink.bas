' Blinks the LED and counts on the console.
'   ombrik run examples/blink.bas                (on the PC)
'   ombrik build examples/blink.bas -t boards/sim-cortex.table -D BLINKS=3
#include "pins.inc"
#ifndef BLINKS
#define BLINKS 10
#endif
DIM i
OUTPUT(LED)
FOR i = 1 TO BLINKS
  HIGH(LED)
  WAIT(PAUSE)
  LOW(LED)
  WAIT(PAUSE)
  PRINT "blink "; i
NEXT i
END
