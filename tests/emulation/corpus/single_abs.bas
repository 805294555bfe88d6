' ABS of SINGLE values clears the sign bit; negation flips it
DIM x, y AS SINGLE
DIM i
x = -2.5
y = 0.125
PRINT ABS(x); " "; ABS(y); " "; ABS(-x); " "; -ABS(x); " "; ABS(x - y)
x = -1.0E30
PRINT ABS(x); " "; ABS(x * 10); " "; ABS(x) / 1.0E29
FOR i = -2 TO 2
  x = i * 0.75
  y = ABS(x) - ABS(-x)
  PRINT ABS(x); " "; y; " ";
NEXT i
PRINT
x = 0.0
PRINT ABS(x); " "; -x; " "; ABS(-x)
