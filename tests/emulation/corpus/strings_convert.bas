' STR, HEX, VAL and string comparisons
DIM s$(40), t$(40)
DIM n
s$ = STR(12345)
PRINT s$; " "; LEN(s$)
s$ = STR(-42)
PRINT s$
s$ = HEX(48879)
PRINT s$
PRINT VAL("123") + 1; " "; VAL("-77"); " "; VAL("$1F"); " "; VAL("&H10"); " "; VAL("0x20"); " "; VAL("12ab"); " "; VAL(" 5")
t$ = "apple"
s$ = "banana"
PRINT STRCOMP(t$, s$); " "; STRCOMP(s$, t$); " "; STRCOMP(t$, "apple"); " "; STRCOMP("ab", "abc"); " "; STRCOMP("abc", "ab")
IF t$ < s$ THEN PRINT "apple first"
IF t$ = "apple" THEN PRINT "equal"
IF s$ <> t$ THEN PRINT "differ"
IF s$ > t$ THEN PRINT "banana after"
n = 3
s$ = "n=" + STR(n)
t$ = " hex=" + HEX(n * 100)
PRINT s$; t$
