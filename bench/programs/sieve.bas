DIM flags(8191), i, k, prime, count, pass
FOR pass = 1 TO 100
  count = 0
  FOR i = 0 TO 8190
    flags(i) = 1
  NEXT
  FOR i = 0 TO 8190
    IF flags(i) THEN
      prime = i + i + 3
      k = i + prime
      WHILE k <= 8190
        flags(k) = 0
        k += prime
      LOOP
      count += 1
    ENDIF
  NEXT
NEXT
PRINT count
