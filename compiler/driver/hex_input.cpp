#include <cstdio>
#include <cstring>

#include "driver/driver.h"

int32_t hexdig2num(char c) {
  signed char s = static_cast<signed char>(c);
  if (s <= '9') return s - '0';
  return (s & 0x4F) - 0x37;
}

void check_hex_record(const char *text) {
  size_t len = strlen(text);
  // Two hexadecimal digits from column col (0-based); 0 past the line's end.
  auto byte_at = [&](size_t col) -> int32_t {
    if (col + 1 >= len) return 0;
    return hexdig2num(text[col]) * 16 + hexdig2num(text[col + 1]);
  };
  int32_t n = byte_at(1);
  int32_t address = byte_at(3) * 256 + byte_at(5);
  int32_t sum = (address >> 8) + address + n;
  for (int32_t k = 0; k <= n; k++) {
    size_t col = 9 + 2 * static_cast<size_t>(k);
    if (col + 1 >= len) break;
    sum += byte_at(col);
  }
  printf("\nchksum = %x\n", static_cast<unsigned>(sum & 0xFF));
}
