' STRING functions, BYVAL and BYREF string parameters
DIM s$(40), t$(40)
GOTO start
FUNCTION greet(BYVAL who$(20)) AS STRING
  RETURN "hi " + who$
ENDFUNCTION
SUB shout(BYREF x$)
  x$ = x$ + "!"
ENDSUB
FUNCTION count_a(BYVAL w$(30))
  DIM i, n
  n = 0
  FOR i = 0 TO LEN(w$) - 1
    IF w$(i) = 97 THEN n = n + 1
  NEXT i
  RETURN n
ENDFUNCTION
start:
s$ = greet("there")
PRINT s$
t$ = "wow"
shout(t$)
shout(t$)
PRINT t$
PRINT count_a("banana"); " "; count_a("xyz")
