' string assignment, concatenation, LEN, LEFT, RIGHT, CHR
DIM a$(40), b$(40), c$(80)
DIM n
a$ = "Hello"
b$ = "World"
c$ = a$ + ", " + b$ + CHR(33)
PRINT c$
PRINT LEN(c$); " "; LEN(a$); " "; LEN("")
PRINT LEFT(c$, 5); "|"; RIGHT(c$, 6); "|"; LEFT(c$, 0); "|"
FOR n = 1 TO 5
  PRINT LEFT(a$, n); " "; RIGHT(b$, n)
NEXT n
c$ = ""
FOR n = 65 TO 75
  c$ = c$ + CHR(n)
NEXT n
PRINT c$
