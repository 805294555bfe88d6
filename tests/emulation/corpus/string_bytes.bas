' strings as byte arrays: reading and writing single characters
DIM s$(30), r$(30)
DIM i, n, c
s$ = "Hello, World"
n = LEN(s$)
FOR i = 0 TO n - 1
  r$(i) = s$(n - 1 - i)
NEXT i
r$(n) = 0
PRINT r$
FOR i = 0 TO n - 1
  c = s$(i)
  IF c >= 97 AND c <= 122 THEN s$(i) = c - 32
NEXT i
PRINT s$
s$ = "attack at dawn"
FOR i = 0 TO LEN(s$) - 1
  c = s$(i)
  IF c >= 97 AND c <= 122 THEN s$(i) = (c - 97 + 13) MOD 26 + 97
NEXT i
PRINT s$
