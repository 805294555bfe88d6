// Global compiler state owned by the driver: the firmware table, the target's
// memory layout and the flags and counters every subsystem shares.
#pragma once
#include <cstdint>

constexpr int F_TABLE_WORDS = 208;
extern uint16_t f_table[F_TABLE_WORDS];

// Memory layout of the target, from the firmware table.
extern int32_t codeStart;
extern int32_t codeSize;
extern int32_t varSpace;
extern int32_t DATAstart;
extern int32_t FlashEnd;
extern int32_t blockSize;
extern int32_t CONSToffset;

extern uint8_t DEMOmode;
extern uint8_t mapfound;
extern int32_t firstERR;
// Set by every error report; firstERR alone cannot tell an error on line 0.
extern uint8_t error_seen;
extern char current_filename[256];
extern uint16_t g_linenum;
extern uint32_t fCODE;
extern int32_t iCODE;
extern int32_t CODEoffset;
extern int32_t ConstantStringPtr;
extern uint16_t ConstantStringCounter;
extern int16_t g_VSP;
extern int16_t g_VSPdim;
extern int32_t first_gotosubwhiledo;
extern int32_t first_functionsub;
// Counts the resets of the compiler, so that a block open when CLEAR came
// can tell it has nothing left to finish.
extern uint32_t reset_generation;
extern int32_t *var_word;
extern uint8_t *var_byte;

// Firmware-version thresholds that decide the target class.
inline bool arm_class() { return f_table[0] <= 2047; }

// Capacity of the code image; codeSize never exceeds it, less a margin for
// the last operation's code and a literal pool.
constexpr int32_t FLASH_CODES_SIZE = 262144;
constexpr int32_t CODE_SIZE_MARGIN = 1024;
