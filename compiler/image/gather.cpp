#include "image/gather.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <sstream>

#include "codegen/emit.h"
#include "core/firmware.h"
#include "driver/hex_output.h"
#include "frontend/source_lines.h"
#include "frontend/tokenizer.h"

namespace image {

namespace {

struct Record {
  uint32_t address;
  std::vector<uint8_t> bytes;
};

// The records of the capture alive, if any.
std::vector<Record> captured;

void collect(uint32_t address, const uint8_t *bytes, int32_t count) {
  captured.push_back({address, std::vector<uint8_t>(bytes, bytes + count)});
}

// The constant string area is the 128 KiB below its top.
constexpr uint32_t STRING_AREA_SIZE = 0x20000;

}  // namespace

ImageCapture::ImageCapture() {
  captured.clear();
  image_record_observer = collect;
}

ImageCapture::~ImageCapture() {
  image_record_observer = nullptr;
  captured.clear();
}

std::vector<Segment> ImageCapture::segments(std::string &error) const {
  std::vector<Record> records = captured;
  std::stable_sort(records.begin(), records.end(),
                   [](const Record &a, const Record &b) { return a.address < b.address; });
  std::vector<Segment> out;
  for (const Record &r : records) {
    if (r.bytes.empty()) continue;
    if (out.empty() || out.back().end() < r.address) {
      out.push_back({r.address, r.bytes});
      continue;
    }
    // A record that meets or overlaps the one before it: the bytes both
    // write must agree.
    Segment &s = out.back();
    for (size_t k = 0; k < r.bytes.size(); k++) {
      uint64_t a = static_cast<uint64_t>(r.address) + k;
      if (a < s.end()) {
        if (s.bytes[a - s.address] != r.bytes[k]) {
          error = "the image writes two different bytes at " + hex_address(a);
          return {};
        }
      } else {
        s.bytes.push_back(r.bytes[k]);
      }
    }
  }
  return out;
}

namespace {

// One line of the symbol map: "> 0xADDRESS KIND NAME SIZE".
struct MapLine {
  uint32_t address;
  std::string kind, name;
  uint32_t size;  // 0 where the map gives none (a parameter array's -1)
};

bool parse_number(const std::string &text, int base, int64_t &value) {
  const char *end = text.data() + text.size();
  auto [at, error] = std::from_chars(text.data(), end, value, base);
  return error == std::errc() && at == end;
}

std::vector<MapLine> map_lines(const std::string &text) {
  std::vector<MapLine> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("> 0x", 0) != 0) continue;
    std::istringstream words(line.substr(4));
    std::string address, kind, name, size;
    int64_t a = 0, n = 0;
    if (!(words >> address >> kind >> name >> size) || !parse_number(address, 16, a) ||
        !parse_number(size, kind == "OTHER" ? 16 : 10, n))
      continue;
    out.push_back({static_cast<uint32_t>(a), kind, name, n > 0 ? static_cast<uint32_t>(n) : 0});
  }
  return out;
}

bool is_routine(const std::string &kind) {
  return kind == "SUB" || kind == "SFUNCT" || kind == "FFUNCT" || kind == "WFUNCT";
}

// Bytes per unit of a map line's size field, for the kinds that are data;
// 0 for the others.
uint32_t size_unit(const std::string &kind, uint32_t &fixed_words) {
  fixed_words = 0;
  if (kind == "WORD" || kind == "SINGLE" || kind == "INTPTR" || kind == "SNGLPTR") {
    fixed_words = 1;
    return 4;
  }
  if (kind == "STRING" || kind == "ARRAY" || kind == "FARRAY" || kind == "PARRAY") return 4;
  return 0;
}

// A NUL-terminated string's length with its NUL, read from the flash.
uint32_t string_size(const Program &p, uint32_t address, uint32_t limit) {
  uint32_t n = 0;
  while (address + n < limit) {
    if (flash_byte(p, address + n) == 0) return n + 1;
    n++;
  }
  return n;
}

void add_symbols(Program &p, const std::string &map_text, uint32_t strings_base, uint32_t strings_end) {
  std::vector<MapLine> lines = map_lines(map_text);
  std::vector<size_t> routines;  // indices into p.symbols
  for (const MapLine &l : lines) {
    bool local = l.name.find(':') != std::string::npos;
    uint32_t fixed_words = 0, unit = size_unit(l.kind, fixed_words);
    if (l.kind == "CODE" || is_routine(l.kind)) {
      if (is_routine(l.kind)) routines.push_back(p.symbols.size());
      p.symbols.push_back({l.name, SymbolKind::Code, l.address, 0, local});
    } else if (l.kind == "CSTRING") {
      uint32_t address = strings_base + l.address;
      p.symbols.push_back({l.name, SymbolKind::Object, address, string_size(p, address, strings_end), local});
    } else if (unit != 0) {
      // The map gives variables' addresses from table words 7 and 6; the code
      // reaches them from its own variable base.
      uint32_t address = l.address - firmware.data_base + firmware.variable_base;
      p.symbols.push_back({l.name, SymbolKind::Object, address, unit * (fixed_words ? fixed_words : l.size), local});
    }
    // OTHER: numeric constants, word tables and the routines' own entries,
    // which their procedure lines give.
  }

  // A routine runs up to the next routine or global label (the code that
  // jumps around it), or to the end of the code.
  std::vector<uint32_t> bounds;
  for (const MapLine &l : lines)
    if (is_routine(l.kind) || (l.kind == "CODE" && l.name.find(':') == std::string::npos)) bounds.push_back(l.address);
  std::sort(bounds.begin(), bounds.end());
  auto end_of = [&](uint32_t address) {
    auto next = std::upper_bound(bounds.begin(), bounds.end(), address);
    return next == bounds.end() ? std::max(p.code_end, address) : *next;
  };
  for (size_t k : routines) {
    Symbol &s = p.symbols[k];
    s.size = end_of(s.address) - s.address;
  }

  // Where a GOSUB enters each global label: behind the label's first unit,
  // the branch over the prologue (MAIN has none).
  const uint32_t unit = p.isa == Isa::Thumb ? 2 : 4;
  const uint32_t branch_over_one_unit = p.isa == Isa::Thumb ? 0xE000 : 0xEA000000;
  for (const Symbol &s : p.symbols) {
    if (s.kind != SymbolKind::Code || s.local || s.size != 0) continue;
    const Span *span = span_at(p, s.address);
    if (!span || span->contents != Contents::Code) continue;
    uint32_t first = 0;
    for (uint32_t k = 0; k < unit; k++) first |= static_cast<uint32_t>(flash_byte(p, s.address + k)) << (8 * k);
    if (first != branch_over_one_unit) continue;
    const uint32_t end = end_of(s.address);
    if (end > s.address + unit) p.gosub_entries.push_back({s.name, {s.address + unit, end}});
  }
}

Range merged_bounds(const std::vector<Segment> &segments, Range within) {
  Range r{0, 0};
  bool any = false;
  for (const Segment &s : segments) {
    uint64_t from = std::max<uint64_t>(s.address, within.start), to = std::min<uint64_t>(s.end(), within.end);
    if (from >= to) continue;
    if (!any) r.start = static_cast<uint32_t>(from);
    r.end = static_cast<uint32_t>(std::max<uint64_t>(r.end, to));
    any = true;
  }
  return r;
}

void add_lines(Program &p, const SourceText *source) {
  std::map<uint16_t, uint32_t> file_index;
  for (int32_t k = 0; k < source_line_table.count; k++) {
    const SourceLine &l = source_lines[k];
    std::string name = source_files[l.file];
    if (source) {
      auto it = source->files.find(name);
      if (it != source->files.end() && (l.line == 0 || l.line > it->second.size())) continue;
    }
    auto [it, fresh] = file_index.emplace(l.file, static_cast<uint32_t>(p.files.size()));
    if (fresh) p.files.push_back(name);
    p.lines.push_back({it->second, l.line, code_unit_address(l.unit)});
  }
}

}  // namespace

Program gather_program(const std::vector<Segment> &segments, const std::string &map_text,
                       const std::string &directory, const SourceText *source) {
  Program p;
  p.isa = arm_class() ? Isa::Arm : Isa::Thumb;
  p.directory = directory;
  p.segments = segments;
  // QUITDUMP takes the last unit of END back out of fCODE once the image
  // is written.
  uint32_t units = emit.fCODE + 1;
  p.entry = code_unit_address(static_cast<uint32_t>(emit.CODEoffset));
  p.code_end = code_unit_address(units);
  p.variables = {firmware.variable_base, firmware.variable_base + 4u * static_cast<uint32_t>(firmware.varSpace)};

  // The parts of the flash, told apart by address: the symbol page at the
  // top of the string area, the strings below it, the code below them.
  uint32_t top = firmware.string_area_top;
  uint32_t strings_base = top - STRING_AREA_SIZE;
  Range strings_area{strings_base + static_cast<uint32_t>(std::max(cstrings.ConstantStringPtr, 0) & ~31),
                     strings_base + static_cast<uint32_t>(std::min<int32_t>(cstrings.CONSToffset, STRING_AREA_SIZE))};
  Range code = merged_bounds(segments, {0, strings_area.start});
  Range strings = merged_bounds(segments, strings_area);
  Range page = merged_bounds(segments, {top, 0xFFFFFFFF});
  if (code.end > code.start) {
    bool io_handler = p.isa == Isa::Thumb && emit.io_handler_start >= 0;
    uint32_t ioh = io_handler ? code_unit_address(static_cast<uint32_t>(emit.io_handler_start)) : code.end;
    if (ioh > code.start) p.spans.push_back({Contents::Code, {code.start, std::min(ioh, code.end)}});
    if (ioh < code.end) p.spans.push_back({Contents::IoHandler, {std::max(ioh, code.start), code.end}});
  }
  if (strings.end > strings.start) p.spans.push_back({Contents::Strings, strings});
  if (page.end > page.start) p.spans.push_back({Contents::SymbolPage, page});

  // Data inside the code: the units the code generator marked, and what
  // fills the last record behind the code.
  uint32_t unit_bytes = code_unit_bytes();
  for (uint32_t i = static_cast<uint32_t>(emit.CODEoffset); i < units && i < static_cast<uint32_t>(FLASH_CODES_SIZE); i++) {
    if (!Flash_is_data[i]) continue;
    uint32_t a = code_unit_address(i);
    if (!p.data.empty() && p.data.back().end == a)
      p.data.back().end = a + unit_bytes;
    else
      p.data.push_back({a, a + unit_bytes});
  }
  if (code.end > p.code_end) {
    if (!p.data.empty() && p.data.back().end == p.code_end)
      p.data.back().end = code.end;
    else
      p.data.push_back({p.code_end, code.end});
  }

  add_symbols(p, map_text, strings_base, strings_area.end);
  add_lines(p, source);
  return p;
}

}  // namespace image
