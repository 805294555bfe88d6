' string building from mixed pieces, SINGLE to text, comparisons in loops
DIM s$(100), t$(100), u$(100)
DIM i, n
DIM f AS SINGLE
s$ = ""
FOR i = 1 TO 5
  t$ = STR(i * i)
  s$ = s$ + t$ + ","
NEXT i
PRINT s$
f = 2.5
u$ = STR(f * 3)
PRINT u$; " "; LEN(u$)
n = 0
t$ = "m"
FOR i = 97 TO 122
  u$ = CHR(i)
  IF STRCOMP(u$, t$) < 0 THEN n = n + 1
NEXT i
PRINT n
s$ = "x" + HEX(255) + "y" + CHR(48)
PRINT s$
u$ = LEFT(s$, 2) + RIGHT(s$, 2)
PRINT u$
