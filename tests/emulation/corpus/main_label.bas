' routines before MAIN:, calls between routines
DIM r
SUB tell(BYVAL v)
  PRINT "value "; v
ENDSUB
FUNCTION twice(BYVAL v)
  RETURN v * 2
ENDFUNCTION
FUNCTION quad(BYVAL v)
  RETURN twice(twice(v))
ENDFUNCTION
MAIN:
r = quad(5)
tell(r)
tell(twice(r) + 1)
