' deeply nested loops, conditions and selections
DIM a, b, c, d, e, n, w
n = 0
FOR a = 1 TO 3
  FOR b = 1 TO 3
    WHILE w < b
      w = w + 1
      FOR c = 1 TO 2
        DO
          d = d + 1
          IF a = b THEN
            IF b = c THEN
              SELECT CASE d MOD 3
              CASE 0
                FOR e = 1 TO 2
                  IF e = 2 THEN
                    n = n + 100
                  ELSE
                    n = n + 10
                  ENDIF
                NEXT e
              CASE 1
                n = n + 1
              CASE ELSE
                n = n - 1
              END SELECT
            ENDIF
          ELSEIF a < b THEN
            n = n + 2
          ENDIF
        UNTIL d MOD 2 = 0
      NEXT c
    LOOP
    w = 0
  NEXT b
NEXT a
PRINT n; " "; d
