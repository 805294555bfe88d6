#include "hex_image.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace emu {

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

struct PendingRecord {
  uint16_t low;
  std::vector<uint8_t> bytes;
  int line;
};

std::string where(int line) { return "line " + std::to_string(line) + ": "; }

}  // namespace

const Segment *HexImage::find(uint32_t address) const {
  for (const Segment &s : segments)
    if (address >= s.address && address < s.end()) return &s;
  return nullptr;
}

bool parse_hex(const std::string &text, HexImage &image, std::string &error) {
  std::map<uint32_t, uint8_t> bytes;
  std::vector<PendingRecord> pending;
  uint32_t upper = 0;
  bool upper_seen = false;
  uint32_t block_start = 0;  // lowest address a block marker allows
  std::istringstream in(text);
  std::string line;
  int number = 0;

  while (std::getline(in, line)) {
    number++;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] != ':') continue;
    if (line.size() < 11 || (line.size() - 1) % 2 != 0) {
      error = where(number) + "record of odd or short length: " + line;
      return false;
    }
    std::vector<uint8_t> raw;
    for (size_t k = 1; k < line.size(); k += 2) {
      int hi = hex_digit(line[k]), lo = hex_digit(line[k + 1]);
      if (hi < 0 || lo < 0) {
        error = where(number) + "not a hexadecimal digit: " + line;
        return false;
      }
      raw.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    size_t length = raw[0];
    if (raw.size() != length + 5) {
      error = where(number) + "length field does not match the record: " + line;
      return false;
    }
    uint16_t low = static_cast<uint16_t>(raw[1] << 8 | raw[2]);
    uint8_t type = raw[3];
    if (type == 0x02 && length == 0) {
      // Block marker: the address field is the block's byte address shifted
      // right by 4, and its last byte a fixed value rather than a checksum.
      // It gives the upper address half of the block's data records, which
      // come before it, and the data must lie in or behind that block.
      if (upper_seen) {
        error = where(number) + "two upper-address records in one block";
        return false;
      }
      if (raw[4] != 0xEE) {
        error = where(number) + "block marker without its fixed value 0xEE: " + line;
        return false;
      }
      upper = static_cast<uint32_t>(low >> 12);
      block_start = static_cast<uint32_t>(low) << 4;
      upper_seen = true;
      continue;
    }
    unsigned sum = 0;
    for (uint8_t b : raw) sum += b;
    if ((sum & 0xFF) != 0) {
      error = where(number) + "checksum wrong: " + line;
      return false;
    }
    std::vector<uint8_t> data(raw.begin() + 4, raw.end() - 1);
    switch (type) {
      case 0x00:
        pending.push_back({low, data, number});
        image.data_records++;
        break;
      case 0x01:
        if (length != 0 || low != 0) {
          error = where(number) + "end-of-file record with data: " + line;
          return false;
        }
        for (const PendingRecord &r : pending) {
          uint32_t base = (upper << 16) + r.low;
          if (base < block_start) {
            char buf[96];
            snprintf(buf, sizeof buf, "data at 0x%08X lies below its block marker's block 0x%08X", base,
                     block_start);
            error = where(r.line) + buf;
            return false;
          }
          for (size_t k = 0; k < r.bytes.size(); k++) {
            uint32_t a = base + static_cast<uint32_t>(k);
            auto [it, fresh] = bytes.emplace(a, r.bytes[k]);
            if (!fresh && it->second != r.bytes[k]) {
              char buf[96];
              snprintf(buf, sizeof buf, "byte at 0x%08X written twice with different values", a);
              error = where(r.line) + buf;
              return false;
            }
          }
        }
        pending.clear();
        upper = 0;
        upper_seen = false;
        block_start = 0;
        image.blocks++;
        break;
      case 0x04:
        if (length != 2) {
          error = where(number) + "extended linear address record of wrong length: " + line;
          return false;
        }
        if (upper_seen) {
          error = where(number) + "two upper-address records in one block";
          return false;
        }
        upper = static_cast<uint32_t>(data[0] << 8 | data[1]);
        upper_seen = true;
        break;
      default:
        error = where(number) + "unexpected record type: " + line;
        return false;
    }
  }
  if (!pending.empty()) {
    error = "data records after the last end-of-file record";
    return false;
  }
  for (const auto &[a, b] : bytes) {
    if (image.segments.empty() || image.segments.back().end() != a) image.segments.push_back({a, {}});
    image.segments.back().bytes.push_back(b);
  }
  return true;
}

}  // namespace emu
