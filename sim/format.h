// Small text helpers shared by the simulator's messages.
#pragma once
#include <cstdint>
#include <string>

namespace sim {

// "0x0000ABCD"
std::string hex32(uint64_t v);
// The bytes with control characters and non-ASCII shown as escapes.
std::string visible(const std::string &s);

}  // namespace sim
