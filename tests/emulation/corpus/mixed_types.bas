' integers and SINGLEs in one expression, conversions both ways
DIM f, g AS SINGLE
DIM i, j
i = 10
f = i / 4
PRINT f
f = i
g = f / 4
PRINT g
j = g * 3
PRINT j
g = 3 + i * 0.5
PRINT g
i = g + 0.9
PRINT i
f = 1
FOR i = 1 TO 10
  f = f * i
NEXT i
PRINT f
