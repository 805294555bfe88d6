#include <stdio.h>
int main(void) {
  volatile float g = 1.0f, s = 0.0f, t = 0.0f;
  for (int i = 1; i <= 2000000; i++) {
    g = (g + 2.0f / g) * 0.5f;
    t = (float)i;
    s = s * 0.5f + g + t / t;
  }
  printf("%.6g\n", s);
  return 0;
}
