' counts with a helper from a library
DIM x, y
GOTO start
#include "lib/util.bas"
start:
x = 101
y = 102
GOSUB twice
PRINT x; " "; y
END
