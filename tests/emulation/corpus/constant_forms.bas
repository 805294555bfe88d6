' constants of every size: one MOVS, MOVS+MVNS, and pool loads
DIM a, b
a = 0
PRINT a; " "; 255; " "; 256; " "; -1; " "; -256; " "; -257; " "; 65535; " "; 65536
a = 200
b = -200
PRINT a + 1; " "; b - 1; " "; a * b
a = 2147483647
b = -2147483648
PRINT a; " "; b; " "; a + b
PRINT 1 + 255; " "; 1 - 256; " "; 1000 * 1000; " "; &H7F; " "; &HFF00FF00
