' block IF with ELSEIF and ELSE, single-line IF/ELSE, nesting
DIM i
FOR i = 0 TO 6
  IF i = 0 THEN
    PRINT "zero"
  ELSEIF i = 1 THEN
    PRINT "one"
  ELSEIF i < 4 THEN
    PRINT "small "; i
  ELSE
    IF i MOD 2 = 0 THEN
      PRINT "big even "; i
    ELSE
      PRINT "big odd "; i
    ENDIF
  ENDIF
NEXT i
FOR i = 1 TO 3
  IF i = 2 THEN PRINT "two" ELSE PRINT "not two"
NEXT i
IF i = 4 THEN PRINT "four"
IF i = 5 THEN
  PRINT "five"
END IF
