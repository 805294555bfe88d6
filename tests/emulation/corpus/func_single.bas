' SINGLE functions and SINGLE parameters
DIM r AS SINGLE
DIM i
GOTO start
FUNCTION half(BYVAL x AS SINGLE) AS SINGLE
  RETURN x / 2.0
ENDFUNCTION
FUNCTION poly(BYVAL x AS SINGLE) AS SINGLE
  RETURN x * x * 3.0 - x + 0.5
ENDFUNCTION
FUNCTION area(w, h) AS SINGLE
  DIM t AS SINGLE
  t = w * h
  RETURN t / 2
ENDFUNCTION
start:
r = half(5.0)
PRINT r
FOR i = 0 TO 4
  PRINT poly(i); " ";
NEXT i
PRINT
PRINT area(3, 5); " "; half(poly(2.0))
