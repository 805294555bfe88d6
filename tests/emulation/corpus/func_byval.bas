' FUNCTION with BYVAL parameters and INTEGER results, SUB without parameters
DIM total
GOTO over
FUNCTION add3(a, b, c)
  RETURN a + b + c
ENDFUNCTION
FUNCTION square(BYVAL x AS INTEGER)
  DIM r
  r = x * x
  RETURN r
ENDFUNCTION
SUB hello()
  PRINT "hello from sub"
ENDSUB
over:
total = add3(1, 2, 3)
PRINT total
PRINT square(12); " "; square(-5) + add3(10, 20, 30)
hello
hello()
PRINT square(square(3))
