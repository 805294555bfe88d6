' compound assignments on scalars, array elements and SINGLEs
DIM a, b(5)
DIM f AS SINGLE
a = 10
a += 5
PRINT a
a -= 3
PRINT a
a *= 4
PRINT a
a /= 5
PRINT a
a AND= 6
PRINT a
a OR= 64
PRINT a
a XOR= 65
PRINT a
b(2) = 7
b(2) *= 6
b(2) += b(2)
PRINT b(2)
f = 1.5
f *= 2.0
f += 0.25
PRINT f
