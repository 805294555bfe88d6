#include <stdio.h>
#include <string.h>
int main(void) {
  char s[64];
  long n = 0;
  for (int i = 1; i <= 200000; i++) {
    snprintf(s, sizeof s, "abcdef%d", i);
    n += (long)strlen(s);
  }
  printf("%ld\n", n);
  return 0;
}
