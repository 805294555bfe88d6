' SINGLE arithmetic, conversions and printing
DIM x, y, z AS SINGLE
DIM i, k
x = 1.5
y = 0.1
z = x + y
PRINT z; " "; x - y; " "; x * y; " "; x / y
PRINT y * 3; " "; 1.0 / 3.0; " "; 2.0 / 3.0
x = 123456.7
PRINT x; " "; x * 1000; " "; x / 1000000
i = 7
z = i
PRINT z / 2
z = 9.99
k = z
PRINT k
z = -2.7
k = z
PRINT k; " "; z
x = 0.0
FOR i = 1 TO 10
  x = x + 0.1
NEXT i
PRINT x
PRINT 1E10; " "; 1.5E-5; " "; 3.0E38 * 10
