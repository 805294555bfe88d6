#define A B B
#define B C C
#define C D D
x = A
#if
#endif extra
#else
#include nothing
