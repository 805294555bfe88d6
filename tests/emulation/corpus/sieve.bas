' sieve of Eratosthenes
DIM flags(201) AS BYTE
DIM i, j, count
FOR i = 2 TO 200
  flags(i) = 1
NEXT i
FOR i = 2 TO 14
  IF flags(i) THEN
    FOR j = i * i TO 200 STEP i
      flags(j) = 0
    NEXT j
  ENDIF
NEXT i
count = 0
FOR i = 2 TO 200
  IF flags(i) THEN
    PRINT i; " ";
    count = count + 1
  ENDIF
NEXT i
PRINT
PRINT count; " primes"
