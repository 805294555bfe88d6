// Reading the Intel HEX that ombrik writes back into a memory image.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace emu {

// One contiguous run of bytes at a byte address.
struct Segment {
  uint32_t address = 0;
  std::vector<uint8_t> bytes;
  // One past the last byte, in 64 bits: a run may end at the top of the
  // 32-bit address space.
  uint64_t end() const { return uint64_t{address} + bytes.size(); }
};

struct HexImage {
  // Merged, sorted, non-overlapping runs.
  std::vector<Segment> segments;
  int blocks = 0;          // end-of-file records seen (one per flash block)
  int data_records = 0;

  // The run that contains address, or nullptr.
  const Segment *find(uint32_t address) const;
};

// Parses every line that starts with ':' in text (other lines, such as the
// banner, the summary and the symbol map, are skipped). Each block of records
// ends with an end-of-file record. The upper address half of a block's data
// records, which come before it, is given by one record inside the block:
// an extended linear address record (type 04, newer Thumb firmware) or a
// zero-length type 02 block marker whose address field is the block address
// shifted right by 4 (ARM firmware, which writes no 04 records); a block
// with neither lies below 0x10000. Returns false with a message in error on
// any bad record.
bool parse_hex(const std::string &text, HexImage &image, std::string &error);

}  // namespace emu
