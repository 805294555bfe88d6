#include "image/dwarf.h"

#include <dwarf.h>  // elfutils (libdw-dev): the DWARF codes

#include <algorithm>

namespace image {

namespace {

// No language code exists for BASIC; the assembler code tells a debugger
// to expect neither types nor scopes.
constexpr uint16_t DWARF_VERSION = 4, ARANGES_VERSION = 2;
constexpr uint8_t ADDRESS_SIZE = 4;
constexpr uint8_t ABBREV_UNIT = 1, ABBREV_SUBPROGRAM = 2;

struct Writer {
  std::vector<uint8_t> &out;
  void u8(uint8_t v) { out.push_back(v); }
  void u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
  }
  void u32(uint32_t v) {
    u16(static_cast<uint16_t>(v));
    u16(static_cast<uint16_t>(v >> 16));
  }
  void uleb(uint64_t v) {
    do {
      uint8_t b = v & 0x7F;
      v >>= 7;
      u8(v ? b | 0x80 : b);
    } while (v);
  }
  void sleb(int64_t v) {
    for (;;) {
      uint8_t b = v & 0x7F;
      v >>= 7;  // arithmetic: the sign stays
      bool done = (v == 0 && !(b & 0x40)) || (v == -1 && (b & 0x40));
      u8(done ? b : b | 0x80);
      if (done) return;
    }
  }
  void str(const std::string &s) {
    out.insert(out.end(), s.begin(), s.end());
    u8(0);
  }
  // A 32-bit length field to fill in later; returns its position.
  size_t length_field() {
    size_t at = out.size();
    u32(0);
    return at;
  }
  // The length field at `at` counts the bytes behind it.
  void close_length(size_t at) {
    uint32_t n = static_cast<uint32_t>(out.size() - at - 4);
    for (int k = 0; k < 4; k++) out[at + k] = static_cast<uint8_t>(n >> (8 * k));
  }
};

struct LineState {
  uint32_t address = 0, file = 0, line = 1;
};

void put_row(Writer &w, LineState &st, const LinePosition &row) {
  if (row.file != st.file) {
    w.u8(DW_LNS_set_file);
    w.uleb(row.file + 1);
    st.file = row.file;
  }
  int64_t line_delta = static_cast<int64_t>(row.line) - st.line;
  uint64_t address_delta = row.address - st.address;
  bool special_fits = line_delta >= LINE_BASE && line_delta < LINE_BASE + LINE_RANGE;
  uint64_t special = special_fits ? (line_delta - LINE_BASE) + LINE_RANGE * address_delta + OPCODE_BASE : 256;
  if (special <= 255) {
    w.u8(static_cast<uint8_t>(special));
  } else {
    if (address_delta) {
      w.u8(DW_LNS_advance_pc);
      w.uleb(address_delta);
    }
    if (line_delta) {
      w.u8(DW_LNS_advance_line);
      w.sleb(line_delta);
    }
    w.u8(DW_LNS_copy);
  }
  st.address = row.address;
  st.line = row.line;
}

std::vector<uint8_t> line_program(const Program &p, const std::vector<LinePosition> &rows) {
  std::vector<uint8_t> out;
  Writer w{out};
  size_t unit_length = w.length_field();
  w.u16(DWARF_VERSION);
  size_t header_length = w.length_field();
  w.u8(1);  // minimum instruction length: addresses advance in bytes
  w.u8(1);  // maximum operations per instruction
  w.u8(1);  // default is_stmt
  w.u8(static_cast<uint8_t>(LINE_BASE));
  w.u8(LINE_RANGE);
  w.u8(OPCODE_BASE);
  for (uint8_t n : {0, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0, 1}) w.u8(n);  // operands of opcodes 1..12
  w.u8(0);  // no include directories: names are relative to the compile directory or absolute
  for (const std::string &f : p.files) {
    w.str(f);
    w.uleb(0);  // directory: the compile directory
    w.uleb(0);  // modification time unknown
    w.uleb(0);  // length unknown
  }
  w.u8(0);
  w.close_length(header_length);

  size_t k = 0;
  while (k < rows.size()) {
    const Span *span = span_at(p, rows[k].address);
    uint32_t end = code_end(p, *span);
    LineState st;
    st.address = rows[k].address;
    w.u8(0);
    w.uleb(1 + ADDRESS_SIZE);
    w.u8(DW_LNE_set_address);
    w.u32(st.address);
    for (; k < rows.size() && span->range.contains(rows[k].address); k++) put_row(w, st, rows[k]);
    if (end > st.address) {
      w.u8(DW_LNS_advance_pc);
      w.uleb(end - st.address);
    }
    w.u8(0);
    w.uleb(1);
    w.u8(DW_LNE_end_sequence);
  }
  w.close_length(unit_length);
  return out;
}

std::vector<uint8_t> abbreviations(bool children) {
  std::vector<uint8_t> out;
  Writer w{out};
  w.uleb(ABBREV_UNIT);
  w.uleb(DW_TAG_compile_unit);
  w.u8(children ? DW_CHILDREN_yes : DW_CHILDREN_no);
  for (auto [at, form] : {std::pair{DW_AT_producer, DW_FORM_string}, {DW_AT_language, DW_FORM_data2},
                          {DW_AT_name, DW_FORM_string}, {DW_AT_comp_dir, DW_FORM_string},
                          {DW_AT_stmt_list, DW_FORM_sec_offset}, {DW_AT_low_pc, DW_FORM_addr},
                          {DW_AT_high_pc, DW_FORM_data4}}) {
    w.uleb(at);
    w.uleb(form);
  }
  w.u8(0);
  w.u8(0);
  w.uleb(ABBREV_SUBPROGRAM);
  w.uleb(DW_TAG_subprogram);
  w.u8(DW_CHILDREN_no);
  for (auto [at, form] : {std::pair{DW_AT_name, DW_FORM_string}, {DW_AT_low_pc, DW_FORM_addr},
                          {DW_AT_high_pc, DW_FORM_data4}}) {
    w.uleb(at);
    w.uleb(form);
  }
  w.u8(0);
  w.u8(0);
  w.u8(0);
  return out;
}

}  // namespace

DebugSections debug_sections(const Program &p, const std::string &producer) {
  DebugSections d;
  std::vector<LinePosition> rows = code_lines(p);
  if (rows.empty()) return d;
  d.line = line_program(p, rows);

  std::vector<Range> code;
  for (const Span &s : p.spans)
    if (is_code(s.contents) && code_end(p, s) > s.range.start) code.push_back({s.range.start, code_end(p, s)});
  Range whole{code.front().start, code.back().end};

  // One subprogram per routine, and one per label from where a GOSUB enters
  // it: a debugger that steps into a call stops only at the start of the
  // function it lands in.
  struct Subprogram {
    const std::string *name;
    Range range;
  };
  std::vector<Subprogram> routines;
  for (const Symbol &s : p.symbols)
    if (s.kind == SymbolKind::Code && s.size > 0) routines.push_back({&s.name, {s.address, s.address + s.size}});
  for (const GosubEntry &e : p.gosub_entries) routines.push_back({&e.label, e.body});
  d.abbrev = abbreviations(!routines.empty());

  Writer info{d.info};
  size_t unit_length = info.length_field();
  info.u16(DWARF_VERSION);
  info.u32(0);  // abbreviations at the start of .debug_abbrev
  info.u8(ADDRESS_SIZE);
  info.uleb(ABBREV_UNIT);
  info.str(producer);
  info.u16(DW_LANG_Mips_Assembler);
  info.str(p.files.empty() ? "" : p.files[0]);
  info.str(p.directory);
  info.u32(0);  // the line program at the start of .debug_line
  info.u32(whole.start);
  info.u32(whole.end - whole.start);
  if (!routines.empty()) {
    for (const Subprogram &s : routines) {
      info.uleb(ABBREV_SUBPROGRAM);
      info.str(*s.name);
      info.u32(s.range.start);
      info.u32(s.range.end - s.range.start);
    }
    info.u8(0);
  }
  info.close_length(unit_length);

  Writer ar{d.aranges};
  size_t ar_length = ar.length_field();
  ar.u16(ARANGES_VERSION);
  ar.u32(0);  // the compile unit at the start of .debug_info
  ar.u8(ADDRESS_SIZE);
  ar.u8(0);  // no segment selector
  ar.u32(0);  // pads the header to a multiple of twice the address size
  for (const Range &r : code) {
    ar.u32(r.start);
    ar.u32(r.end - r.start);
  }
  ar.u32(0);
  ar.u32(0);
  ar.close_length(ar_length);
  return d;
}

}  // namespace image
