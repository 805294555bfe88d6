' a plain SUB and a label as timer handlers: the firmware calls them as
' GOSUB would, keeping every register of the interrupted code
DIM ticks, labelled, i, sum
GOTO start
SUB count
  ticks = ticks + 1
ENDSUB
tock:
  labelled = labelled + 1
  RETURN
start:
ON TIMER 10 count
FOR i = 1 TO 200000
  sum = sum + i * 2 - i
NEXT i
PRINT "sum "; sum; " after "; TIMER; " ms, ticks "; ticks
ON TIMER 25 tock
WAIT(100)
PRINT "label ticks "; labelled; ", SUB ticks "; ticks
ON TIMER 0 tock
WAIT(100)
PRINT "after ON TIMER 0: "; labelled
