' comparisons and logical operators in expressions and conditions
DIM a, b, r
FOR a = -2 TO 2
  FOR b = -1 TO 1
    r = (a = b) + 2 * (a < b) + 4 * (a > b) + 8 * (a <= b) + 16 * (a >= b) + 32 * (a <> b)
    PRINT a; ","; b; "="; r; " ";
  NEXT b
  PRINT
NEXT a
a = 5
b = 0
IF a > 3 AND b = 0 THEN PRINT "and ok"
IF a < 3 OR b = 0 THEN PRINT "or ok"
IF NOT (a = 3) THEN PRINT "not ok"
IF a > 3 AND b > 3 THEN PRINT "wrong" ELSE PRINT "else ok"
IF a XOR b THEN PRINT "xor"
