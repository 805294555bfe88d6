// Reads the board loader's HEX the way the loader does: records grouped in
// blocks, each closed by its own end-of-file record; the block's upper
// address half comes from a record inside the block (an extended linear
// address record less the table's offset word, or a zero-length type 02
// block marker holding the block address shifted right by 4); a block with
// neither lies below 0x10000; data bytes scrambled with the firmware's key
// where the table asks for it.
#pragma once
#include <cstdint>
#include <string>

#include "tool_support.h"

namespace image_test {

struct BoardTable {
  uint16_t version;
  uint16_t part;
  uint16_t upper_offset;  // table word 5, added to the upper half of 04 records
};

// The bytes at their absolute addresses; throws std::runtime_error on a
// record it cannot read, a checksum that does not add up, or data after the
// last block.
ByteMap read_board_hex(const std::string &text, const BoardTable &table);

}  // namespace image_test
