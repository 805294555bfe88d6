' SINGLE comparisons, negation and ABS
DIM x, y AS SINGLE
DIM n
x = 2.5
y = -0.5
IF x > y THEN PRINT "gt"
IF y < x THEN PRINT "lt"
IF x >= 2.5 THEN PRINT "ge"
IF y <= -0.5 THEN PRINT "le"
IF x <> y THEN PRINT "ne"
IF x = 2.5 THEN PRINT "eq"
PRINT -x; " "; -y; " "; ABS(y); " "; ABS(x)
n = 0
WHILE x > 0.0
  x = x - 0.75
  n = n + 1
LOOP
PRINT n; " "; x
y = 0.0
PRINT -y
