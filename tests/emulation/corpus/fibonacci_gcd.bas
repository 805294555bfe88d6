' Fibonacci numbers, greatest common divisor, factorials
DIM a, b, t, i, x, y
a = 0
b = 1
FOR i = 1 TO 40
  t = a + b
  a = b
  b = t
NEXT i
PRINT "fib 41 = "; b
x = 1071
y = 462
WHILE y <> 0
  t = x MOD y
  x = y
  y = t
LOOP
PRINT "gcd = "; x
t = 1
FOR i = 1 TO 12
  t = t * i
  PRINT t; " ";
NEXT i
PRINT
