' square roots by Newton's method in SINGLE, a series for e
DIM x, g, e, term AS SINGLE
DIM i, n
FOR n = 2 TO 10 STEP 4
  x = n
  g = x / 2
  FOR i = 1 TO 8
    g = (g + x / g) / 2
  NEXT i
  PRINT n; " "; g
NEXT n
e = 1.0
term = 1.0
FOR i = 1 TO 10
  term = term / i
  e = e + term
NEXT i
PRINT e
