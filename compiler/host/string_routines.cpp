// String routines: the string accumulator, string comparison and the
// conversions between numbers and text.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/host_memory.h"
#include "host/interpreter.h"
#include "host/runtime.h"

namespace {

// Longest string the accumulator holds; its 256th byte is the NUL.
constexpr uint32_t STR_MAX = STR_ACCUM_SIZE - 1;

char *accum() { return reinterpret_cast<char *>(g_var_seg) + str_accum_offset(); }

uint32_t write_position() {
  if (vm.str_aptr < 0) return 0;
  if (static_cast<uint32_t>(vm.str_aptr) > STR_MAX) return STR_MAX;
  return static_cast<uint32_t>(vm.str_aptr);
}

// The count of LEFT and RIGHT, kept inside the string.
uint32_t clamped_count(int32_t n, uint32_t length) {
  if (n <= 0) return 0;
  return static_cast<uint32_t>(n) > length ? length : static_cast<uint32_t>(n);
}

}  // namespace

void append_to_accum(const char *text, uint32_t length) {
  char *a = accum();
  uint32_t pos = write_position();
  if (length > STR_MAX - pos) length = STR_MAX - pos;
  // The text may lie in the accumulator itself.
  memmove(a + pos, text, length);
  pos += length;
  a[pos] = 0;
  vm.str_aptr = static_cast<int32_t>(pos);
}

void f_newstr() {
  vm.str_aptr = 0;
  accum()[0] = 0;
}

void f_addstr() {
  uint32_t length = 0;
  const char *s = host_string(static_cast<uint32_t>(vm.reg_accum), length);
  if (s) append_to_accum(s, length);
}

void f_addsbyte() {
  char c = static_cast<char>(vm.reg_accum & 0xFF);
  append_to_accum(&c, 1);
}

void f_savestr() {
  uint32_t avail = 0;
  uint8_t *dest = host_bytes(static_cast<uint32_t>(vm.reg_lindex), avail, true);
  if (!dest) return;
  const char *a = accum();
  const void *nul = memchr(a, 0, STR_MAX);
  uint32_t length = nul ? static_cast<uint32_t>(static_cast<const char *>(nul) - a) : STR_MAX;
  // The copy and its NUL stay inside the variable area.
  if (length > avail - 1) length = avail - 1;
  memmove(dest, a, length);
  dest[length] = 0;
  vm.str_aptr = static_cast<int32_t>(length);
}

void f_left() {
  uint32_t length = 0;
  const char *s = host_string(static_cast<uint32_t>(vm.reg_strscratch), length);
  // The whole count, clamped to the string: a count of 256 or more is not
  // taken modulo 256.
  if (s) append_to_accum(s, clamped_count(vm.reg_accum, length));
}

void f_right() {
  uint32_t length = 0;
  const char *s = host_string(static_cast<uint32_t>(vm.reg_strscratch), length);
  if (!s) return;
  uint32_t n = clamped_count(vm.reg_accum, length);
  append_to_accum(s + (length - n), n);
}

int32_t xstrcmp(uint32_t a, uint32_t b) {
  uint32_t la = 0, lb = 0;
  const char *sa = host_string(a, la);
  if (!sa) return 0;
  const char *sb = host_string(b, lb);
  if (!sb) return 0;
  // Bytes compare as signed 8-bit values, the end of a string as a NUL.
  for (uint32_t i = 0;; i++) {
    int ca = i < la ? static_cast<int8_t>(sa[i]) : 0;
    int cb = i < lb ? static_cast<int8_t>(sb[i]) : 0;
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

void f_strcmp() { vm.reg_accum = xstrcmp(static_cast<uint32_t>(vm.reg_accum), static_cast<uint32_t>(vm.reg_operand)); }

void f_strlen() {
  uint32_t length = 0;
  if (host_string(static_cast<uint32_t>(vm.reg_accum), length)) vm.reg_accum = static_cast<int32_t>(length);
}

int32_t do_str2num(const char *text, uint32_t length, int hexDefault) {
  uint32_t i = 0;
  bool hex = hexDefault != 0;
  bool negative = false;
  auto at = [&](uint32_t k) -> char { return k < length ? text[k] : 0; };
  if (at(0) == '$') {
    hex = true;
    i = 1;
  } else if ((at(0) == '0' && at(1) == 'x') || (at(0) == '&' && at(1) == 'H')) {
    hex = true;
    i = 2;
  } else if (at(0) == '-') {
    negative = true;
    i = 1;
  }
  // Values wrap in 32 bits, as on the board.
  uint32_t value = 0;
  for (; i < length; i++) {
    int c = static_cast<uint8_t>(text[i]);
    if (hex) {
      if (c > '9') c = (c & ~0x20) - 7;
      int d = c - '0';
      if (d < 0 || d > 15) break;
      value = value * 16u + static_cast<uint32_t>(d);
    } else {
      if (c < '0' || c > '9') break;
      value = value * 10u + static_cast<uint32_t>(c - '0');
    }
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

void f_str2dec() {
  uint32_t length = 0;
  const char *s = host_string(static_cast<uint32_t>(vm.reg_accum), length);
  if (s) vm.reg_accum = do_str2num(s, length, 0);
}

void printnum(int32_t value, int hex) {
  if (hex)
    printf("%x", static_cast<uint32_t>(value));
  else
    printf("%d", value);
}

void sprintnum(int32_t value, int hex) {
  char text[16];
  int n = hex ? snprintf(text, sizeof text, "%x", static_cast<uint32_t>(value)) : snprintf(text, sizeof text, "%d", value);
  append_to_accum(text, n > 0 ? static_cast<uint32_t>(n) : 0);
}

void f_hex2str() { sprintnum(vm.reg_accum, 1); }
void f_dec2str() { sprintnum(vm.reg_accum, 0); }

void f_getstr() {
  f_newstr();
  char *a = accum();
  uint32_t length = 0;
  bool cut = false;
  int c;
  // A longer line keeps its first 255 characters; the rest is read and
  // dropped so that the next read starts on the next line.
  while ((c = getchar()) != EOF && c != '\n') {
    if (length < STR_MAX)
      a[length++] = static_cast<char>(c);
    else
      cut = true;
  }
  if (!cut && length > 0 && a[length - 1] == '\r') length--;
  a[length] = 0;
  vm.reg_accum = ret_STR_ACCUM();
}
