' integer arithmetic: + - * / MOD, unary minus, precedence, wrap-around
DIM a, b, c
a = 1000
b = -37
PRINT a + b; " "; a - b; " "; a * b; " "; a / b; " "; a MOD b
PRINT b / 5; " "; b MOD 5; " "; -b MOD 5; " "; (-7) / 2; " "; (-7) MOD 2
c = a * a * a * 3
PRINT c
c = 2147483647
c = c + 1
PRINT c; " "; c - 1
PRINT 2 + 3 * 4 - 10 / 3; " "; (2 + 3) * (4 - 10) / 3
a = 12345
b = 0
WHILE a > 0
  b = b + a MOD 10
  a = a / 10
LOOP
PRINT "digit sum "; b
PRINT -a - -b; " "; - (a + b)
