' SELECT CASE with lists, ranges, relations and ELSE
DIM k, r
FOR k = -2 TO 12
  SELECT CASE k
  CASE 1
    r = 10
  CASE 2, 3
    r = 20
  CASE 4 TO 6
    r = 30
  CASE > 9
    r = 40
  CASE < 0
    r = 50
  CASE ELSE
    r = 0
  END SELECT
  PRINT k; ":"; r; " ";
NEXT k
PRINT
