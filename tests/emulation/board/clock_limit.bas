' a program that runs for ever in simulated time, stopped by --max-time
DIM n
DO
  n = n + 1
  PRINT "tick "; n
  WAIT(300)
LOOP
