' port pins read through the GPIO registers while a pin script drives
' them: -1 for a high pin, 0 for a low one
DIM t
FOR t = 1 TO 3
  WAIT(50)
  PRINT TIMER; " ms: P0(3)="; P0(3); " P1(16)="; P1(16); " P4(30)="; P4(30)
NEXT t
