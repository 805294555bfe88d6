' CRC-32 of a string, bit by bit
DIM s$(40)
DIM crc, i, j, c
s$ = "123456789"
crc = &HFFFFFFFF
FOR i = 0 TO LEN(s$) - 1
  c = s$(i)
  crc = crc XOR c
  FOR j = 1 TO 8
    IF crc AND 1 THEN
      crc = ((crc >> 1) AND &H7FFFFFFF) XOR &HEDB88320
    ELSE
      crc = (crc >> 1) AND &H7FFFFFFF
    ENDIF
  NEXT j
NEXT i
crc = NOT crc
PRINT HEX(crc)
