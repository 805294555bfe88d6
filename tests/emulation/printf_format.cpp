#include "printf_format.h"

#include <cstdio>
#include <cstring>

namespace emu {

std::string format_printf(const std::string &format, const uint32_t *args, int nargs,
                          const std::function<std::string(uint32_t)> &read_string) {
  std::string out;
  int next = 0;
  auto take = [&]() -> uint32_t { return next < nargs ? args[next++] : 0u; };
  char buf[512];
  size_t k = 0;
  while (k < format.size()) {
    char c = format[k];
    if (c != '%') {
      out += c;
      k++;
      continue;
    }
    size_t start = k++;
    std::string spec = "%";
    while (k < format.size() && strchr("-+ #0", format[k])) spec += format[k++];
    auto number = [&]() {
      if (k < format.size() && format[k] == '*') {
        spec += std::to_string(static_cast<int32_t>(take()));
        k++;
        return;
      }
      while (k < format.size() && format[k] >= '0' && format[k] <= '9') spec += format[k++];
    };
    number();
    if (k < format.size() && format[k] == '.') {
      spec += format[k++];
      number();
    }
    while (k < format.size() && strchr("hlLqjzt", format[k])) k++;  // every argument is one word
    if (k >= format.size()) {
      out += format.substr(start);
      break;
    }
    char conv = format[k++];
    spec += conv;
    switch (conv) {
      case '%':
        out += '%';
        continue;
      case 'd':
      case 'i':
        snprintf(buf, sizeof buf, spec.c_str(), static_cast<int>(static_cast<int32_t>(take())));
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        snprintf(buf, sizeof buf, spec.c_str(), static_cast<unsigned>(take()));
        break;
      case 'c':
        snprintf(buf, sizeof buf, spec.c_str(), static_cast<int>(take() & 0xFF));
        break;
      case 's': {
        std::string s = read_string(take());
        snprintf(buf, sizeof buf, spec.c_str(), s.c_str());
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G': {
        uint32_t bits = take();
        float f;
        memcpy(&f, &bits, sizeof f);
        snprintf(buf, sizeof buf, spec.c_str(), static_cast<double>(f));
        break;
      }
      default:
        out += format.substr(start, k - start);
        continue;
    }
    out += buf;
  }
  return out;
}

}  // namespace emu
