' PRINTF and SPRINTF with integer, string and character arguments
DIM s$(60), name$(20)
DIM i
name$ = "board"
PRINTF("plain text")
PRINTF("%d %i %x %X %o", 255, -3, 255, 255, 8)
PRINTF("[%5d] [%-5d] [%05d] [%+d]", 42, 42, 42, 42)
PRINTF("%s has %d pins", name$, 64)
PRINTF("%c%c%c", 79, 75, 33)
PRINTF("100%%")
FOR i = 1 TO 3
  s$ = SPRINTF("item %d of %d", i, 3)
  PRINT s$
NEXT i
s$ = SPRINTF("%s/%s", name$, "const")
PRINT s$; " "; LEN(s$)
