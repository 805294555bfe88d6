#include "image/listing.h"

#include <capstone/capstone.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace image {

const std::string *SourceText::line(const std::string &file, uint32_t n) const {
  auto it = files.find(file);
  if (it == files.end() || n == 0 || n > it->second.size()) return nullptr;
  return &it->second[n - 1];
}

namespace {

class Disassembler {
 public:
  explicit Disassembler(Isa isa) {
    cs_mode mode = isa == Isa::Thumb ? static_cast<cs_mode>(CS_MODE_THUMB | CS_MODE_MCLASS) : CS_MODE_ARM;
    ok_ = cs_open(CS_ARCH_ARM, mode, &handle_) == CS_ERR_OK;
    if (ok_) insn_ = cs_malloc(handle_);
    ok_ = ok_ && insn_;
  }
  ~Disassembler() {
    if (insn_) cs_free(insn_, 1);
    if (ok_ || handle_) cs_close(&handle_);
  }
  Disassembler(const Disassembler &) = delete;
  Disassembler &operator=(const Disassembler &) = delete;
  bool ok() const { return ok_; }

  // The instruction at address in bytes, or nullptr when none decodes.
  const cs_insn *decode(const std::vector<uint8_t> &bytes, size_t offset, uint32_t address) {
    const uint8_t *code = bytes.data() + offset;
    size_t size = bytes.size() - offset;
    uint64_t a = address;
    return cs_disasm_iter(handle_, &code, &size, &a, insn_) ? insn_ : nullptr;
  }

 private:
  csh handle_ = 0;
  cs_insn *insn_ = nullptr;
  bool ok_ = false;
};

std::string hex32(uint32_t v) {
  char b[12];
  snprintf(b, sizeof b, "%08X", v);
  return b;
}

uint32_t little(const std::vector<uint8_t> &bytes, size_t at, int n) {
  uint32_t v = 0;
  for (int k = n - 1; k >= 0; k--) v = v << 8 | bytes[at + k];
  return v;
}

// The code units of n bytes at offset: 16-bit units for Thumb and the
// I/O handler, 32-bit words for ARM.
std::string units(const std::vector<uint8_t> &bytes, size_t offset, size_t n, int unit) {
  std::string s;
  char b[12];
  for (size_t k = 0; k < n; k += unit) {
    if (!s.empty()) s += ' ';
    snprintf(b, sizeof b, unit == 2 ? "%04X" : "%08X", little(bytes, offset + k, unit));
    s += b;
  }
  return s;
}

// A run of erased flash at least this long is shown as one line.
constexpr uint32_t ERASED_RUN_SHOWN = 16;

// The length of the run of 0xFF bytes at offset, up to limit bytes.
uint32_t erased_run(const std::vector<uint8_t> &bytes, size_t offset, uint32_t limit) {
  uint32_t n = 0;
  while (n < limit && bytes[offset + n] == 0xFF) n++;
  return n;
}

class Writer {
 public:
  Writer(const Program &p, const SourceText &source, std::string &out)
      : p_(p), source_(source), out_(out), lines_(p.lines) {
    for (const Symbol &s : p.symbols)
      if (s.kind == SymbolKind::Code) labels_.emplace(s.address, s.name);
  }

  void header() {
    const Span *code = find_span(p_, Contents::Code);
    out_ += p_.isa == Isa::Thumb ? "Thumb code" : "ARM code";
    if (code) out_ += " from " + hex32(code->range.start) + " to " + hex32(code_end(p_, *code));
    out_ += ", entry " + hex32(p_.entry) + "\n";
    if (const Span *ioh = find_span(p_, Contents::IoHandler))
      out_ += "I/O-handler code from " + hex32(ioh->range.start) + " to " + hex32(code_end(p_, *ioh)) + "\n";
    if (const Span *strings = find_span(p_, Contents::Strings))
      out_ += "Constant strings from " + hex32(strings->range.start) + " to " + hex32(strings->range.end) + "\n";
    if (p_.variables.end > p_.variables.start)
      out_ += "Variables from " + hex32(p_.variables.start) + " to " + hex32(p_.variables.end) + "\n";
    out_ += "\n";
  }

  // The source lines whose code begins at or before address, in compiling
  // order, and the labels at address.
  void events_up_to(uint32_t address) {
    while (next_line_ < lines_.size() && lines_[next_line_].address <= address) print_line(lines_[next_line_++]);
    auto [from, to] = labels_.equal_range(address);
    for (auto it = from; it != to; ++it) out_ += it->second + ":\n";
    labels_.erase(from, to);
  }

  // The next address at which something is to be printed, or limit.
  uint32_t next_event(uint32_t after, uint32_t limit) const {
    uint32_t n = limit;
    if (next_line_ < lines_.size() && lines_[next_line_].address > after) n = std::min(n, lines_[next_line_].address);
    auto label = labels_.upper_bound(after);
    if (label != labels_.end()) n = std::min(n, label->first);
    return n;
  }

  void code_line(uint32_t address, const std::string &unit_text, const std::string &text) {
    char b[40];
    snprintf(b, sizeof b, "  %08X  %-*s", address, unit_width_, unit_text.c_str());
    out_ += b;
    if (!text.empty()) out_ += "  " + text;
    while (!out_.empty() && out_.back() == ' ') out_.pop_back();
    out_ += '\n';
  }

  void span(const Span &s, Disassembler &dis) {
    int unit = p_.isa == Isa::Arm && s.contents == Contents::Code ? 4 : 2;
    unit_width_ = unit == 4 ? 8 : 9;
    std::vector<uint8_t> bytes = flash_bytes(p_, s.range);
    uint32_t end = code_end(p_, s);
    uint32_t a = s.range.start;
    while (a < end) {
      events_up_to(a);
      size_t at = a - s.range.start;
      uint32_t limit = next_event(a, end);
      uint32_t erased = erased_run(bytes, at, limit - a);
      if (erased >= ERASED_RUN_SHOWN) {
        // Room left by __MAP__ CODE or between flash blocks: one line.
        char text[48];
        snprintf(text, sizeof text, "(%u bytes of erased flash)", erased);
        code_line(a, "", text);
        a += erased;
      } else if (s.contents == Contents::IoHandler) {
        // Coprocessor instructions are two units; no disassembler knows them.
        uint32_t n = limit - a >= 4 ? 4 : 2;
        code_line(a, units(bytes, at, n, 2), "");
        a += n;
      } else if (is_data(p_, a)) {
        uint32_t n = a % 4 == 0 && limit - a >= 4 ? 4 : 2;
        char word[24];
        snprintf(word, sizeof word, n == 4 ? ".word 0x%08x" : ".short 0x%04x", little(bytes, at, static_cast<int>(n)));
        code_line(a, units(bytes, at, n, unit), word);
        a += n;
      } else if (const cs_insn *insn = dis.decode(bytes, at, a)) {
        std::string text = insn->mnemonic;
        if (insn->op_str[0]) text += std::string(" ") + insn->op_str;
        code_line(a, units(bytes, at, insn->size, unit), text);
        a += insn->size;
      } else {
        uint32_t n = static_cast<uint32_t>(unit);
        code_line(a, units(bytes, at, n, unit), "(not an instruction)");
        a += n;
      }
    }
  }

  // Source lines that produced no code behind the last code.
  void rest() {
    while (next_line_ < lines_.size()) print_line(lines_[next_line_++]);
  }

 private:
  void print_line(const LinePosition &l) {
    // check() has made sure the file is listed.
    const std::string &file = p_.files[l.file];
    const std::string *text = source_.line(file, l.line);
    out_ += file + ":" + std::to_string(l.line) + ":";
    if (text && !text->empty()) out_ += " " + *text;
    out_ += '\n';
  }

  const Program &p_;
  const SourceText &source_;
  std::string &out_;
  const std::vector<LinePosition> &lines_;
  size_t next_line_ = 0;
  std::multimap<uint32_t, std::string> labels_;
  int unit_width_ = 9;
};

}  // namespace

std::string write_listing(const Program &p, const SourceText &source, const std::string &trailer, std::string &out) {
  std::string problem = check(p);
  if (!problem.empty()) return "cannot make a listing: " + problem;
  Disassembler dis(p.isa);
  if (!dis.ok()) return "capstone cannot disassemble ARM code";
  Writer w(p, source, out);
  w.header();
  for (const Span &s : p.spans)
    if (is_code(s.contents)) w.span(s, dis);
  w.rest();
  if (!trailer.empty()) out += "\n" + trailer;
  return "";
}

}  // namespace image
