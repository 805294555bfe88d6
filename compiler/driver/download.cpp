#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/driver.h"
#include "driver/state.h"
#include "frontend/diagnostics.h"
#include "frontend/tokenizer.h"

namespace {

// Each table word is the first four characters of a line as hexadecimal
// digits, most significant first.
int32_t read_table_word() {
  memset(line, 0, sizeof line);
  BASICgetln(line);
  int32_t v = 0;
  for (int k = 0; k < 4; k++) v = v * 16 + hexdig2num(line[k]);
  return v;
}

}  // namespace

void download_firmware_table() {
  f_table[0] = static_cast<uint16_t>(read_table_word());
  int32_t count = read_table_word();
  f_table[1] = static_cast<uint16_t>(count);
  if (!(count == 4 || (count >= 95 && count <= 160))) {
    print_error_ln("corrupt address entry");
    fflush(stdout);
    exit(4);
  }
  int32_t last_sent = 1;
  for (int32_t i = 2; i <= count + 2; i++) {
    memset(line, 0, sizeof line);
    if (BASICgetln(line) == 0) break;
    int32_t v = 0;
    for (int k = 0; k < 4; k++) v = v * 16 + hexdig2num(line[k]);
    if (v < 0 || v > 0xFFFF) {
      printf("\n-ERROR on line %d, illegal address entry --%s--\n", i, line);
      fflush(stdout);
      exit(5);
    }
    f_table[i] = static_cast<uint16_t>(v);
    last_sent = i;
  }
  codeStart = f_table[4] * 16;
  DATAstart = f_table[3] * 16;
  if (f_table[0] <= 1812) {
    printf("\n-ERROR -- Firmware upgrade required, contact Velmora\n");
    fflush(stdout);
    exit(6);
  }
  // Layout words are taken only when they were sent and make sense; the
  // previous values stay otherwise.
  if (last_sent >= 58 && f_table[58] >= 64) blockSize = f_table[58];
  if (count > 10 && last_sent >= 40 && f_table[40] != 0) {
    int32_t words = f_table[40] * 4;
    if (words > 32767) words = 32767;
    varSpace = words;
    g_VSPdim = static_cast<int16_t>(words);
  }
  if (count > 10 && last_sent >= 41 && f_table[41] != 0 && f_table[41] * 16 > codeStart) {
    int32_t size = (f_table[41] * 16 - f_table[4] * 16) >> 2;
    if (f_table[0] > 2047) size *= 2;
    if (size > FLASH_CODES_SIZE - CODE_SIZE_MARGIN) size = FLASH_CODES_SIZE - CODE_SIZE_MARGIN;
    codeSize = size;
  }
  init_compiler();
}
