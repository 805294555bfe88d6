' GOTO and GOSUB to labels, RETURN, nested GOSUB, END inside the program
DIM count, depth
GOTO start
bump:
  count = count + 1
  RETURN
twice:
  GOSUB bump
  GOSUB bump
  RETURN
start:
count = 0
GOSUB bump
GOSUB twice
PRINT "count "; count
IF count = 3 THEN GOTO good
PRINT "bad"
good:
PRINT "good"
count = 0
again:
count = count + 1
IF count < 5 THEN GOTO again
PRINT "looped "; count
END
PRINT "never"
