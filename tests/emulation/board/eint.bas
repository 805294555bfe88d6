' ON EINT0 RISE: an INTERRUPT SUB counts the rising edges the pin script
' gives pin 16 (EINT0)
DIM edges
GOTO start
INTERRUPT SUB edge
  edges = edges + 1
ENDSUB
start:
ON EINT0 RISE edge
WAIT(100)
PRINT "edges by 100 ms: "; edges
WAIT(400)
PRINT "edges by 500 ms: "; edges
