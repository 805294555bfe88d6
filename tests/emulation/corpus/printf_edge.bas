' PRINTF corner cases: star widths, precisions, flags, unknown conversions
DIM w, s$(255)
w = -6
PRINTF("[%*d] [%*d] [%.*d]", 5, 42, w, 42, 4, 7)
PRINTF("[%.3s] [%5s] [%-5s|] [%5.1s]", "abcdef", "ab", "ab", "xyz")
PRINTF("[%u] [%#x] [%#o] [% d] [%+d]", -1, 255, 8, 5, -5)
PRINTF("[%ld] [%q] [%5%] [%-c|]", 1, 2, 65)
PRINTF("[%+.2e] [%G] [%#.0f] [%010.3f]", 1234.5, 0.00001, 3.0, -2.5)
PRINTF("[%300d]", 1)
s$ = SPRINTF("%200s%100s", "aa", "bb")
PRINT LEN(s$)
PRINTF("%d %d %d %d %d %d %d %d %d %d %d %d %d %d", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14)
