#include "printf_format.h"

#include <cstdio>
#include <cstring>

namespace emu {

namespace {

constexpr int32_t FIELD_LIMIT = 255;

struct Conversion {
  char letter;
  char kind;            // 'd' signed, 'u' unsigned, 'f' SINGLE, 's' string
  const char *flags;    // the flags C defines for the conversion
};

constexpr Conversion conversion_table[] = {
    {'d', 'd', "-+ 0"}, {'i', 'd', "-+ 0"}, {'c', 'd', "-"},     {'u', 'u', "-0"},
    {'x', 'u', "-#0"},  {'X', 'u', "-#0"},  {'o', 'u', "-#0"},   {'e', 'f', "-+ #0"},
    {'f', 'f', "-+ #0"}, {'g', 'f', "-+ #0"}, {'E', 'f', "-+ #0"}, {'G', 'f', "-+ #0"},
    {'s', 's', "-"},
};

const Conversion *conversion_of(char c) {
  for (const Conversion &k : conversion_table)
    if (k.letter == c) return &k;
  return nullptr;
}

int32_t capped(int64_t v) { return v > FIELD_LIMIT ? FIELD_LIMIT : static_cast<int32_t>(v); }

std::string number_text(const Conversion &k, const std::string &flags, int32_t width, int32_t precision,
                        uint32_t word) {
  std::string directive = "%";
  for (const char *p = k.flags; *p; p++)
    if (flags.find(*p) != std::string::npos) directive += *p;
  directive += std::to_string(width);
  if (precision >= 0 && k.letter != 'c') directive += "." + std::to_string(precision);
  directive += k.letter;
  char buf[FIELD_LIMIT * 2 + 64];
  int n;
  if (k.kind == 'f') {
    float f;
    memcpy(&f, &word, sizeof f);
    n = snprintf(buf, sizeof buf, directive.c_str(), static_cast<double>(f));
  } else if (k.kind == 'u') {
    n = snprintf(buf, sizeof buf, directive.c_str(), static_cast<unsigned>(word));
  } else {
    n = snprintf(buf, sizeof buf, directive.c_str(), static_cast<int>(static_cast<int32_t>(word)));
  }
  if (n < 0) return {};
  if (n >= static_cast<int>(sizeof buf)) n = sizeof buf - 1;
  return std::string(buf, static_cast<size_t>(n));
}

}  // namespace

std::optional<std::string> format_printf(const std::string &format, const uint32_t *args, int nargs,
                                         const std::function<std::optional<std::string>(uint32_t)> &read_string) {
  std::string out;
  int next = 0;
  auto take = [&]() -> uint32_t {
    uint32_t v = next < nargs ? args[next] : 0u;
    next++;
    return v;
  };
  size_t n = format.size(), i = 0;
  while (i < n) {
    if (format[i] != '%') {
      out += format[i++];
      continue;
    }
    size_t start = i++;
    int first = next;
    if (i < n && format[i] == '%') {
      out += '%';
      i++;
      continue;
    }
    std::string flags;
    bool left = false;
    while (i < n && strchr("-+ #0", format[i]) && format[i] != 0) {
      if (format[i] == '-') left = true;
      if (flags.size() < 7) flags += format[i];
      i++;
    }
    int32_t width = 0;
    if (i < n && format[i] == '*') {
      int64_t w = static_cast<int32_t>(take());
      if (w < 0) {
        left = true;
        if (flags.size() < 7) flags += '-';
        w = -w;
      }
      width = capped(w);
      i++;
    } else {
      int64_t w = 0;
      for (; i < n && format[i] >= '0' && format[i] <= '9'; i++)
        if (w <= FIELD_LIMIT) w = w * 10 + (format[i] - '0');
      width = capped(w);
    }
    int32_t precision = -1;
    if (i < n && format[i] == '.') {
      i++;
      if (i < n && format[i] == '*') {
        int32_t p = static_cast<int32_t>(take());
        precision = p < 0 ? -1 : capped(p);
        i++;
      } else {
        int64_t p = 0;
        for (; i < n && format[i] >= '0' && format[i] <= '9'; i++)
          if (p <= FIELD_LIMIT) p = p * 10 + (format[i] - '0');
        precision = capped(p);
      }
    }
    const Conversion *k = i < n ? conversion_of(format[i]) : nullptr;
    if (!k) {
      size_t end = i < n ? i + 1 : n;
      out += format.substr(start, end - start);
      i = end;
      next = first;
      continue;
    }
    i++;
    uint32_t word = take();
    if (k->kind == 's') {
      std::optional<std::string> s = read_string(word);
      if (!s) return std::nullopt;
      std::string text = *s;
      if (precision >= 0 && text.size() > static_cast<size_t>(precision)) text.resize(static_cast<size_t>(precision));
      std::string pad(width > static_cast<int32_t>(text.size()) ? static_cast<size_t>(width) - text.size() : 0, ' ');
      out += left ? text + pad : pad + text;
    } else {
      out += number_text(*k, flags, width, precision, word);
    }
  }
  return out;
}

}  // namespace emu
