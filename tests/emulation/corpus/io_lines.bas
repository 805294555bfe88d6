' simulated pin input/output: OUT, IN, DIR, AD, IO. RUN gives a read the
' pin's number as its value and the board the pin's level, so the values
' read are not printed here (the pin programs in board/ print them).
DIM i, v
FOR i = 0 TO 3
  OUT(i) = i AND 1
NEXT i
DIR(7) = 1
v = IN(5)
PRINT "in"
v = AD(2)
PRINT "ad"
v = DIR(7)
IO(12) = 1
IO(12) = 0
P1(3) = 1
