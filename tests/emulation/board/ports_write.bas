' port pins driven through the GPIO registers, and read back; RUN reports
' the same operations in the same words (it gives a read the pin's number,
' the board the pin's level, so the values read are not printed here)
DIM i, v
FOR i = 0 TO 3
  P0(i) = i AND 1
NEXT i
P1(7) = 1
P1(7) = 0
v = P0(9)
PRINT "read port 0"
v = P1(2)
PRINT "read port 1"
