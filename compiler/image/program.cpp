#include "image/program.h"

#include <algorithm>
#include <cstdio>

namespace image {

std::string hex_address(uint64_t address) {
  char b[24];
  snprintf(b, sizeof b, "0x%08llX", static_cast<unsigned long long>(address));
  return b;
}

std::string check(const Program &p) {
  for (size_t k = 0; k < p.segments.size(); k++) {
    const Segment &s = p.segments[k];
    if (s.bytes.empty()) return "empty segment at " + hex_address(s.address);
    if (s.end() > 0x100000000ull) return "segment at " + hex_address(s.address) + " runs past the 32-bit address space";
    if (k > 0 && p.segments[k - 1].end() > s.address) return "segments overlap or are out of order at " + hex_address(s.address);
  }
  for (size_t k = 0; k < p.spans.size(); k++) {
    const Range &r = p.spans[k].range;
    if (r.start >= r.end) return "empty span at " + hex_address(r.start);
    if (k > 0 && p.spans[k - 1].range.end > r.start) return "spans overlap or are out of order at " + hex_address(r.start);
  }
  for (const Segment &s : p.segments) {
    for (uint64_t a = s.address; a < s.end();) {
      const Span *span = span_at(p, static_cast<uint32_t>(a));
      if (!span) return "the byte at " + hex_address(a) + " lies outside every span";
      a = span->range.end;
    }
  }
  for (const Range &d : p.data) {
    const Span *span = span_at(p, d.start);
    if (d.start >= d.end || !span || !is_code(span->contents) || span->range.end < d.end)
      return "data range at " + hex_address(d.start) + " lies outside the code";
  }
  for (const Symbol &s : p.symbols)
    if (s.name.empty()) return "symbol without a name at " + hex_address(s.address);
  for (const LinePosition &l : p.lines)
    if (l.file >= p.files.size()) return "line position names file " + std::to_string(l.file) + ", which is not listed";
  return "";
}

uint8_t flash_byte(const Program &p, uint32_t address) {
  auto it = std::upper_bound(p.segments.begin(), p.segments.end(), address,
                             [](uint32_t a, const Segment &s) { return a < s.address; });
  if (it == p.segments.begin()) return 0xFF;
  --it;
  return address < it->end() ? it->bytes[address - it->address] : 0xFF;
}

std::vector<uint8_t> flash_bytes(const Program &p, Range range) {
  std::vector<uint8_t> out(range.end - range.start, 0xFF);
  for (const Segment &s : p.segments) {
    uint64_t from = std::max<uint64_t>(s.address, range.start), to = std::min<uint64_t>(s.end(), range.end);
    for (uint64_t a = from; a < to; a++) out[a - range.start] = s.bytes[a - s.address];
  }
  return out;
}

uint32_t code_end(const Program &p, const Span &s) {
  return std::min(s.range.end, std::max(p.code_end, s.range.start));
}

const Span *find_span(const Program &p, Contents contents) {
  for (const Span &s : p.spans)
    if (s.contents == contents) return &s;
  return nullptr;
}

const Span *span_at(const Program &p, uint32_t address) {
  for (const Span &s : p.spans)
    if (s.range.contains(address)) return &s;
  return nullptr;
}

bool is_data(const Program &p, uint32_t address) {
  for (const Range &d : p.data)
    if (d.contains(address)) return true;
  return false;
}

std::vector<LinePosition> code_lines(const Program &p) {
  std::vector<LinePosition> rows;
  for (const LinePosition &l : p.lines) {
    const Span *span = span_at(p, l.address);
    if (span && is_code(span->contents) && l.address < p.code_end) rows.push_back(l);
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const LinePosition &a, const LinePosition &b) { return a.address < b.address; });
  std::vector<LinePosition> kept;
  for (const LinePosition &l : rows) {
    if (!kept.empty() && kept.back().address == l.address) kept.back() = l;
    else kept.push_back(l);
  }
  return kept;
}

}  // namespace image
