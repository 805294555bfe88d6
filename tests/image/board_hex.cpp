#include "board_hex.h"

#include <sstream>
#include <stdexcept>
#include <vector>

namespace image_test {

namespace {

// The firmware's key: 31 characters and the terminating zero.
const char KEY[32] = "Ombrik (c) 2026 its developers.";

bool scrambled(const BoardTable &t) {
  return ((t.version >= 1792 && t.version <= 1908) || (t.version >= 2048 && t.version <= 2100)) && t.part > 0x100;
}

std::vector<uint8_t> record_bytes(const std::string &line) {
  if ((line.size() - 1) % 2 != 0) throw std::runtime_error("odd record: " + line);
  std::vector<uint8_t> b;
  for (size_t k = 1; k < line.size(); k += 2) b.push_back(static_cast<uint8_t>(std::stoul(line.substr(k, 2), nullptr, 16)));
  return b;
}

struct Data {
  uint16_t offset;
  std::vector<uint8_t> bytes;
};

}  // namespace

ByteMap read_board_hex(const std::string &text, const BoardTable &table) {
  ByteMap out;
  std::vector<Data> block;
  uint32_t upper = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] != ':') continue;
    // ":00" + block address >> 4 (four digits or more) + "02EE": no
    // checksum, a fixed last byte.
    if (line.size() >= 11 && line.compare(0, 3, ":00") == 0 && line.compare(line.size() - 4, 4, "02EE") == 0) {
      upper = static_cast<uint32_t>(std::stoul(line.substr(3, line.size() - 7), nullptr, 16) >> 12);
      continue;
    }
    std::vector<uint8_t> r = record_bytes(line);
    if (r.size() < 5 || r.size() != r[0] + 5u) throw std::runtime_error("bad record length: " + line);
    unsigned sum = 0;
    for (uint8_t b : r) sum += b;
    if (sum & 0xFF) throw std::runtime_error("checksum: " + line);
    uint8_t type = r[3];
    std::vector<uint8_t> data(r.begin() + 4, r.end() - 1);
    if (type == 0x00) {
      if (scrambled(table))
        for (size_t p = 0; p < data.size(); p++)
          if (p % 4 != 3) data[p] = static_cast<uint8_t>(data[p] + static_cast<uint8_t>(KEY[p % 32]));
      block.push_back({static_cast<uint16_t>(r[1] << 8 | r[2]), data});
    } else if (type == 0x04) {
      upper = (static_cast<uint32_t>(data.at(0) << 8 | data.at(1)) - table.upper_offset) & 0xFFFF;
    } else if (type == 0x01) {
      for (const Data &d : block)
        for (size_t k = 0; k < d.bytes.size(); k++) out[(upper << 16) + d.offset + static_cast<uint32_t>(k)] = d.bytes[k];
      block.clear();
      upper = 0;
    } else {
      throw std::runtime_error("unexpected record type: " + line);
    }
  }
  if (!block.empty()) throw std::runtime_error("data records after the last end-of-file record");
  return out;
}

}  // namespace image_test
