' 3x3 matrix product in flat arrays, Pascal's triangle
DIM a(9), b(9), c(9), i, j, k, s
DIM row(12)
FOR i = 0 TO 8
  a(i) = i + 1
  b(i) = 9 - i
NEXT i
FOR i = 0 TO 2
  FOR j = 0 TO 2
    s = 0
    FOR k = 0 TO 2
      s = s + a(i * 3 + k) * b(k * 3 + j)
    NEXT k
    c(i * 3 + j) = s
    PRINT s; " ";
  NEXT j
  PRINT
NEXT i
row(0) = 1
FOR i = 1 TO 10
  row(i) = 1
  FOR j = i - 1 DOWNTO 1
    row(j) = row(j) + row(j - 1)
  NEXT j
NEXT i
FOR i = 0 TO 10
  PRINT row(i); " ";
NEXT i
PRINT
