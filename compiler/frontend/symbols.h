// Symbol table: packed names and the parallel type, address and size tables.
#pragma once
#include <cstdint>

constexpr int32_t SYMBOLTABLE_SIZE = 524288;
constexpr int SYMBOLS_MAX = 32768;

// Type codes of g_symbol_type.
constexpr uint8_t SYM_NEW = 0;
constexpr uint8_t SYM_NEW_STR = 1;
constexpr uint8_t SYM_UNDEF_LABEL = 5;
constexpr uint8_t SYM_WORD_TABLE = 6;
constexpr uint8_t SYM_CONSTANT = 7;
constexpr uint8_t SYM_CSTRING = 9;
constexpr uint8_t SYM_LABEL = 0x20;
constexpr uint8_t SYM_SUB = 0x80;
constexpr uint8_t SYM_FUNCTION = 0x81;

extern char g_symboltable[SYMBOLTABLE_SIZE];
extern uint8_t g_symbol_type[SYMBOLS_MAX];
extern int32_t g_symboladdr[SYMBOLS_MAX];
extern int32_t g_symbolsize[SYMBOLS_MAX];
extern int32_t INT_symboladdr[SYMBOLS_MAX];
extern uint16_t g_symbolcount;
extern uint32_t g_STP;
extern uint16_t localcnt;
extern uint32_t localoffset;
extern uint8_t requireDIM;

int32_t add_symbol(const char *name, int length);
int32_t scan_symbols(const char *name, int length, int firstIndex, uint32_t firstOffset);
int32_t is_symbol(const char *name, int length);
uint32_t find_symbol(int index);

bool is_intPtr(uint16_t t);
bool is_iarray(uint16_t t);
bool is_iarrayPtr(uint16_t t);
bool is_string(uint16_t t);
bool is_strPtr(uint16_t t);
bool is_fvariable(uint16_t t);
bool is_farray(uint16_t t);
bool is_fltPtr(uint16_t t);
bool is_farrayPtr(uint16_t t);
bool is_funct(uint16_t t);
bool is_label(uint16_t t);
bool is_ivariable(uint16_t t);

bool check_labels(int first, int last);
void checkStringDataPtrs();
void checkCodeSpace();
