#include "driver/hex_output.h"

#include <cstdio>
#include <cstring>

#include "codegen/emit.h"
#include "core/firmware.h"
#include "core/hooks.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"

IhexRecord ihex;
ImageRecordObserver image_record_observer = nullptr;
const char hideCode[32] = "Ombrik (c) 2026 its developers.";
static_assert(sizeof "Ombrik (c) 2026 its developers." == 32, "the key is 31 characters and a zero");

namespace {

constexpr int32_t STRING_AREA_TOP = 0x20000;
// The symbol page: a header, 1664 bytes of names, 128 type bytes and 128
// addresses.
constexpr int32_t PAGE_NAMES = 0x80, PAGE_NAMES_LAST = 0x67F, PAGE_TYPES = 0x700, PAGE_ADDRS = 0x780;
constexpr int32_t PAGE_SYMBOLS_LAST = 0x7F;

void end_of_file() { fputs(":00000001FF\n", image_stream()); }

// Opens a data record; the seed is the length plus the address's bytes,
// summed as base and offset within the region.
void begin_record(int32_t length, int64_t address, int64_t seed) {
  init_ihex(static_cast<int32_t>(seed));
  ihex.data_record = true;
  ihex.data_address = address;
  fprintf(image_stream(), ":%02X%04X00", static_cast<unsigned>(length), static_cast<unsigned>(address & 0xFFFF));
}

void begin_region_record(int32_t length, int64_t base, int64_t offset) {
  int64_t address = base + offset;
  begin_record(length, address, length + (address & 0xFF) + (base >> 8) + (offset >> 8));
}

void begin_page_record(int32_t length, int64_t address) {
  begin_record(length, address, length + (address & 0xFF) + (address >> 8));
}

int64_t round_down(int64_t x, int64_t step) {
  int64_t r = x % step;
  if (r < 0) r += step;
  return x - r;
}

void end_block(int64_t last_byte) {
  out_block_addr(static_cast<uint32_t>(round_down(last_byte, firmware.blockSize)));
  end_of_file();
}

// Code unit i, or erased flash where the image has no unit.
int32_t unit_at(int64_t i, int32_t erased) {
  if (i < 0 || i >= FLASH_CODES_SIZE) return erased;
  return Flash_codes[i];
}

// Skips stretches of blockSize units that hold only erased halfwords, never
// one with real code in it.
void skip_erased(int64_t &i) {
  while (i >= 0 && i < static_cast<int64_t>(emit.fCODE)) {
    int64_t end = i + firmware.blockSize;
    if (end > static_cast<int64_t>(emit.fCODE)) end = emit.fCODE;
    for (int64_t k = i; k < end; k++)
      if (unit_at(k, 0xFFFF) != 0xFFFF) return;
    i += firmware.blockSize;
  }
}

// Writes the code area; returns the byte address behind its last record.
int64_t write_code() {
  int64_t i = emit.CODEoffset;
  if (arm_class()) {
    int64_t per_block = firmware.blockSize / 4;
    while (i < static_cast<int64_t>(emit.fCODE)) {
      begin_region_record(32, firmware.codeStart, 4 * i);
      for (int k = 0; k < 8; k++) {
        uint32_t w = static_cast<uint32_t>(unit_at(i + k, -1));
        for (int b = 0; b < 4; b++) put_ihex(static_cast<int32_t>((w >> (8 * b)) & 0xFF));
      }
      put_ihex_chksum();
      i += 8;
      if (i % per_block == 0) end_block(firmware.codeStart + 4 * i - 1);
    }
    return firmware.codeStart + 4 * i;
  }
  int64_t per_block = firmware.blockSize / 2;
  skip_erased(i);
  while (i < static_cast<int64_t>(emit.fCODE)) {
    begin_region_record(32, firmware.codeStart, 2 * i);
    for (int k = 0; k < 16; k++) {
      int32_t u = unit_at(i + k, 0xFFFF);
      put_ihex(u & 0xFF);
      put_ihex((u >> 8) & 0xFF);
    }
    put_ihex_chksum();
    i += 16;
    if (i % per_block == 0) {
      end_block(firmware.codeStart + 2 * i - 1);
      skip_erased(i);
    }
  }
  return firmware.codeStart + 2 * i;
}

void write_strings(int64_t top) {
  int64_t base = top - STRING_AREA_TOP;
  int64_t end = cstrings.CONSToffset < STRING_AREA_TOP ? cstrings.CONSToffset : STRING_AREA_TOP;
  int64_t i = cstrings.ConstantStringPtr < 0 ? 0 : (cstrings.ConstantStringPtr & ~31);
  while (i < end) {
    begin_region_record(32, base, i);
    for (int k = 0; k < 32; k++) put_ihex(static_cast<uint8_t>(g_stringtable[i + k]));
    put_ihex_chksum();
    i += 32;
    if (i % firmware.blockSize == 0) end_block(base + i - 1);
  }
}

void put_half(int32_t v) {
  put_ihex(v & 0xFF);
  put_ihex((v >> 8) & 0xFF);
}

void write_symbol_page(int64_t top) {
  begin_page_record(16, top);
  put_half(symtab.g_symbolcount);
  put_half(static_cast<int32_t>(symtab.g_STP));
  put_half(vars.g_VSP);
  put_half(vars.g_VSPdim);
  for (int k = 0; k < 8; k++) put_ihex(0);
  put_ihex_chksum();

  for (int32_t k = 0; k <= PAGE_NAMES_LAST; k += 32) {
    begin_page_record(32, top + PAGE_NAMES + k);
    for (int32_t b = 0; b < 32; b++) put_ihex(static_cast<uint8_t>(g_symboltable[k + b]));
    put_ihex_chksum();
    if (g_symboltable[k + 31] == 0 && g_symboltable[k + 32] == 0) break;
  }
  if (g_symboltable[PAGE_NAMES_LAST] != 0) {
    int32_t start = PAGE_NAMES_LAST;
    while (start > 0 && g_symboltable[start - 1] != 0) start--;
    int32_t length = 0;
    while (start + length < SYMBOLTABLE_SIZE && g_symboltable[start + length] != 0) length++;
    fprintf(text_stream(), "\"labels truncated after %.*s\n", static_cast<int>(length), g_symboltable + start);
  }

  for (int32_t k = 0; k <= PAGE_SYMBOLS_LAST && k <= symtab.g_symbolcount; k += 32) {
    begin_page_record(32, top + PAGE_TYPES + k);
    for (int32_t b = 0; b < 32; b++) put_ihex(g_symbol_type[k + b]);
    put_ihex_chksum();
  }
  for (int32_t k = 0; k <= PAGE_SYMBOLS_LAST && k <= symtab.g_symbolcount; k += 16) {
    begin_page_record(32, top + PAGE_ADDRS + 2 * k);
    for (int32_t b = 0; b < 16; b++) put_half(g_symboladdr[k + b]);
    put_ihex_chksum();
  }
  if (top & 0x3FFF0000) out_block_addr(static_cast<uint32_t>(top));
  end_of_file();
}

}  // namespace

void init_ihex(int32_t seed) {
  ihex.chksum = seed;
  ihex.cnt_ihex = 0;
  ihex.data_record = false;
}

void put_ihex(int32_t b) {
  int32_t position = ihex.cnt_ihex++;
  if (ihex.data_record && position < static_cast<int32_t>(sizeof ihex.data))
    ihex.data[position] = static_cast<uint8_t>(b);
  if (firmware.scrambled && position % 4 != 3) b -= static_cast<uint8_t>(hideCode[position % 32]);
  b &= 0xFF;
  fprintf(image_stream(), "%02X", static_cast<unsigned>(b));
  ihex.chksum += b;
}

void put_ihex_chksum() {
  fprintf(image_stream(), "%02X\n", static_cast<unsigned>(-ihex.chksum & 0xFF));
  if (ihex.data_record && image_record_observer)
    image_record_observer(static_cast<uint32_t>(ihex.data_address), ihex.data,
                          ihex.cnt_ihex < static_cast<int32_t>(sizeof ihex.data) ? ihex.cnt_ihex
                                                                                 : static_cast<int32_t>(sizeof ihex.data));
  ihex.data_record = false;
}

void out_block_addr(uint32_t address) {
  if (firmware.block_record == BlockRecord::Linear) {
    uint32_t upper = (address >> 16) + f_table[5];
    fputs(":02000004", image_stream());
    init_ihex(6);
    put_ihex(static_cast<int32_t>((upper >> 8) & 0xFF));
    put_ihex(static_cast<int32_t>(upper & 0xFF));
    put_ihex_chksum();
  } else if (firmware.block_record == BlockRecord::Segment && (address & 0x3FFF0000u) != 0) {
    fprintf(image_stream(), ":00%04X02%02X\n", address >> 4, 0xEEu);
  }
}

void write_image() {
  // Strings are addressed below the top of the program flash: word 41 of a
  // full firmware table, else FlashEnd, where the code generators put them.
  int64_t top = firmware.string_area_top;
  int64_t p = write_code();
  if (p % firmware.blockSize != 0) {
    int64_t strings_block = round_down(top + cstrings.ConstantStringPtr - STRING_AREA_TOP, firmware.blockSize);
    if (round_down(p, firmware.blockSize) != strings_block) end_block(p);
  }
  write_strings(top);
  if (top - 4096 == firmware.DATAstart) write_symbol_page(top);
}
