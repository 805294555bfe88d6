// A program image: the bytes the flash holds after loading, as runs at
// their addresses, read from the board's own Intel HEX, a standard Intel HEX
// or an ELF file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// One contiguous run of bytes at a byte address.
struct Segment {
  uint32_t address = 0;
  std::vector<uint8_t> bytes;
  // One past the last byte, in 64 bits: a run may end at the top of the
  // 32-bit address space.
  uint64_t end() const { return uint64_t{address} + bytes.size(); }
};

enum class ImageFormat { BoardHex, StandardHex, Elf };

struct Image {
  ImageFormat format = ImageFormat::BoardHex;
  // Merged, sorted, non-overlapping runs.
  std::vector<Segment> segments;
  int blocks = 0;        // end-of-file records seen (the board's HEX has one per flash block)
  int data_records = 0;

  // The run that contains address, or nullptr.
  const Segment *find(uint32_t address) const;
};

// Reads Intel HEX text into image. Lines that do not start with ':' (a
// banner, a size summary, a symbol map) are skipped; every record's
// checksum is checked.
//
// Two layouts are told apart by their records. The board's own HEX closes
// every flash block with an end-of-file record, and the upper address half
// of a block's data records, which come before it, is given by one record
// inside the block, right before its end: an extended linear address record
// (type 04) or a zero-length type 02 block marker whose address field is
// the block address shifted right by 4 and whose last byte is the fixed
// value 0xEE; a block with neither lies below 0x10000. A standard Intel HEX
// gives the upper half (type 04, or a type 02 segment base) before the data
// it applies to and has one end-of-file record, at its end.
//
// upper_offset is subtracted from the upper address half of the board's
// extended address records (the firmware table's word 5, which the
// compiler adds to them). With scramble_key (32 bytes), the data bytes are
// the scrambled ones some firmware expects: every byte at a position p of
// its record with p mod 4 other than 3 is stored less key[p mod 32]. False
// with "line N: ..." in error on any bad record.
bool parse_hex(const std::string &text, Image &image, std::string &error, uint32_t upper_offset = 0,
               const char *scramble_key = nullptr);

}  // namespace sim
