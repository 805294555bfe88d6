// The board's firmware as the compiler sees it: the firmware table the
// editor downloads, and the facts every layer needs from it, worked out
// once whenever the table or the program changes (download, CLEAR, start).
// No other file compares firmware version numbers.
#pragma once
#include <cstdint>

constexpr int F_TABLE_WORDS = 208;
// Word 0 is the firmware version, word 1 the table's length (4 for the
// short built-in table, 95 to 160 for a full one), word 2 the part number;
// the other words are memory-layout values and the addresses of firmware
// routines (entries).
extern uint16_t f_table[F_TABLE_WORDS];

// Where the code is generated for.
enum class TargetKind : uint8_t {
  OldArm,  // ARM7, firmware up to 1823: calls and returns go through the firmware
  Arm,     // ARM7, firmware 1824 to 2047
  Thumb,   // Cortex, firmware 2048 and above
};

// The jumps that start a program and that MAIN redirects.
enum class StartupForm : uint8_t {
  FourArmJumps,   // up to 1828: four jumps, each to the unit behind it
  OneArmJump,     // 1829 to 2047: one jump at word 0
  TwoThumbCalls,  // 2048 to 2053: two calls
  OneThumbCall,   // 2054 and above: one call at unit 0
};

// The record that names the address block of the HEX records behind it.
enum class BlockRecord : uint8_t {
  None,     // before 1792
  Segment,  // 1792 to 2100: ":00AAAA02EE"
  Linear,   // above 2100: an extended linear address record
};

struct FirmwareFacts {
  // Memory layout. codeSize, varSpace and blockSize come from the download
  // and stay until the next one; the others follow the table.
  int32_t codeStart = 0x68000;
  int32_t codeSize = 0x10000;
  int32_t varSpace = 0x4000;
  int32_t DATAstart = 0x78000;
  // A short table keeps the previous value.
  int32_t FlashEnd = 0x79000;
  int32_t blockSize = 0x1000;

  TargetKind kind = TargetKind::Thumb;
  StartupForm startup = StartupForm::OneThumbCall;
  // Firmware 1812 and older cannot run compiled programs.
  bool supported = true;
  // 1813 to 1823 expect the string accumulator saved into the top string
  // variable before the program ends.
  bool end_saves_string = false;
  // ARM7 firmware 1865 and later does floating point and has no ON.
  bool float_firmware = false;
  // 1873 and later number the second serial port: TXD(1) for TXD1.
  bool numbered_serial = false;
  // Before 1872 the second port's RXD and BAUD have routines of their own.
  bool early_serial_entries = false;
  // WRITE is a function from 1809 on.
  bool write_function = true;
  // Parts with a pin operation per port (P0 to P5) instead of IN/OUT.
  bool named_ports = true;
  // The HEX bytes are scrambled with the key for this firmware and part.
  bool scrambled = false;
  BlockRecord block_record = BlockRecord::Linear;

  // Target address of variable word 0 as compiled code loads it, and
  // whether the table lacks the entry (word 6) it is made of.
  uint32_t variable_base = 0;
  bool variable_base_missing = false;
  // The same address as the map and ADDRESSOF state it: words 7 and 6 of
  // the table as they stand.
  uint32_t data_base = 0;
  // Target address of offset 0 of the constant string area (which ends at
  // offset 0x20000): for ARM code, I/O-handler code and ADDRESSOF, and for
  // Thumb code, which adds the upper twelve bits of word 5 as a segment.
  uint32_t string_base = 0;
  uint32_t thumb_string_base = 0;
  // Where the strings end on the target: word 41 of a full table, else
  // FlashEnd.
  uint32_t string_area_top = 0;
};
extern FirmwareFacts firmware;

// The short table the compiler starts with, before any download.
constexpr uint16_t BUILTIN_F_TABLE[] = {2054, 4, 0x2138, 0x1C00, 0x0300, 5};

// The layout words of f_table: codeStart, DATAstart and FlashEnd (which a
// short table leaves as it was).
void layout_from_table();
// Works out every other fact from f_table and the layout. Call it after
// changing either.
void compute_firmware_facts();
// The built-in table and the default layout, as at start-up.
void reset_firmware();

// The variable area a full table asks for (word 40, in units of 4 words,
// at most 32767 words), or 0 when it gives none.
int32_t table_variable_words();

// Entry n as generated code uses it: a short table (length 9 or less)
// lists no routines, and every entry counts as present at address 1. Sets
// missing when a full table has no entry n, which the code generator
// reports.
uint16_t firmware_entry(int32_t n, bool &missing);

inline bool arm_class() { return firmware.kind != TargetKind::Thumb; }
// Bytes per code unit: an ARM word or a Thumb halfword.
inline uint32_t code_unit_bytes() { return arm_class() ? 4u : 2u; }
// Target address of code unit i.
inline uint32_t code_unit_address(uint32_t i) {
  return static_cast<uint32_t>(firmware.codeStart) + i * code_unit_bytes();
}
