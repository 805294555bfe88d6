' division by zero stops the program with the code address
DIM a, b
a = 10
PRINT "dividing"
PRINT a / b
