' LEFT and RIGHT with counts beyond the string, zero and negative counts
DIM s$(40), t$(40)
DIM n
s$ = "abcdefghij"
t$ = LEFT(s$, 3)
PRINT t$; "|"; LEFT(s$, 10); "|"; LEFT(s$, 15); "|"; LEFT(s$, 0); "|"; LEFT(s$, -2); "|"
PRINT RIGHT(s$, 3); "|"; RIGHT(s$, 10); "|"; RIGHT(s$, 15); "|"; RIGHT(s$, 0); "|"; RIGHT(s$, -1); "|"
n = 200
PRINT LEFT(s$, n); "|"; RIGHT(s$, n); "|"
n = 256
PRINT LEFT(s$, n); "|"; RIGHT(s$, n); "|"
n = 259
PRINT LEFT(s$, n); "|"
t$ = ""
PRINT LEN(t$); "|"; LEFT(t$, 4); "|"; RIGHT(t$, 4); "|"
