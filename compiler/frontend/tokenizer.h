// Line reader and tokenizer: the current line, its tokens and literals, and
// the constant string area the string literals are written into.
#pragma once
#include <cstdint>

constexpr int LINE_SIZE = 256;
constexpr int TOKENLIST_SIZE = 128;
constexpr int CONSTANTS_SIZE = 32;
constexpr int32_t STRINGTABLE_SIZE = 131072;
constexpr int CSTRINGADDR_SIZE = 32768;
// String tokens are 0x4000 + n with 14 bits for n.
constexpr int STRING_LITERALS_MAX = 16384;

// Token classes and the punctuation codes the compilers test.
constexpr uint16_t TOK_SINGLE = 0x1000;
constexpr uint16_t TOK_INTEGER = 0x2000;
constexpr uint16_t TOK_STRING = 0x4000;
constexpr uint16_t TOK_SYMBOL = 0x8000;
constexpr uint16_t TOK_EOL = 255;

extern char line[LINE_SIZE];
extern uint16_t g_tokenlist[TOKENLIST_SIZE];
extern int32_t g_constants[CONSTANTS_SIZE];
extern char g_stringtable[STRINGTABLE_SIZE];
extern int32_t CStringAddr[CSTRINGADDR_SIZE];
extern uint8_t g_tokenptr;
extern uint16_t g_token;
extern uint8_t number_error;
extern int32_t num_digits;

int read_tokenize_line();
bool start_number(char c, char next);
double parse_number(const char *text, int &pos, int length, int hexDefault);
int nextIsAddCHR(int pos);
int nextIsAddStr(int pos);
uint16_t nextConstantString();
void not_eoln();
int lookahead4dim();

// Character classes on 8-bit characters; bytes from 0x80 fold like ASCII.
inline uint8_t to_upper(uint8_t c) { return c < 65 ? c : (c & 0x5F); }
inline bool is_alpha(uint8_t c) { uint8_t u = to_upper(c); return u >= 'A' && u <= 'Z'; }
inline bool is_num(uint8_t c) { return c >= '0' && c <= '9'; }
inline bool is_alpha_num(uint8_t c) { uint8_t u = to_upper(c); return (u >= 'A' && u <= 'Z') || is_num(u) || u == '_'; }
