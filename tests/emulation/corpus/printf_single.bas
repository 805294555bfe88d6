' PRINTF with SINGLE arguments
DIM x, y AS SINGLE
x = 3.25
y = -0.125
PRINTF("%f %f", x, y)
PRINTF("%.2f|%8.3f|%e|%g", x, x, y, y)
PRINTF("%d %f", 7, x * 2)
