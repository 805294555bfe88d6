' ON TIMER with an INTERRUPT SUB that counts ticks: a tick every 100 ms,
' during WAIT as during a busy loop
DIM ticks, t0
GOTO start
INTERRUPT SUB tick
  ticks = ticks + 1
ENDSUB
start:
ON TIMER 100 tick
WAIT(1000)
PRINT "ticks after 1000 ms: "; ticks
t0 = TIMER
WHILE TIMER - t0 < 200
LOOP
PRINT "ticks after 200 ms more: "; ticks
