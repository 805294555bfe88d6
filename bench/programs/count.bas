DIM i, x
x = 0
FOR i = 1 TO 10000000
  x = (x + i) AND 65535
NEXT
PRINT x
