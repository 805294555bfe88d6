' pins through the firmware's routines, the inputs driven by a pin script:
' pin 5 goes high at 100 ms and low at 300 ms, AD channel 2 reads 512 from
' 200 ms; an output reads what the program drives
DIM t
FOR t = 0 TO 3
  PRINT t * 100; " ms: IN(5)="; IN(5); " AD(2)="; AD(2)
  WAIT(100)
NEXT t
DIR(7) = 1
OUT(7) = 1
PRINT "output 7 reads "; IN(7); ", direction "; DIR(7)
OUT(7) = 0
PRINT "output 7 reads "; IN(7)
