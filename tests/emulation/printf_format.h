// The PRINTF/SPRINTF formatter of the simulated firmware.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace emu {

// Formats with C printf conversions. args holds the 14 argument words of the
// parameter block; a %s argument is a string address, read through
// read_string; the floating conversions take the word as SINGLE bits.
std::string format_printf(const std::string &format, const uint32_t *args, int nargs,
                          const std::function<std::string(uint32_t)> &read_string);

}  // namespace emu
