#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "sim/format.h"
#include "sim/image.h"

namespace sim {

namespace {

constexpr uint8_t DATA = 0x00, END_OF_FILE = 0x01, SEGMENT_BASE = 0x02, LINEAR_BASE = 0x04;
constexpr uint8_t SEGMENT_START = 0x03, LINEAR_START = 0x05;
constexpr uint8_t BLOCK_MARKER_VALUE = 0xEE;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

struct Record {
  int line;
  uint8_t type;
  uint16_t low;  // the address field
  std::vector<uint8_t> data;
  bool block_marker;  // the board's zero-length 02 record
};

std::string where(int line) { return "line " + std::to_string(line) + ": "; }

bool read_records(const std::string &text, const char *key, std::vector<Record> &records, std::string &error) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    number++;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] != ':') continue;
    if (line.size() < 11 || (line.size() - 1) % 2 != 0) {
      error = where(number) + "record of odd or short length: " + visible(line.substr(0, 80));
      return false;
    }
    std::vector<uint8_t> raw;
    for (size_t k = 1; k < line.size(); k += 2) {
      int hi = hex_digit(line[k]), lo = hex_digit(line[k + 1]);
      if (hi < 0 || lo < 0) {
        error = where(number) + "not a hexadecimal digit: " + visible(line.substr(0, 80));
        return false;
      }
      raw.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    size_t length = raw[0];
    if (raw.size() != length + 5) {
      error = where(number) + "length field does not match the record: " + visible(line.substr(0, 80));
      return false;
    }
    Record r{number, raw[3], static_cast<uint16_t>(raw[1] << 8 | raw[2]),
             std::vector<uint8_t>(raw.begin() + 4, raw.end() - 1), false};
    if (r.type == SEGMENT_BASE && length == 0) {
      // The board's block marker ends in a fixed value, not a checksum.
      if (raw[4] != BLOCK_MARKER_VALUE) {
        error = where(number) + "block marker without its fixed value 0xEE: " + line;
        return false;
      }
      r.block_marker = true;
    } else {
      unsigned sum = 0;
      for (uint8_t b : raw) sum += b;
      if ((sum & 0xFF) != 0) {
        error = where(number) + "checksum wrong: " + line;
        return false;
      }
    }
    if (key && r.type == DATA)
      for (size_t p = 0; p < r.data.size(); p++)
        if (p % 4 != 3) r.data[p] = static_cast<uint8_t>(r.data[p] + static_cast<uint8_t>(key[p % 32]));
    if (r.type == END_OF_FILE && (length != 0 || r.low != 0)) {
      error = where(number) + "end-of-file record with data";
      return false;
    }
    records.push_back(std::move(r));
  }
  return true;
}

// The board's layout: several end-of-file records, a block marker, or an
// upper-address record that follows its block's data and comes right
// before the end-of-file record (a standard HEX gives it before its data).
bool board_layout(const std::vector<Record> &records) {
  int ends = 0;
  bool data_seen = false;
  for (size_t k = 0; k < records.size(); k++) {
    const Record &r = records[k];
    if (r.block_marker) return true;
    if (r.type == END_OF_FILE) {
      ends++;
      data_seen = false;
    } else if (r.type == DATA) {
      data_seen = true;
    } else if (r.type == LINEAR_BASE && data_seen && k + 1 < records.size() &&
               records[k + 1].type == END_OF_FILE) {
      return true;
    }
  }
  return ends > 1;
}

class Bytes {
 public:
  bool put(uint32_t base, const Record &r, std::string &error) {
    for (size_t k = 0; k < r.data.size(); k++) {
      uint32_t a = base + static_cast<uint32_t>(k);
      auto [it, fresh] = bytes_.emplace(a, r.data[k]);
      if (!fresh && it->second != r.data[k]) {
        error = where(r.line) + "byte at " + hex32(a) + " written twice with different values";
        return false;
      }
    }
    return true;
  }
  void to_segments(Image &image) const {
    for (const auto &[a, b] : bytes_) {
      if (image.segments.empty() || image.segments.back().end() != a) image.segments.push_back({a, {}});
      image.segments.back().bytes.push_back(b);
    }
  }

 private:
  std::map<uint32_t, uint8_t> bytes_;
};

bool read_board(const std::vector<Record> &records, uint32_t upper_offset, Image &image, Bytes &bytes,
                std::string &error) {
  std::vector<const Record *> pending;
  uint32_t upper = 0;
  bool upper_seen = false;
  uint32_t block_start = 0;  // lowest address a block marker allows
  for (const Record &r : records) {
    if (r.block_marker || r.type == LINEAR_BASE) {
      if (upper_seen) {
        error = where(r.line) + "two upper-address records in one block";
        return false;
      }
      if (r.block_marker) {
        upper = static_cast<uint32_t>(r.low >> 12);
        block_start = static_cast<uint32_t>(r.low) << 4;
      } else {
        if (r.data.size() != 2) {
          error = where(r.line) + "extended linear address record of wrong length";
          return false;
        }
        upper = static_cast<uint32_t>((r.data[0] << 8 | r.data[1]) - upper_offset) & 0xFFFF;
      }
      upper_seen = true;
      continue;
    }
    switch (r.type) {
      case DATA:
        pending.push_back(&r);
        image.data_records++;
        break;
      case END_OF_FILE:
        for (const Record *p : pending) {
          uint32_t base = (upper << 16) + p->low;
          if (base < block_start) {
            error = where(p->line) + "data at " + hex32(base) + " lies below its block marker's block " +
                    hex32(block_start);
            return false;
          }
          if (!bytes.put(base, *p, error)) return false;
        }
        pending.clear();
        upper = 0;
        upper_seen = false;
        block_start = 0;
        image.blocks++;
        break;
      default:
        error = where(r.line) + "unexpected record type " + std::to_string(r.type);
        return false;
    }
  }
  if (!pending.empty()) {
    error = "data records after the last end-of-file record";
    return false;
  }
  return true;
}

bool read_standard(const std::vector<Record> &records, Image &image, Bytes &bytes, std::string &error) {
  uint32_t base = 0;
  bool ended = false;
  for (const Record &r : records) {
    if (ended) {
      error = where(r.line) + "record after the end-of-file record";
      return false;
    }
    switch (r.type) {
      case DATA:
        image.data_records++;
        if (!bytes.put(base + r.low, r, error)) return false;
        break;
      case END_OF_FILE:
        ended = true;
        image.blocks++;
        break;
      case SEGMENT_BASE:
      case LINEAR_BASE:
        if (r.data.size() != 2) {
          error = where(r.line) + "address record of wrong length";
          return false;
        }
        base = static_cast<uint32_t>(r.data[0] << 8 | r.data[1]) << (r.type == LINEAR_BASE ? 16 : 4);
        break;
      case SEGMENT_START:
      case LINEAR_START:
        break;  // the entry point: the board always starts at the code start
      default:
        error = where(r.line) + "unexpected record type " + std::to_string(r.type);
        return false;
    }
  }
  if (!ended) {
    error = "no end-of-file record";
    return false;
  }
  return true;
}

}  // namespace

const Segment *Image::find(uint32_t address) const {
  for (const Segment &s : segments)
    if (address >= s.address && address < s.end()) return &s;
  return nullptr;
}

bool parse_hex(const std::string &text, Image &image, std::string &error, uint32_t upper_offset,
               const char *scramble_key) {
  image = Image{};
  std::vector<Record> records;
  if (!read_records(text, scramble_key, records, error)) return false;
  if (records.empty()) {
    error = "no Intel HEX records";
    return false;
  }
  Bytes bytes;
  bool board = board_layout(records);
  image.format = board ? ImageFormat::BoardHex : ImageFormat::StandardHex;
  if (!(board ? read_board(records, upper_offset, image, bytes, error) : read_standard(records, image, bytes, error)))
    return false;
  bytes.to_segments(image);
  return true;
}

}  // namespace sim
