DIM a, b
a = 6
b = 7
PRINT "hello"; a * b
PRINT a, b
