// The program as an ELF32 little-endian ARM executable, as the usual ARM
// tools and debuggers expect one: code, I/O-handler code, constant strings
// and the symbol page as sections at their flash addresses, the variable
// area as a NOBITS section, a symbol table with mapping symbols, and DWARF
// line information. Written with elfutils' libelf.
#pragma once
#include <string>

#include "image/program.h"

namespace image {

// Writes the ELF file to fd, which must be open for writing and empty.
// Returns "" or what went wrong. producer names the compiler in the debug
// information.
std::string write_elf(const Program &p, int fd, const std::string &producer);

// The same file's bytes in bytes (written through an anonymous temporary
// file, which libelf needs). Returns "" or what went wrong.
std::string elf_bytes(const Program &p, const std::string &producer, std::string &bytes);

}  // namespace image
