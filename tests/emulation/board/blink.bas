' blink the LED on pin 5 ten times, counting on the console
DIM i
OUTPUT(5)
FOR i = 1 TO 10
  HIGH(5)
  WAIT(100)
  LOW(5)
  WAIT(100)
  PRINT "blink "; i
NEXT i
END
