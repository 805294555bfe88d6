' STOP prints its message and execution goes on
DIM a
a = 1
PRINT "before"
STOP
a = a + 1
PRINT "after "; a
