' PRINT separators, empty PRINT, trailing ; and , and CHR items
DIM a, b
a = 1
b = 2
PRINT a, b, a + b
PRINT a; b; a + b
PRINT "x";
PRINT "y",
PRINT "z"
PRINT
PRINT CHR(65); CHR(66), CHR(67)
PRINT "tab", "end"
PRINT -5; -6
