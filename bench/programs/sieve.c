#include <stdio.h>
static volatile int flags[8191];
int main(void) {
  int count = 0;
  for (int pass = 1; pass <= 100; pass++) {
    count = 0;
    for (int i = 0; i <= 8190; i++) flags[i] = 1;
    for (int i = 0; i <= 8190; i++)
      if (flags[i]) {
        int prime = i + i + 3;
        for (int k = i + prime; k <= 8190; k += prime) flags[k] = 0;
        count++;
      }
  }
  printf("%d\n", count);
  return 0;
}
