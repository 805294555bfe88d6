// The listing: each source line followed by the code it produced, with
// addresses, code units in hexadecimal and their disassembly, then the size
// summary and the symbol map.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "image/program.h"

namespace image {

// The text of the source files, by the names Program::files gives them.
struct SourceText {
  std::map<std::string, std::vector<std::string>> files;
  // Line n (from 1) of file, or nullptr when it is not known.
  const std::string *line(const std::string &file, uint32_t n) const;
};

// Writes the listing into out; returns "" or what went wrong. Thumb and ARM
// code is disassembled with capstone; data inside the code (literal pools)
// is shown as words, I/O-handler code as its units only. trailer (the size
// summary and symbol map) ends the listing as it is.
std::string write_listing(const Program &p, const SourceText &source, const std::string &trailer,
                          std::string &out);

}  // namespace image
