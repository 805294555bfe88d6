#include "image/raw_binary.h"

namespace image {

RawBinary raw_binary(const Program &p) {
  RawBinary out;
  bool any = false;
  Range range;
  for (const Span &s : p.spans) {
    if (s.contents == Contents::SymbolPage) continue;
    if (!any) range.start = s.range.start;
    range.end = s.range.end;
    any = true;
  }
  if (!any) return out;
  out.address = range.start;
  out.bytes = flash_bytes(p, range);
  return out;
}

}  // namespace image
