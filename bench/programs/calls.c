#include <stdio.h>
__attribute__((noinline)) static int add(int a, int b) { return (a + b) & 65535; }
int main(void) {
  volatile int s = 0;
  for (int i = 1; i <= 2000000; i++) s = add(s, i);
  printf("%d\n", s);
  return 0;
}
