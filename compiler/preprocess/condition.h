// The integer constant expressions of #if and #elif.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "preprocess/macros.h"

namespace ombrik {

// Evaluates text as a 32-bit integer expression: numbers as the dialect
// writes them (decimal, &H / 0x / $ hexadecimal, % binary), macro names
// (replaced by their text), defined(NAME) and defined NAME, parentheses and,
// from the lowest precedence to the highest:
//   OR XOR | AND & | NOT | = <> < > <= >= | << >> | + - | * / MOD | unary - +
// Comparisons and defined give -1 for true and 0 for false, as the dialect's
// comparisons do, so that NOT turns one into the other; AND, OR, XOR and NOT
// work on all 32 bits. Arithmetic wraps around at 32 bits. A name that is
// not a macro is an error, so that a misspelt name is not silently 0.
// Returns false with a message in error.
bool evaluate_condition(std::string_view text, const MacroTable &macros, int32_t &value, std::string &error);

}  // namespace ombrik
