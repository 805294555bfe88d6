' INTEGER, SINGLE and BYTE arrays with constant and computed indexes
DIM a(20), i
DIM f(10) AS SINGLE
DIM b(16) AS BYTE
FOR i = 0 TO 20
  a(i) = i * 3 - 7
NEXT i
PRINT a(0); " "; a(5); " "; a(20); " "; a(a(5))
FOR i = 0 TO 10
  f(i) = i / 4.0
NEXT i
PRINT f(1); " "; f(10); " "; f(3) + f(7)
FOR i = 0 TO 15
  b(i) = i * 37
NEXT i
FOR i = 0 TO 15
  PRINT b(i); " ";
NEXT i
PRINT
a(3) += 100
a(4) *= 2
PRINT a(3); " "; a(4)
