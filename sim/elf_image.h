// Reading an ELF image: the loadable bytes at their flash addresses, and the
// DWARF line table that maps code addresses to source lines.
#pragma once
#include <string>

#include "sim/command.h"

namespace sim {

// bytes is the whole file. False with a message naming path when it is no
// 32-bit little-endian ARM ELF or holds nothing to load.
bool load_elf(const std::string &path, const std::string &bytes, Program &program, std::string &error);

}  // namespace sim
