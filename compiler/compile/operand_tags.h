// Operations without an operand still record one in the host stream: the
// compilers pass a small number that tells, in a recorded stream, which
// construct emitted the operation. No code depends on it; 0 is no tag.
#pragma once
#include <cstdint>

namespace tag {

// Expressions (expression.cpp): a binary operation and its operands.
constexpr int32_t OPERATOR = 9;
constexpr int32_t SAVE_ACCUMULATOR = 5;  // both operands are loaded: keep what the accumulator holds
constexpr int32_t NEXT_OPERAND = 22;     // the accumulator is saved for the next operand
constexpr int32_t RIGHT_OPERAND = 3;     // the right operand, computed, to the operand register
constexpr int32_t LEFT_OPERAND = 1;      // the left operand back from the stack
// Conversions to the expression's mode.
constexpr int32_t RIGHT_TO_INTEGER = 9, RIGHT_TO_SINGLE = 10;
constexpr int32_t LEFT_TO_INTEGER = 11, LEFT_TO_SINGLE = 1;
constexpr int32_t NEGATED_TO_INTEGER = 14, NEGATED_TO_SINGLE = 3;
constexpr int32_t RESULT_TO_INTEGER = 2, RESULT_TO_SINGLE = 6;
constexpr int32_t FIRST_TO_INTEGER = 4, FIRST_TO_SINGLE = 4;
constexpr int32_t OPERAND_TO_INTEGER = 8, OPERAND_TO_SINGLE = 5;
constexpr int32_t PREFIX_NOT = 88;

// Operands (operands.cpp).
constexpr int32_t NEGATED_INTEGER = 77;  // -n for a SINGLE: convert, then negate
constexpr int32_t WORD_READ = 5;         // *address
constexpr int32_t TABLE_INDEX = 22;      // a word table's index, times 4
constexpr int32_t TABLE_READ = 11;       // a word table's element
constexpr int32_t IO_READ = 11;          // IO(n): the pin back to the accumulator

// Strings (strings.cpp).
constexpr int32_t STR_CALL = 98;
constexpr int32_t STRING_COMPARE = 45;  // the left string waits on the stack

// Statements.
constexpr int32_t PRINT = 1;            // PRINT's items and PRINTF's line end
constexpr int32_t TABLE_END = 77;       // the end of a constant table
constexpr int32_t ROUTINE_END = 22;     // the end of a FUNCTION or SUB
constexpr int32_t TIGHT_LOOP = -1;      // an I/O-handler counted loop
constexpr int32_t CASE_MATCHED = 1;     // the selector released in a CASE that matched
constexpr int32_t NO_CASE_MATCHED = 2;  // ... and where none did
constexpr int32_t PARAM_VALUE = 1;      // a value into a parameter array
constexpr int32_t PARAM_COUNT = 2;      // the array's count
constexpr int32_t DEBUGIN_ELEMENT = 5;  // DEBUGIN into an array element

}  // namespace tag
