// The PRINTF/SPRINTF formatter of the simulated firmware. It follows the
// host runtime's rules, so that both executions print the same bytes:
// conversions d i c u x X o e f g E G s and %%, each taking one argument word
// (SINGLE bits for the floating ones, a string address for s); C's flags,
// filtered to those each conversion defines; width and precision from
// digits or "*" (a negative "*" width left-aligns), both capped at 255; no
// length modifiers: a "%" not followed by a known conversion stands as text
// and gives back the arguments its "*" took.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace emu {

// args holds the 14 argument words of the parameter block. read_string
// returns no value when a string cannot be read; formatting then stops and
// the result holds no value.
std::optional<std::string> format_printf(const std::string &format, const uint32_t *args, int nargs,
                                         const std::function<std::optional<std::string>(uint32_t)> &read_string);

}  // namespace emu
