// PRINTF and SPRINTF: a formatter of our own walks the format string, so
// that no word of the program ever reaches the C library as a pointer or as
// part of an unchecked format.
#include "host/printf_format.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "frontend/symbols.h"
#include "host/host_memory.h"
#include "host/interpreter.h"
#include "host/runtime.h"

namespace {

constexpr uint32_t FORMAT_WORD = 0;
constexpr uint32_t LAST_ARGUMENT = 14;
// Width and precision beyond this make no sense for a 255-character
// result or a console line, and would only let a program flood the output.
constexpr int32_t FIELD_MAX = 255;
constexpr uint32_t SPRINTF_MAX = STR_ACCUM_SIZE - 1;

void put(const PrintfText &io, const char *s, uint32_t n) { io.put(io.context, s, n); }

void put_spaces(const PrintfText &io, int32_t n) {
  static const char spaces[] = "                                ";
  while (n > 0) {
    int32_t k = n < 32 ? n : 32;
    put(io, spaces, static_cast<uint32_t>(k));
    n -= k;
  }
}

enum class Kind { None, Signed, Unsigned, Single, String };

struct ConversionKind {
  char conversion;
  Kind kind;
  const char *flags;  // the flags C defines for it
};

constexpr ConversionKind conversions[] = {
    {'d', Kind::Signed, "-+ 0"},   {'i', Kind::Signed, "-+ 0"},   {'c', Kind::Signed, "-"},
    {'u', Kind::Unsigned, "-0"},   {'x', Kind::Unsigned, "-#0"},  {'X', Kind::Unsigned, "-#0"},
    {'o', Kind::Unsigned, "-#0"},  {'e', Kind::Single, "-+ #0"},  {'f', Kind::Single, "-+ #0"},
    {'g', Kind::Single, "-+ #0"},  {'E', Kind::Single, "-+ #0"},  {'G', Kind::Single, "-+ #0"},
    {'s', Kind::String, "-"},
};

const ConversionKind *find_conversion(char c) {
  for (const ConversionKind &k : conversions)
    if (k.conversion == c) return &k;
  return nullptr;
}

bool is_flag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }

int32_t clamp_field(int64_t v) { return v > FIELD_MAX ? FIELD_MAX : static_cast<int32_t>(v); }

// One numeric conversion through snprintf, with a format built here from
// checked parts and an argument of the type the conversion expects.
void put_number(const PrintfText &out, const ConversionKind &k, const char *flags, int32_t width, int32_t precision,
                int32_t word) {
  char format[16];
  uint32_t f = 0;
  format[f++] = '%';
  for (const char *p = k.flags; *p; p++)
    if (strchr(flags, *p)) format[f++] = *p;
  format[f++] = '*';
  bool with_precision = precision >= 0 && k.conversion != 'c';
  if (with_precision) {
    format[f++] = '.';
    format[f++] = '*';
  }
  format[f++] = k.conversion;
  format[f] = 0;

  char text[FIELD_MAX * 2 + 64];
  int n;
  if (k.kind == Kind::Single) {
    double v = std::bit_cast<float>(word);
    n = with_precision ? snprintf(text, sizeof text, format, width, precision, v)
                       : snprintf(text, sizeof text, format, width, v);
  } else if (k.kind == Kind::Unsigned) {
    unsigned v = static_cast<uint32_t>(word);
    n = with_precision ? snprintf(text, sizeof text, format, width, precision, v)
                       : snprintf(text, sizeof text, format, width, v);
  } else {
    int v = word;
    n = with_precision ? snprintf(text, sizeof text, format, width, precision, v)
                       : snprintf(text, sizeof text, format, width, v);
  }
  if (n < 0) return;
  if (n >= static_cast<int>(sizeof text)) n = sizeof text - 1;
  put(out, text, static_cast<uint32_t>(n));
}

// Returns false when the string cannot be read.
bool put_string(const PrintfText &out, bool left, int32_t width, int32_t precision, int32_t word) {
  uint32_t length = 0;
  const char *s = nullptr;
  if (!out.read_string(out.context, static_cast<uint32_t>(word), s, length)) return false;
  if (precision >= 0 && length > static_cast<uint32_t>(precision)) length = static_cast<uint32_t>(precision);
  int32_t pad = width > static_cast<int32_t>(length) ? width - static_cast<int32_t>(length) : 0;
  if (!left) put_spaces(out, pad);
  put(out, s, length);
  if (left) put_spaces(out, pad);
  return true;
}

}  // namespace

bool format_printf(const char *format, uint32_t format_length, const int32_t *args, uint32_t nargs,
                   const PrintfText &out) {
  uint32_t arg = 0;
  auto next_argument = [&]() -> int32_t {
    int32_t v = arg < nargs ? args[arg] : 0;
    arg++;
    return v;
  };

  uint32_t i = 0;
  while (i < format_length) {
    if (format[i] != '%') {
      uint32_t start = i;
      while (i < format_length && format[i] != '%') i++;
      put(out, format + start, i - start);
      continue;
    }
    uint32_t start = i++;
    uint32_t first_arg = arg;
    if (i < format_length && format[i] == '%') {
      put(out, "%", 1);
      i++;
      continue;
    }
    char flags[8];
    uint32_t nflags = 0;
    bool left = false;
    while (i < format_length && is_flag(format[i])) {
      if (format[i] == '-') left = true;
      if (nflags < sizeof flags - 1) flags[nflags++] = format[i];
      i++;
    }
    int32_t width = 0;
    if (i < format_length && format[i] == '*') {
      int64_t w = next_argument();
      if (w < 0) {
        left = true;
        if (nflags < sizeof flags - 1) flags[nflags++] = '-';
        w = -w;
      }
      width = clamp_field(w);
      i++;
    } else {
      int64_t w = 0;
      while (i < format_length && format[i] >= '0' && format[i] <= '9') {
        if (w <= FIELD_MAX) w = w * 10 + (format[i] - '0');
        i++;
      }
      width = clamp_field(w);
    }
    flags[nflags] = 0;
    int32_t precision = -1;
    if (i < format_length && format[i] == '.') {
      i++;
      if (i < format_length && format[i] == '*') {
        int32_t p = next_argument();
        precision = p < 0 ? -1 : clamp_field(p);
        i++;
      } else {
        int64_t p = 0;
        while (i < format_length && format[i] >= '0' && format[i] <= '9') {
          if (p <= FIELD_MAX) p = p * 10 + (format[i] - '0');
          i++;
        }
        precision = clamp_field(p);
      }
    }
    const ConversionKind *k = i < format_length ? find_conversion(format[i]) : nullptr;
    if (!k) {
      // Not a conversion we make: the text stands as it is, and the
      // arguments a "*" took are given back.
      uint32_t end = i < format_length ? i + 1 : format_length;
      put(out, format + start, end - start);
      i = end;
      arg = first_arg;
      continue;
    }
    i++;
    int32_t word = next_argument();
    if (k->kind == Kind::String) {
      if (!put_string(out, left, width, precision, word)) return false;
    } else {
      put_number(out, *k, flags, width, precision, word);
    }
  }

  return true;
}

namespace {

// Where f_printf's output goes: standard output, or a buffer of at most
// 255 characters that becomes the string accumulator. The buffer also keeps
// a string argument that lies in the accumulator from being overwritten
// while SPRINTF fills it.
struct Output {
  bool to_string;
  uint32_t length;
  char text[STR_ACCUM_SIZE];
};

void put_output(void *context, const char *s, uint32_t n) {
  Output &out = *static_cast<Output *>(context);
  if (!out.to_string) {
    fwrite(s, 1, n, stdout);
    return;
  }
  uint32_t room = SPRINTF_MAX - out.length;
  if (n > room) n = room;
  memcpy(out.text + out.length, s, n);
  out.length += n;
}

// A failed translation has reported the address error and stopped the run.
bool read_host_string(void *, uint32_t reference, const char *&text, uint32_t &length) {
  text = host_string(reference, length);
  return text != nullptr;
}

}  // namespace

void f_printf() {
  uint32_t block = static_cast<uint32_t>(vars.printfLocal);
  if (block >= VAR_SEG_WORDS || VAR_SEG_WORDS - block <= LAST_ARGUMENT) {
    address_error(block);
    return;
  }
  uint32_t format_length = 0;
  const char *format = host_string(static_cast<uint32_t>(load_var_word(block + FORMAT_WORD)), format_length);
  if (!format) return;
  int32_t args[LAST_ARGUMENT];
  for (uint32_t k = 0; k < LAST_ARGUMENT; k++) args[k] = load_var_word(block + 1 + k);

  Output out;
  out.to_string = vm.reg_accum != 0;
  out.length = 0;
  if (!format_printf(format, format_length, args, LAST_ARGUMENT, PrintfText{read_host_string, put_output, &out}))
    return;

  if (out.to_string) {
    char *a = reinterpret_cast<char *>(g_var_seg) + str_accum_offset();
    memcpy(a, out.text, out.length);
    a[out.length] = 0;
    // A string expression may go on appending behind the formatted text.
    vm.str_aptr = static_cast<int32_t>(out.length);
  }
}
