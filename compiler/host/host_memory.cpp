#include "host/host_memory.h"

#include <cstdio>
#include <cstring>

#include "core/firmware.h"
#include "frontend/tokenizer.h"
#include "host/interpreter.h"

alignas(4) uint8_t g_var_seg[VAR_SEG_SIZE];

void address_error(uint32_t ref) {
  printf("ADDRESS ERROR @ %d: %x\n", static_cast<int>(vm.iCSP), ref);
  vm.run_stopped = 1;
}

void divide_error() {
  printf("DIVIDE BY ZERO @ %d\n", static_cast<int>(vm.iCSP));
  vm.run_stopped = 1;
}

uint8_t *peek_bytes(uint32_t ref, uint32_t &avail, bool writable) {
  // Unsigned differences put everything below a window's base far above
  // its size, so one comparison checks both ends.
  uint32_t v = ref - VAR_WINDOW;
  if (v < static_cast<uint32_t>(VAR_SEG_SIZE)) {
    avail = static_cast<uint32_t>(VAR_SEG_SIZE) - v;
    return g_var_seg + v;
  }
  uint32_t c = ref - CONST_WINDOW;
  if (!writable && c < static_cast<uint32_t>(STRINGTABLE_SIZE)) {
    avail = static_cast<uint32_t>(STRINGTABLE_SIZE) - c;
    return reinterpret_cast<uint8_t *>(g_stringtable) + c;
  }
  avail = 0;
  return nullptr;
}

uint8_t *host_bytes(uint32_t ref, uint32_t &avail, bool writable) {
  uint8_t *p = peek_bytes(ref, avail, writable);
  if (!p) address_error(ref);
  return p;
}

const char *host_string(uint32_t ref, uint32_t &length) {
  uint32_t avail = 0;
  const uint8_t *p = host_bytes(ref, avail, false);
  if (!p) {
    length = 0;
    return nullptr;
  }
  const void *nul = memchr(p, 0, avail);
  length = nul ? static_cast<uint32_t>(static_cast<const uint8_t *>(nul) - p) : avail;
  return reinterpret_cast<const char *>(p);
}

uint32_t str_accum_offset() {
  int32_t words = firmware.varSpace;
  if (words < 0) words = 0;
  if (words > VAR_AREA_MAX_WORDS) words = VAR_AREA_MAX_WORDS;
  return 4u * static_cast<uint32_t>(words);
}

int32_t ret_STR_ACCUM() { return static_cast<int32_t>(VAR_WINDOW + str_accum_offset()); }
