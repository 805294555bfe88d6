' FOR/NEXT with STEP, negative steps, DOWNTO, EXIT and nesting
DIM i, j, s
FOR i = 1 TO 10
  PRINT i; " ";
NEXT i
PRINT
FOR i = 10 TO 1 STEP -3
  PRINT i; " ";
NEXT i
PRINT
FOR i = 0 TO 100 STEP 25
  PRINT i; " ";
NEXT
PRINT
FOR i = 5 DOWNTO 1
  PRINT i; " ";
NEXT i
PRINT
s = 0
FOR i = 1 TO 100
  IF i * i > 50 THEN EXIT
  s = s + i
NEXT i
PRINT "exit at "; i; " sum "; s
s = 0
FOR i = 1 TO 4
  FOR j = i TO 4
    s = s + i * j
  NEXT j
NEXT i
PRINT s
FOR i = 3 TO 1
  PRINT "never"
NEXT i
PRINT "after empty loop "; i
