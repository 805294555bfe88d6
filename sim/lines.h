// Source positions of the code: where each source line's code begins, from
// an ELF's line table or from the compiler, for messages and tracing.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace sim {

struct SourceLine {
  std::string file;
  int line = 0;
};

class LineTable {
 public:
  // The code of file:line begins at address.
  void add(uint32_t address, const std::string &file, int line) { starts_[address] = SourceLine{file, line}; }
  // Where the code at or after address belongs to no line (the end of a
  // sequence).
  void end_at(uint32_t address) { ends_.insert(address); }
  // The line whose code holds address: the nearest start at or below it,
  // unless an end lies between; nullptr for none.
  const SourceLine *find(uint32_t address) const;
  // "file:line" or "".
  std::string locate(uint32_t address) const;
  const std::map<uint32_t, SourceLine> &starts() const { return starts_; }
  bool empty() const { return starts_.empty(); }

 private:
  std::map<uint32_t, SourceLine> starts_;
  std::set<uint32_t> ends_;
};

}  // namespace sim
