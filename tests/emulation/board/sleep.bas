' SLEEP waits until the next interrupt: here the timer's, every 50 ms
DIM ticks, i, t0
GOTO start
INTERRUPT SUB tick
  ticks = ticks + 1
ENDSUB
start:
t0 = TIMER
ON TIMER 50 tick
FOR i = 1 TO 4
  SLEEP
  PRINT "woke at "; TIMER - t0; " ms, ticks "; ticks
NEXT i
