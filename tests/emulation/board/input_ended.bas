' GETSTR when the input has ended: the board would wait for ever
DIM s$(20) AS STRING
PRINT "reading"
DEBUGIN s$
PRINT "never printed"
