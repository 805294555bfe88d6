' ABS and negation of integers
DIM a, b
a = -17
b = 17
PRINT ABS(a); " "; ABS(b); " "; ABS(0); " "; -a; " "; -b
a = -2147483647
PRINT ABS(a); " "; -a
FOR b = -3 TO 3
  PRINT ABS(b * 5 - 2); " ";
NEXT b
PRINT
