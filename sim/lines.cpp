#include "sim/lines.h"

namespace sim {

const SourceLine *LineTable::find(uint32_t address) const {
  auto start = starts_.upper_bound(address);
  if (start == starts_.begin()) return nullptr;
  --start;
  auto end = ends_.upper_bound(start->first);
  if (end != ends_.end() && *end <= address) return nullptr;
  return &start->second;
}

std::string LineTable::locate(uint32_t address) const {
  const SourceLine *s = find(address);
  return s ? s->file + ":" + std::to_string(s->line) : std::string();
}

}  // namespace sim
