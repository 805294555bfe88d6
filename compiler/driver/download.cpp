#include <cstdio>
#include <cstring>

#include "codegen/emit.h"
#include "compile/reset.h"
#include "core/firmware.h"
#include "core/process.h"
#include "driver/driver.h"
#include "frontend/diagnostics.h"
#include "frontend/line_reader.h"

namespace {

// Each table word is the first four characters of a line as hexadecimal
// digits, most significant first.
int32_t read_table_word() {
  memset(reader.line, 0, sizeof reader.line);
  BASICgetln(reader.line);
  int32_t v = 0;
  for (int k = 0; k < 4; k++) v = v * 16 + hexdig2num(reader.line[k]);
  return v;
}

}  // namespace

void download_firmware_table() {
  f_table[0] = static_cast<uint16_t>(read_table_word());
  int32_t count = read_table_word();
  f_table[1] = static_cast<uint16_t>(count);
  if (!(count == 4 || (count >= 95 && count <= 160))) {
    fatal_error("corrupt address entry", ExitStatus::NoRoom);
  }
  int32_t last_sent = 1;
  for (int32_t i = 2; i <= count + 2; i++) {
    memset(reader.line, 0, sizeof reader.line);
    if (BASICgetln(reader.line) == 0) break;
    int32_t v = 0;
    for (int k = 0; k < 4; k++) v = v * 16 + hexdig2num(reader.line[k]);
    if (v < 0 || v > 0xFFFF) {
      char printed[LINE_SIZE + 64], message[LINE_SIZE + 32];
      snprintf(printed, sizeof printed, "\n-ERROR on line %d, illegal address entry --%s--\n", i, reader.line);
      snprintf(message, sizeof message, "illegal address entry --%s--", reader.line);
      report_plain_error(printed, message);
      end_process(ExitStatus::NoStringRoom);
    }
    f_table[i] = static_cast<uint16_t>(v);
    last_sent = i;
  }
  layout_from_table();
  compute_firmware_facts();
  if (!firmware.supported) {
    report_plain_error("\n-ERROR -- Firmware upgrade required, contact Velmora\n",
                       "Firmware upgrade required, contact Velmora");
    end_process(ExitStatus::OldFirmware);
  }
  // Layout words are taken only when they were sent and make sense; the
  // previous values stay otherwise.
  if (last_sent >= 58 && f_table[58] >= 64) firmware.blockSize = f_table[58];
  if (last_sent >= 40 && table_variable_words() != 0) firmware.varSpace = table_variable_words();
  if (count > 10 && last_sent >= 41 && f_table[41] != 0 && f_table[41] * 16 > firmware.codeStart) {
    int32_t size = (f_table[41] * 16 - f_table[4] * 16) >> 2;
    // Thumb code counts halfwords.
    if (firmware.kind == TargetKind::Thumb) size *= 2;
    if (size > FLASH_CODES_SIZE - CODE_SIZE_MARGIN) size = FLASH_CODES_SIZE - CODE_SIZE_MARGIN;
    firmware.codeSize = size;
  }
  init_compiler();
}
