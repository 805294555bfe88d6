' TIMER and WAIT: only the order of events is printed
DIM t0, t1
t0 = TIMER
WAIT(20)
t1 = TIMER
IF t1 - t0 >= 20 THEN PRINT "waited" ELSE PRINT "too short"
WAITMICRO(5)
PRINT "done"
