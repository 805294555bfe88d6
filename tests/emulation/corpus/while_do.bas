' WHILE/LOOP and DO/UNTIL with EXIT
DIM n, steps
n = 27
steps = 0
WHILE n <> 1
  IF n MOD 2 = 0 THEN
    n = n / 2
  ELSE
    n = 3 * n + 1
  ENDIF
  steps = steps + 1
LOOP
PRINT "collatz 27: "; steps
n = 0
DO
  n = n + 7
UNTIL n > 100
PRINT n
n = 0
DO
  n = n + 1
  IF n = 13 THEN EXIT
UNTIL n > 1000
PRINT n
n = 0
WHILE 1
  n = n + 1
  IF n >= 5 THEN EXIT
LOOP
PRINT n
WHILE 0
  PRINT "never"
LOOP
