DIM i, n
DIM s$(40)
n = 0
FOR i = 1 TO 200000
  s$ = "abc" + "def" + STR(i)
  n += LEN(s$)
NEXT
PRINT n
