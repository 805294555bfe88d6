' counts with a routine from an included file
DIM total, count
GOTO start
#include "lib/step.bas"
start:
total = 5
count = 0
GOSUB add_one
GOSUB add_one
total = total * 10
PRINT total; " "; count
END
