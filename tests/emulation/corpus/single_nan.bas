' NaN from invalid SINGLE operations, passed on through further operations,
' negated and converted: the board's routines answer with one NaN
DIM x, y, z AS SINGLE
DIM k
x = 3.0E38
x = x * 10
y = x - x
PRINT y; " "; x * 0; " "; 0 - y; " "; -y; " "; y + 1E10
z = ABS(y) - y
PRINT z; " "; y * y; " "; y / x
k = y
PRINT k
z = 1.5
z *= ABS(x) - x
PRINT z; " "; STR(z)
IF y = y THEN PRINT "equal" ELSE PRINT "unordered"
