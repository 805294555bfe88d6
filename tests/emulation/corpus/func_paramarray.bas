' PARAMARRAY: a variable number of arguments
DIM r
GOTO start
FUNCTION sum(PARAMARRAY v)
  DIM i, s
  s = 0
  FOR i = 0 TO v(15)
    s = s + v(i)
  NEXT i
  RETURN s
ENDFUNCTION
SUB show(PARAMARRAY p)
  DIM i
  FOR i = 0 TO p(15)
    PRINT p(i); " ";
  NEXT i
  PRINT "("; p(15) + 1; ")"
ENDSUB
start:
r = sum(1, 2, 3, 4, 5)
PRINT r
PRINT sum(100); " "; sum(1, 1, 1, 1, 1, 1, 1, 1, 1, 1)
show(9, 8, 7)
show(42)
