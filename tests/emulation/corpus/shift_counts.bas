' Shifts by counts in variables and in constants, below, at and above 32:
' the count is the low byte of the right operand on the board and on RUN
DIM n, v, k
v = 1
FOR n = 0 TO 40 STEP 5
  PRINT HEX(v << n); " "; HEX(&H80000000 >> n); " "; HEX(&H40000000 >> n); " ";
NEXT n
PRINT
FOR k = 0 TO 7
  n = 30 + k
  PRINT n; ":"; 1 << n; ","; 256 >> n; ","; (-256) >> n; " ";
NEXT k
PRINT
n = 255
PRINT 1 << n; " "; (-5) >> n; " "; 5 >> n
n = 256
PRINT 1 << n; " "; (-5) >> n; " "; 5 >> n
n = 257
PRINT 1 << n; " "; (-5) >> n; " "; 5 >> n
n = -1
PRINT 1 << n; " "; (-5) >> n; " "; 5 >> n
n = -255
PRINT 1 << n; " "; (-5) >> n; " "; 5 >> n
PRINT 1 << 35; " "; 256 >> 40; " "; (-256) >> 40; " "; 1 << 256; " "; 1 << 257; " "; 7 >> 258
PRINT 1 << 31; " "; &H80000000 >> 31; " "; 3 << 33
PRINT v << 33; " "; (-v) >> 40; " "; v << 31; " "; n >> 300; " "; n << 3
