// Token codes: TOK_name for every keyword and token of tokens.def, and the
// classes of the literal and symbol tokens.
#pragma once
#include <cstdint>

#define KEYWORD(name, spelling, code) constexpr uint16_t TOK_##name = code;
#define TOKEN(name, code) constexpr uint16_t TOK_##name = code;
#include "frontend/tokens.def"
#undef KEYWORD
#undef TOKEN

inline bool is_int_literal(uint16_t t) { return (t & 0xF000) == TOK_INTEGER_LITERAL; }
inline bool is_flt_literal(uint16_t t) { return (t & 0xF000) == TOK_SINGLE_LITERAL; }
inline bool is_str_literal(uint16_t t) { return (t & 0xC000) == TOK_STRING_LITERAL; }
inline bool is_symbol_token(uint16_t t) { return (t & TOK_SYMBOL) != 0; }
// The index a token carries.
inline int symbol_of(uint16_t t) { return t & 0x7FFF; }
inline int literal_slot(uint16_t t) { return t & 0xFFF; }
inline int string_slot(uint16_t t) { return t & 0x3FFF; }
// Operator tokens carry the codes of their operations, 4 (*) to 56 (XOR).
inline bool is_operator_token(uint16_t t) { return t >= TOK_MUL && t <= TOK_XOR; }
// Tokens 32 to 37: = < > <= >= <>, the codes of the comparison operations.
inline bool is_comparison(uint16_t t) { return t >= TOK_EQ && t <= TOK_NE; }
