' arrays passed BYREF to routines
DIM a(10), n
DIM f(5) AS SINGLE
GOTO start
SUB fill(BYREF v(), BYVAL count)
  DIM i
  FOR i = 0 TO count - 1
    v(i) = i * i
  NEXT i
ENDSUB
FUNCTION total(BYREF v(), BYVAL count)
  DIM i, s
  s = 0
  FOR i = 0 TO count - 1
    s = s + v(i)
  NEXT i
  RETURN s
ENDFUNCTION
SUB halve(BYREF w() AS SINGLE, BYVAL count)
  DIM i
  FOR i = 0 TO count - 1
    w(i) = w(i) / 2
  NEXT i
ENDSUB
start:
fill(a, 10)
PRINT total(a, 10); " "; a(9)
f(0) = 1.0
f(1) = 3.0
halve(f, 2)
PRINT f(0); " "; f(1)
