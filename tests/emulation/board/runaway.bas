' a loop that never ends, stopped by --max-instructions
DIM n
again:
n = n + 1
GOTO again
