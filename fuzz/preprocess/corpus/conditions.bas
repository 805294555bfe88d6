#if (1 + 2) * 3 = 9 AND %101 = 5 AND $F0 >> 4 = 15
REM LED
#elif 1 / 0
#endif
#error done
# 10 "x.bas"
#pragma once
