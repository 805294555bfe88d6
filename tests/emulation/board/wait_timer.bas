' WAIT and WAITMICRO pass simulated time, which TIMER reads in ms; the
' instructions between them take time too (one per cycle)
DIM t0, i
t0 = TIMER
WAIT(250)
PRINT "after WAIT(250): "; TIMER - t0
FOR i = 1 TO 20
  WAITMICRO(500)
NEXT i
PRINT "after 20 x WAITMICRO(500): "; TIMER - t0
WAIT(0)
WAIT(-5)
PRINT "WAIT(0) and WAIT(-5) take no time: "; TIMER - t0
