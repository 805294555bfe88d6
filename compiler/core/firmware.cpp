#include "core/firmware.h"

#include <cstring>

uint16_t f_table[F_TABLE_WORDS] = {BUILTIN_F_TABLE[0], BUILTIN_F_TABLE[1], BUILTIN_F_TABLE[2],
                                   BUILTIN_F_TABLE[3], BUILTIN_F_TABLE[4], BUILTIN_F_TABLE[5]};
static_assert(sizeof BUILTIN_F_TABLE / sizeof BUILTIN_F_TABLE[0] == 6, "f_table's initializer lists six words");

FirmwareFacts firmware;

namespace {

// Version thresholds, in one place.
constexpr uint16_t OLDEST_SUPPORTED = 1813;
constexpr uint16_t OLD_ARM_LAST = 1823;
constexpr uint16_t FOUR_JUMPS_LAST = 1828;
constexpr uint16_t FLOAT_FIRMWARE_FIRST = 1865;
constexpr uint16_t NUMBERED_SERIAL_FIRST = 1873;
constexpr uint16_t EARLY_SERIAL_LAST = 1871;
constexpr uint16_t WRITE_FUNCTION_FIRST = 1809;
constexpr uint16_t THUMB_FIRST = 2048;
constexpr uint16_t TWO_CALLS_LAST = 2053;
constexpr uint16_t SEGMENT_RECORD_FIRST = 1792;
constexpr uint16_t SEGMENT_RECORD_LAST = 2100;
// Firmware that expects scrambled bytes, on parts numbered above 0x100.
constexpr uint16_t SCRAMBLED_ARM_FIRST = 1792, SCRAMBLED_ARM_LAST = 1908;
constexpr uint16_t SCRAMBLED_THUMB_FIRST = 2048, SCRAMBLED_THUMB_LAST = 2100;

// Part numbers (word 2).
constexpr uint16_t PART_FLASH_HIGH = 0x3200;  // flash addressed from 0x20000000
bool has_named_ports(uint16_t part) { return part == 0x2103 || part == 0x2138 || (part >= 0x1750 && part <= 0x175F); }

// Constant string area: offsets 0 to 0x20000 below its top.
constexpr uint32_t STRING_AREA_SIZE = 0x20000;
// ARM7 parts keep their variables in on-chip RAM at 0x40000000.
constexpr uint32_t ARM_RAM = 0x40000000u;

}  // namespace

uint16_t firmware_entry(int32_t n, bool &missing) {
  uint16_t version = f_table[0], format = f_table[1];
  uint16_t word = n >= 0 && n < F_TABLE_WORDS ? f_table[n] : 0;
  missing = false;
  if (version != 0 && format > 10) {
    missing = word == 0;
    return word;
  }
  if (format <= 9) return 1;
  return word;
}

int32_t table_variable_words() {
  if (f_table[1] <= 10 || f_table[40] == 0) return 0;
  int32_t words = f_table[40] * 4;
  return words > 32767 ? 32767 : words;
}

void layout_from_table() {
  FirmwareFacts &f = firmware;
  f.codeStart = f_table[4] * 16;
  f.DATAstart = f_table[3] * 16;
  if (f_table[1] > 10) f.FlashEnd = f_table[41] * 16;
  if (f_table[2] == PART_FLASH_HIGH) f.FlashEnd |= 0x20000000;
}

void compute_firmware_facts() {
  FirmwareFacts &f = firmware;
  uint16_t v = f_table[0];
  f.kind = v >= THUMB_FIRST ? TargetKind::Thumb : v > OLD_ARM_LAST ? TargetKind::Arm : TargetKind::OldArm;
  if (v > TWO_CALLS_LAST)
    f.startup = StartupForm::OneThumbCall;
  else if (v >= THUMB_FIRST)
    f.startup = StartupForm::TwoThumbCalls;
  else if (v > FOUR_JUMPS_LAST)
    f.startup = StartupForm::OneArmJump;
  else
    f.startup = StartupForm::FourArmJumps;
  f.supported = v >= OLDEST_SUPPORTED;
  f.end_saves_string = v >= OLDEST_SUPPORTED && v <= OLD_ARM_LAST;
  f.float_firmware = v >= FLOAT_FIRMWARE_FIRST;
  f.numbered_serial = v >= NUMBERED_SERIAL_FIRST;
  f.early_serial_entries = v <= EARLY_SERIAL_LAST;
  f.write_function = v >= WRITE_FUNCTION_FIRST;
  f.named_ports = has_named_ports(f_table[2]);
  f.scrambled = ((v >= SCRAMBLED_ARM_FIRST && v <= SCRAMBLED_ARM_LAST) ||
                 (v >= SCRAMBLED_THUMB_FIRST && v <= SCRAMBLED_THUMB_LAST)) &&
                f_table[2] > 0x100;
  f.block_record = v > SEGMENT_RECORD_LAST     ? BlockRecord::Linear
                   : v >= SEGMENT_RECORD_FIRST ? BlockRecord::Segment
                                               : BlockRecord::None;

  uint32_t ram = f.kind == TargetKind::Thumb ? f_table[7] * 65536u : ARM_RAM;
  f.variable_base = ram + firmware_entry(6, f.variable_base_missing);
  f.data_base = f_table[7] * 65536u + f_table[6];
  f.string_base = static_cast<uint32_t>(f.FlashEnd) - STRING_AREA_SIZE;
  f.thumb_string_base = f.string_base + (f_table[5] & 0xFFF0u) * 65536u;
  f.string_area_top = f_table[1] > 10 ? f_table[41] * 16u : static_cast<uint32_t>(f.FlashEnd);
}

void reset_firmware() {
  memset(f_table, 0, sizeof f_table);
  memcpy(f_table, BUILTIN_F_TABLE, sizeof BUILTIN_F_TABLE);
  firmware = FirmwareFacts{};
  layout_from_table();
  compute_firmware_facts();
}
