' the two GPIO ports of the ARM7 board, driven and read through their
' registers
DIM i, v
FOR i = 28 TO 31
  P1(i) = (i AND 2) / 2
NEXT i
P0(0) = 1
v = P0(0)
PRINT "read pin 0 of port 0"
P0(0) = 0
