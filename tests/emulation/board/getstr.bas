' text input from standard input
DIM name$(40) AS STRING
DEBUGIN name$
PRINT "hello, "; name$
DEBUGIN name$
PRINT "and "; name$; "!"
