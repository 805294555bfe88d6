' perfect numbers, prime factors, integer square root, bit counts
DIM n, d, s, x, y, c
FOR n = 2 TO 500
  s = 1
  FOR d = 2 TO n / 2
    IF n MOD d = 0 THEN s = s + d
  NEXT d
  IF s = n THEN PRINT "perfect "; n
NEXT n
n = 360360
d = 2
WHILE n > 1
  IF n MOD d = 0 THEN
    PRINT d; " ";
    n = n / d
  ELSE
    d = d + 1
  ENDIF
LOOP
PRINT
n = 1000000
x = n
y = (x + 1) / 2
WHILE y < x
  x = y
  y = (x + n / x) / 2
LOOP
PRINT "isqrt "; x
n = &HF0F0F0F
c = 0
WHILE n <> 0
  c = c + (n AND 1)
  n = (n >> 1) AND &H7FFFFFFF
LOOP
PRINT "bits "; c
