#include "image/intel_hex.h"

#include <cstdio>

namespace image {

namespace {

enum : uint8_t { DATA = 0x00, END_OF_FILE = 0x01, EXTENDED_LINEAR_ADDRESS = 0x04 };

void put_record(std::string &out, uint8_t type, uint16_t offset, const uint8_t *data, size_t length) {
  char b[4];
  unsigned sum = static_cast<unsigned>(length) + (offset >> 8) + (offset & 0xFF) + type;
  snprintf(b, sizeof b, "%02X", static_cast<unsigned>(length));
  out += ':';
  out += b;
  snprintf(b, sizeof b, "%02X", offset >> 8);
  out += b;
  snprintf(b, sizeof b, "%02X", offset & 0xFF);
  out += b;
  snprintf(b, sizeof b, "%02X", type);
  out += b;
  for (size_t k = 0; k < length; k++) {
    snprintf(b, sizeof b, "%02X", data[k]);
    out += b;
    sum += data[k];
  }
  snprintf(b, sizeof b, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  out += b;
  out += '\n';
}

}  // namespace

std::string intel_hex(const Program &p, int record_size) {
  const uint64_t size = record_size == 16 ? 16 : 32;
  std::string out;
  bool upper_known = false;
  uint32_t upper = 0;
  for (const Segment &s : p.segments) {
    uint64_t a = s.address;
    while (a < s.end()) {
      // A record ends at the next multiple of its size, which also keeps it
      // inside one 64 KiB page.
      uint64_t next = (a / size + 1) * size;
      uint64_t end = next < s.end() ? next : s.end();
      uint32_t page = static_cast<uint32_t>(a >> 16);
      if (!upper_known || page != upper) {
        uint8_t field[2] = {static_cast<uint8_t>(page >> 8), static_cast<uint8_t>(page)};
        put_record(out, EXTENDED_LINEAR_ADDRESS, 0, field, 2);
        upper = page;
        upper_known = true;
      }
      put_record(out, DATA, static_cast<uint16_t>(a & 0xFFFF), s.bytes.data() + (a - s.address),
                 static_cast<size_t>(end - a));
      a = end;
    }
  }
  put_record(out, END_OF_FILE, 0, nullptr, 0);
  return out;
}

}  // namespace image
