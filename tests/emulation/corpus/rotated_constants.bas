' constants that fit an 8-bit value rotated by an even amount, their
' complements, and values that fit neither, into both operand registers
DIM a, b, c
a = 1020
b = &HFF000000
c = &HF000000F
PRINT a; " "; b; " "; c; " "; &H3FC00; " "; &HAB0000; " "; &H80000000
a = -1
b = -256
c = -1021
PRINT a; " "; b; " "; c; " "; &HFFFFF00F; " "; -&H10000
a = 257
b = &H12345678
c = &H00FF00FF
PRINT a; " "; b; " "; c; " "; 1021; " "; &H1FE; " "; &H1FE0
a = 7
PRINT a + 1020; " "; a - &HFF000000; " "; a * -256; " "; a + &H12345678; " "; a AND &HF000000F
PRINT a XOR -1021; " "; a OR &HAB0000; " "; a - 257; " "; a + -1; " "; a * 65535
IF a + 1020 = 1027 THEN PRINT "eq" ELSE PRINT "ne"
IF b = &H12345678 THEN PRINT "eq" ELSE PRINT "ne"
IF c <> &H00FF00FF THEN PRINT "ne" ELSE PRINT "eq"
