// String expressions (built in the one string accumulator) and string
// comparisons.
#pragma once
#include <cstdint>

int do_str_expr(uint8_t convert);
int do_str_compare(uint16_t mode);
int lookahead4stringcompare(int index);

// The byte offset of a string operand's source in the constant image: a
// string literal token or a constant string (type 9) symbol token.
int32_t constant_string_offset(uint16_t t);
bool is_constant_string(uint16_t t);
// For the tokens CHR ( n ) at the cursor: a two-byte constant string (the
// character and a 0 byte); the cursor ends on the ")". Returns its offset.
int32_t make_chr_string();
