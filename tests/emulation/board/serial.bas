' the serial port: RXD reads standard input a byte at a time (-1 at its
' end), TXD on port 0 writes to the console
DIM c
c = RXD(0)
WHILE c <> -1
  TXD(0) = c + 1
  c = RXD(0)
LOOP
PRINT "end"
