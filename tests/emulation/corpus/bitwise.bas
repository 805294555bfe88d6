' AND OR XOR NOT, shifts, hexadecimal and binary literals
DIM a, b, c
a = &HF0F0
b = %1010110
PRINT HEX(a AND b); " "; HEX(a OR b); " "; HEX(a XOR b); " "; HEX(NOT a)
PRINT a >> 4; " "; a << 3; " "; (-64) >> 2; " "; 1 << 31
c = 1
FOR b = 0 TO 8
  PRINT HEX(c << b); " ";
NEXT b
PRINT
a = &H12345678
PRINT HEX(a); " "; HEX(a >> 16); " "; HEX(a AND &HFFFF); " "; HEX((a >> 8) AND 255)
PRINT HEX(&HDEADBEEF); " "; HEX(&H80000000); " "; HEX(-1)
