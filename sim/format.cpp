#include "sim/format.h"

#include <cstdio>

namespace sim {

std::string hex32(uint64_t v) {
  char buf[24];
  snprintf(buf, sizeof buf, "0x%08llX", static_cast<unsigned long long>(v));
  return buf;
}

std::string visible(const std::string &s) {
  std::string v;
  for (unsigned char c : s) {
    if (c == '\n') v += "\\n";
    else if (c == '\r') v += "\\r";
    else if (c == '\t') v += "\\t";
    else if (c < 32 || c >= 127) {
      char buf[8];
      snprintf(buf, sizeof buf, "\\x%02X", c);
      v += buf;
    } else v += static_cast<char>(c);
  }
  return v;
}

}  // namespace sim
