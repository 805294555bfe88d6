' SPRINTF results stored, measured and combined
DIM s$(80), t$(80)
DIM i
s$ = ""
FOR i = 1 TO 4
  t$ = SPRINTF("<%d:%x>", i * 11, i * 255)
  s$ = s$ + t$
NEXT i
PRINT s$; " "; LEN(s$)
t$ = SPRINTF("%08x|%-6s|%3c", 48879, "ab", 90)
PRINT t$
