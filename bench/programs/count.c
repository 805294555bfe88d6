#include <stdio.h>
int main(void) {
  volatile int x = 0;
  for (int i = 1; i <= 10000000; i++) x = (x + i) & 65535;
  printf("%d\n", x);
  return 0;
}
