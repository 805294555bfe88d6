' SINGLE corner cases: overflow to infinity, conversions out of range, tiny values
DIM x, y AS SINGLE
DIM k
x = 3.0E38
y = x * 10
PRINT y; " "; -y; " "; y / y
k = y
PRINT k
k = -y
PRINT k
x = 2147483000.0
k = x
PRINT k
x = 1.0E-30
y = x * 1.0E-30
PRINT x; " "; y
x = 16777216.0
y = x + 1
PRINT y - x
k = 1000000000
x = k
PRINT x
x = 0.1
y = 0.2
IF x + y = 0.3 THEN PRINT "equal" ELSE PRINT "not equal"
PRINT STR(x + y)
