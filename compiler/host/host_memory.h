// The host's images of the target's memory and the one translator through
// which every access by address goes.
#pragma once
#include <cstdint>

// Room for the largest variable area a firmware table can ask for (32767
// words) and the 256-byte string accumulator behind it.
constexpr int32_t VAR_AREA_MAX_WORDS = 32767;
constexpr int32_t STR_ACCUM_SIZE = 256;
constexpr int32_t VAR_SEG_SIZE = 4 * VAR_AREA_MAX_WORDS + STR_ACCUM_SIZE;
constexpr uint32_t VAR_SEG_WORDS = VAR_SEG_SIZE / 4;
extern uint8_t g_var_seg[VAR_SEG_SIZE];

// Tagged references: the variable area (read and write) and the constant
// string area g_stringtable (read only), each at a fixed base plus the byte
// offset.
constexpr uint32_t VAR_WINDOW = 0x01000000u;
constexpr uint32_t CONST_WINDOW = 0x02000000u;

// Prints "ADDRESS ERROR @ %d: %x" for iCSP and ref and stops the run.
void address_error(uint32_t ref);
// Prints "DIVIDE BY ZERO @ %d" and stops the run.
void divide_error();

// The bytes at ref and how many of them lie before the end of ref's
// window; nullptr (after address_error) when ref is in no window, or in the
// read-only window and writable is asked for.
uint8_t *host_bytes(uint32_t ref, uint32_t &avail, bool writable);
// Like host_bytes, but quiet: nullptr without a report.
uint8_t *peek_bytes(uint32_t ref, uint32_t &avail, bool writable);
// The string at ref and its length: up to its NUL, or to the end of its
// window when it has none. nullptr after address_error.
const char *host_string(uint32_t ref, uint32_t &length);

// Variable words by word index; the caller checks the index against
// VAR_SEG_WORDS.
inline int32_t load_var_word(uint32_t index) {
  const uint8_t *p = g_var_seg + 4 * index;
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
inline void store_var_word(uint32_t index, int32_t value) {
  uint8_t *p = g_var_seg + 4 * index;
  uint32_t v = static_cast<uint32_t>(value);
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// Byte offset of the string accumulator in g_var_seg: 4 × varSpace, where
// compiled code addresses it.
uint32_t str_accum_offset();
// Reference to the string accumulator.
int32_t ret_STR_ACCUM();
