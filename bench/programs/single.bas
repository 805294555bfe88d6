DIM i
DIM g, s, t AS SINGLE
g = 1.0
s = 0.0
FOR i = 1 TO 2000000
  g = (g + 2.0 / g) * 0.5
  t = i
  s = s * 0.5 + g + t / t
NEXT
PRINT s
