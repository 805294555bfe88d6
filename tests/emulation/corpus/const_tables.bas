' CONST values, word and byte tables and constant strings
CONST LIMIT = 12
CONST BIG = 100000
CONST DAYS = {31, 28, 31, 30,
 31, 30, 31, 31, 30, 31, 30, 31}
CONST NAMES AS BYTE = {74, 70, 77, 65}
CONST GREETING = "hi there"
DIM m, total
total = 0
FOR m = 0 TO LIMIT - 1
  total += DAYS(m)
NEXT
PRINT total; " "; BIG * 3; " "; LIMIT
FOR m = 0 TO 3
  PRINT NAMES(m); " ";
NEXT m
PRINT
PRINT GREETING
PRINTF("%s: %d", GREETING, DAYS(1))
