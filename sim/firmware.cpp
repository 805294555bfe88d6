#include "sim/firmware.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "compile/expression.h"
#include "host/printf_format.h"
#include "host/runtime.h"
#include "sim/format.h"

namespace sim {

namespace {

std::string fmt_int(const char *format, uint32_t v) {
  char buf[32];
  snprintf(buf, sizeof buf, format, static_cast<int>(static_cast<int32_t>(v)));
  return buf;
}

std::string fmt_float(float f) {
  char buf[64];
  snprintf(buf, sizeof buf, "%1.6G", static_cast<double>(f));
  return buf;
}

// Byte-wise comparison with signed bytes, the terminating NUL included.
int32_t compare_strings(const std::string &a, const std::string &b) {
  size_t n = std::max(a.size(), b.size()) + 1;
  for (size_t k = 0; k < n; k++) {
    int8_t x = static_cast<int8_t>(k < a.size() ? a[k] : 0);
    int8_t y = static_cast<int8_t>(k < b.size() ? b[k] : 0);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) break;
  }
  return 0;
}

// Number from text: "$", "0x" or "&H" select hexadecimal, "-" negates,
// otherwise decimal; the number ends at the first character that is no digit.
int32_t text_to_number(const std::string &s) {
  size_t k = 0;
  bool hex = false, negative = false;
  if (s.compare(0, 1, "$") == 0) {
    hex = true;
    k = 1;
  } else if (s.compare(0, 2, "0x") == 0 || s.compare(0, 2, "&H") == 0) {
    hex = true;
    k = 2;
  } else if (s.compare(0, 1, "-") == 0) {
    negative = true;
    k = 1;
  }
  uint32_t v = 0;
  for (; k < s.size(); k++) {
    int c = static_cast<unsigned char>(s[k]);
    int digit;
    if (hex) {
      digit = c > '9' ? (c & ~0x20) - 7 - '0' : c - '0';
      if (digit < 0 || digit > 15) break;
      v = v * 16 + static_cast<uint32_t>(digit);
    } else {
      if (c < '0' || c > '9') break;
      v = v * 10 + static_cast<uint32_t>(c - '0');
    }
  }
  return static_cast<int32_t>(negative ? 0u - v : v);
}

float as_float(uint32_t bits) {
  float f;
  memcpy(&f, &bits, sizeof f);
  return f;
}

struct EntryName {
  int entry;
  const char *name;
};

constexpr EntryName entry_names[] = {
    {8, "ABS"},          {9, "ADDSBYTE"},      {10, "ADDSTR"},      {14, "STR (integer)"},
    {15, "DIV"},         {17, "EQ"},           {18, "GE"},          {24, "RXD"},
    {25, "FTOI"},        {26, "GETSTR"},       {27, "TIMER"},       {28, "ITOF"},
    {29, "OPND_ITOF"},   {30, "GT"},           {31, "HEX"},         {32, "STR (SINGLE)"},
    {33, "LE"},          {34, "LEFT"},         {35, "LOGAND"},      {36, "LOGNOT"},
    {37, "LOGOR"},       {38, "LOGXOR"},       {39, "LT"},          {42, "MOD"},
    {43, "NE"},          {44, "NEWSTR"},       {45, "PRINTNUM (SINGLE)"},
    {46, "ADD (SINGLE)"}, {47, "SUB (SINGLE)"}, {48, "IN"},         {49, "NEG (SINGLE)"},
    {50, "DIV (SINGLE)"}, {51, "MUL (SINGLE)"}, {52, "OUT"},        {55, "PRINTNUM (integer)"},
    {56, "PRINTCH"},     {57, "PRINTCR"},      {59, "PRINTSTR"},    {60, "PRINTTAB"},
    {61, "DIR"},         {63, "PRINTF/SPRINTF"}, {67, "RIGHT"},     {68, "SAVESTR"},
    {69, "BAUD"},        {72, "LT (SINGLE)"},  {73, "GT (SINGLE)"}, {74, "LE (SINGLE)"},
    {75, "GE (SINGLE)"}, {77, "TXD"},          {78, "NE (SINGLE)"}, {79, "OPND_FTOI"},
    {80, "EQ (SINGLE)"}, {81, "VAL"},          {82, "STRCOMP"},     {83, "LEN"},
    {85, "WAITMICRO"},   {86, "WAIT"},         {87, "DIR write"},   {100, "AD"},
    {101, "FREAD"},      {109, "WRITE"},       {110, "INTERRUPT"},  {111, "STOP"},
    {116, "interrupt set-up 1"}, {117, "interrupt set-up 2"}, {118, "interrupt set-up 3"},
    {119, "interrupt set-up 4"}, {122, "TXFREE"}, {123, "GEN_INT"}, {138, "QUICKSORT"},
    {89, "call by address"}, {91, "load r7 from the word behind the call"},
    {92, "load r7 from the variable at the word behind the call"},
    {93, "load r6 from the word behind the call"},
    {94, "load r6 from the variable at the word behind the call"}, {96, "return"},
    {97, "store r7 into the variable at the word behind the call"},
};

}  // namespace

const char *Firmware::entry_name(int entry) {
  for (const EntryName &e : entry_names)
    if (e.entry == entry) return e.name;
  return "unnamed";
}

Firmware::Firmware(uc_engine *uc, const Board &board, Console &console, Pins &pins)
    : uc_(uc), b_(board), console_(console), pins_(pins), str_aptr_(board.string_accumulator()) {}

uint32_t Firmware::get(int reg) const {
  uint32_t v = 0;
  uc_reg_read(uc_, reg, &v);
  return v;
}

void Firmware::set(int reg, uint32_t value) { uc_reg_write(uc_, reg, &value); }


std::string Firmware::read_string(uint32_t address) {
  std::string s;
  for (uint32_t k = 0; k < 0x10000; k++) {
    char c;
    if (uc_mem_read(uc_, address + k, &c, 1) != UC_ERR_OK) {
      memory_fault_ = true;
      fault_ = "string read at " + hex32(address + k) + " failed";
      return s;
    }
    if (c == 0) return s;
    s += c;
  }
  memory_fault_ = true;
  fault_ = "string without end";
  return s;
}

void Firmware::write_bytes(uint32_t address, const std::string &bytes) {
  if (uc_mem_write(uc_, address, bytes.data(), bytes.size()) != UC_ERR_OK) {
    memory_fault_ = true;
    fault_ = "string write at " + hex32(address) + " failed";
  }
}

// The accumulator holds at most 255 characters and its NUL; longer
// results are cut.
void Firmware::append(const std::string &s) {
  uint32_t limit = b_.string_accumulator() + STRING_ACCUMULATOR_SIZE - 1;
  if (str_aptr_ > limit) str_aptr_ = limit;
  std::string part = s.substr(0, limit - str_aptr_);
  write_bytes(str_aptr_, part + '\0');
  str_aptr_ += static_cast<uint32_t>(part.size());
}

// ARM code places a word that no instruction can hold right behind the BL
// to one of these routines; the routine reads it at the return address and
// returns behind it. 91 and 93 load the word itself into r7 or r6, 92 and 94
// the variable word at that address, and 97 stores r7 there.
bool Firmware::load_word_behind_call(int entry, std::string &error) {
  uint32_t lr = get(UC_ARM_REG_LR), word = 0, value = 0;
  if (uc_mem_read(uc_, lr, &word, 4) != UC_ERR_OK) {
    error = "firmware entry " + std::to_string(entry) + ": no data word behind the call";
    return false;
  }
  if (entry == 92 || entry == 94) {
    if (uc_mem_read(uc_, word, &value, 4) != UC_ERR_OK) {
      error = "firmware entry " + std::to_string(entry) + ": variable read at " + hex32(word) + " failed";
      return false;
    }
  } else if (entry == 97) {
    value = get(b_.accum);
    if (uc_mem_write(uc_, word, &value, 4) != UC_ERR_OK) {
      error = "firmware entry 97: variable write at " + hex32(word) + " failed";
      return false;
    }
  } else {
    value = word;
  }
  if (entry == 91 || entry == 92) set(b_.accum, value);
  if (entry == 93 || entry == 94) set(b_.operand, value);
  set(UC_ARM_REG_LR, lr + 4);
  return true;
}

bool Firmware::printf_block(uint32_t acc, uint32_t opd, std::string &error) {
  // The operand is the byte offset of the parameter block in variable
  // space: word 0 the format string, words 1 to 14 the arguments.
  uint32_t block[15];
  if (uc_mem_read(uc_, b_.var_base + opd, block, sizeof block) != UC_ERR_OK) {
    error = "PRINTF parameter block at " + hex32(b_.var_base + opd) + " unreadable";
    return false;
  }
  // The host's formatter, fed from the board's memory.
  struct Source {
    Firmware *firmware;
    std::string held;
    std::string text;
  } source{this, {}, {}};
  auto read = [](void *context, uint32_t reference, const char *&text, uint32_t &length) {
    Source &b = *static_cast<Source *>(context);
    b.held = b.firmware->read_string(reference);
    if (b.firmware->memory_fault_) return false;
    text = b.held.data();
    length = static_cast<uint32_t>(b.held.size());
    return true;
  };
  auto put = [](void *context, const char *text, uint32_t length) {
    static_cast<Source *>(context)->text.append(text, length);
  };
  std::string format = read_string(block[0]);
  int32_t args[14];
  memcpy(args, block + 1, sizeof args);
  if (!format_printf(format.data(), static_cast<uint32_t>(format.size()), args, 14, PrintfText{read, put, &source}))
    return true;  // a string argument could not be read: memory_fault_ tells
  if (acc != 0) {
    // SPRINTF fills the accumulator from its start; a string expression
    // may append behind the text.
    str_aptr_ = b_.string_accumulator();
    append(source.text);
  } else {
    console_.print(source.text);
  }
  return true;
}

Firmware::Outcome Firmware::call(int entry, uint32_t ms, std::string &error) {
  const int A = b_.accum, O = b_.operand, X = b_.lindex, S = b_.strscratch;
  const uint32_t acc = get(A), opd = get(O);
  const int32_t a = static_cast<int32_t>(acc), o = static_cast<int32_t>(opd);
  auto truth = [&](bool b) { set(A, b ? 1u : 0u); };
  auto fop = [&](char op) { set(A, static_cast<uint32_t>(single_arith(a, o, op))); };
  const double fa = as_float(acc), fo = as_float(opd);
  memory_fault_ = false;

  if (b_.arm()) {
    switch (entry) {
      case 91: case 92: case 93: case 94: case 97:
        return load_word_behind_call(entry, error) ? Outcome::Done : Outcome::Failed;
      default:
        break;
    }
  }

  switch (entry) {
    // Integer division and remainder; the most negative number divided by
    // -1 stays itself.
    case ENTRY_DIV:
      if (o == 0) return Outcome::DivisionByZero;
      set(A, o == -1 ? 0u - acc : static_cast<uint32_t>(a / o));
      break;
    case ENTRY_MOD:
      if (o == 0) return Outcome::DivisionByZero;
      set(A, o == -1 ? 0u : static_cast<uint32_t>(a % o));
      break;
    case 17: truth(a == o); break;
    case 43: truth(a != o); break;
    case 39: truth(a < o); break;
    case 33: truth(a <= o); break;
    case 30: truth(a > o); break;
    case 18: truth(a >= o); break;
    case 35: truth(a != 0 && o != 0); break;
    case 37: truth(a != 0 || o != 0); break;
    case 38:
      set(O, o != 0 ? 1u : 0u);
      truth((a != 0) != (o != 0));
      break;
    case 36: truth(a == 0); break;
    case 8:
      if (a < 0) set(A, 0u - acc);
      break;

    // SINGLE arithmetic with the compiler's own rule for RUN, which is the
    // firmware's: double precision, rounded to single, the default NaN.
    case 46: fop('+'); break;
    case 47: fop('-'); break;
    case 51: fop('*'); break;
    case 50: fop('/'); break;
    case 49:  // the sign bit flips; 0.0 stays as it is
      if (acc != 0) set(A, acc ^ 0x80000000u);
      break;
    case 80: truth(fa == fo); break;
    case 78: truth(fa != fo); break;
    case 72: truth(fa < fo); break;
    case 73: truth(fa > fo); break;
    case 74: truth(fa <= fo); break;
    case 75: truth(fa >= fo); break;
    // The conversions as the compiler folds them.
    case 28: set(A, int_to_single_bits(a)); break;
    case 29: set(O, int_to_single_bits(o)); break;
    case 25: set(A, static_cast<uint32_t>(single_bits_to_int(acc))); break;
    case 79: set(O, static_cast<uint32_t>(single_bits_to_int(opd))); break;

    // Strings, built in the string accumulator.
    case 44:
      str_aptr_ = b_.string_accumulator();
      write_bytes(str_aptr_, std::string(1, '\0'));
      break;
    case 10: append(read_string(acc)); break;
    case 9: append(std::string(1, static_cast<char>(acc & 0xFF))); break;
    case 34: {
      // The whole count, clamped to the string, as the host takes it.
      std::string s = read_string(get(S));
      size_t n = a <= 0 ? 0 : std::min(static_cast<size_t>(a), s.size());
      append(s.substr(0, n));
      break;
    }
    case 67: {
      std::string s = read_string(get(S));
      size_t n = a <= 0 ? 0 : std::min(static_cast<size_t>(a), s.size());
      append(s.substr(s.size() - n));
      break;
    }
    case 82: {
      std::string x = read_string(acc), y = read_string(opd);
      set(A, static_cast<uint32_t>(compare_strings(x, y)));
      break;
    }
    case 83: set(A, static_cast<uint32_t>(read_string(acc).size())); break;
    case 68: {
      std::string s = read_string(b_.string_accumulator());
      write_bytes(get(X), s + '\0');
      str_aptr_ = b_.string_accumulator() + static_cast<uint32_t>(s.size());
      break;
    }
    case 31: {
      char buf[16];
      snprintf(buf, sizeof buf, "%x", acc);
      append(buf);
      break;
    }
    case 14: append(fmt_int("%d", acc)); break;
    case 32: append(fmt_float(as_float(acc))); break;
    case 81: set(A, static_cast<uint32_t>(text_to_number(read_string(acc)))); break;
    case 26: {
      // A new string from one input line; a longer line keeps its first
      // 255 characters.
      std::string line;
      if (!console_.read_line(line)) return Outcome::InputEnded;
      str_aptr_ = b_.string_accumulator();
      write_bytes(str_aptr_, line.substr(0, STRING_ACCUMULATOR_SIZE - 1) + '\0');
      set(A, str_aptr_);
      break;
    }

    // Printing, on the board's console.
    case 55: console_.print(fmt_int("%d", acc)); break;
    case 45: console_.print(fmt_float(as_float(acc))); break;
    case 60: console_.print("\t"); break;
    case 57: console_.print("\n"); break;
    case 59: console_.print(read_string(acc)); break;
    case 56: console_.print(std::string(1, static_cast<char>(acc & 0xFF))); break;
    case 63:
      if (!printf_block(acc, opd, error)) return Outcome::Failed;
      break;

    // The serial ports: port 0 is the console.
    case 24: {
      int c = get(X) == 0 ? console_.read_byte() : -1;
      set(A, static_cast<uint32_t>(c));
      break;
    }
    case 77:
      if (get(X) == 0) console_.print(std::string(1, static_cast<char>(acc & 0xFF)));
      break;
    case 122: set(A, 255); break;  // room in the transmit buffer: always
    case 69: break;                 // BAUD

    case ENTRY_TIMER: set(A, ms); break;

    // Pins, and what RUN reports for the board's other services.
    case 48: set(A, pins_.in(a)); break;
    case 61: set(A, pins_.dir(a)); break;
    case 100: set(A, pins_.ad(a)); break;
    case 52: pins_.out(static_cast<int32_t>(get(X)), a); break;
    case 87: pins_.set_dir(static_cast<int32_t>(get(X)), a); break;
    case 109: console_.report("write flash\n"); break;
    case 110: console_.report(fmt_int("interrupt %d\n", acc)); break;
    case 111: console_.report("STOP - hit run to continue\n"); break;

    default:
      error = "firmware entry " + std::to_string(entry) + " (" + entry_name(entry) + ") is not simulated";
      return Outcome::Failed;
  }
  if (memory_fault_) {
    error = std::string("firmware entry ") + std::to_string(entry) + " (" + entry_name(entry) + "): " + fault_;
    return Outcome::Failed;
  }
  return Outcome::Done;
}

}  // namespace sim
