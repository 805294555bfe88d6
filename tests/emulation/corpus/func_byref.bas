' BYREF INTEGER and SINGLE parameters change the caller's variables
DIM a, b
DIM f AS SINGLE
GOTO main_part
SUB swap_ints(BYREF x, BYREF y)
  DIM t
  t = x
  x = y
  y = t
ENDSUB
SUB scale(BYREF v AS SINGLE, BYVAL k AS SINGLE)
  v = v * k
ENDSUB
SUB bump(BYREF n)
  n = n + 1
ENDSUB
main_part:
a = 1
b = 2
swap_ints(a, b)
PRINT a; " "; b
f = 1.5
scale(f, 4.0)
PRINT f
bump(a)
bump(a)
PRINT a
