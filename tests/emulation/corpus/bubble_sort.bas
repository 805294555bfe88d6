' bubble sort and binary search on an integer array
DIM v(20), i, j, t, n, lo, hi, mid, key
n = 20
t = 7
FOR i = 0 TO n - 1
  t = (t * 1103515245 + 12345) AND &H7FFFFFFF
  v(i) = t MOD 1000
NEXT i
FOR i = 0 TO n - 2
  FOR j = 0 TO n - 2 - i
    IF v(j) > v(j + 1) THEN
      t = v(j)
      v(j) = v(j + 1)
      v(j + 1) = t
    ENDIF
  NEXT j
NEXT i
FOR i = 0 TO n - 1
  PRINT v(i); " ";
NEXT i
PRINT
key = v(13)
lo = 0
hi = n - 1
WHILE lo <= hi
  mid = (lo + hi) / 2
  IF v(mid) = key THEN EXIT
  IF v(mid) < key THEN
    lo = mid + 1
  ELSE
    hi = mid - 1
  ENDIF
LOOP
PRINT "found "; key; " at "; mid
