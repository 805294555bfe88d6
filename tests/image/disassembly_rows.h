// The instructions of a listing and of objdump -d -z in one form, so that
// the two disassemblies can be compared line for line.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace image_test {

// An instruction or data word: its address, its bytes in memory order and
// its mnemonic, with the names objdump and capstone give one instruction
// made the same.
struct Row {
  uint32_t address;
  std::vector<uint8_t> bytes;
  std::string mnemonic;
  bool operator==(const Row &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Row &r);

std::vector<Row> listing_rows(const std::string &listing);
std::vector<Row> objdump_rows(const std::string &elf);

}  // namespace image_test
