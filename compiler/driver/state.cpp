#include "driver/state.h"

uint16_t f_table[F_TABLE_WORDS] = {2054, 4, 0x2138, 0x1C00, 0x0300, 5};

int32_t codeStart = 0x68000;
int32_t codeSize = 0x10000;
int32_t varSpace = 0x4000;
int32_t DATAstart = 0x78000;
int32_t FlashEnd = 0x79000;
int32_t blockSize = 0x1000;
int32_t CONSToffset = 0x20000;

uint8_t DEMOmode = 0;
uint8_t mapfound = 0;
int32_t firstERR = 0;
uint8_t error_seen = 0;
char current_filename[256] = "";
uint16_t g_linenum = 0;
uint32_t fCODE = 0;
int32_t iCODE = 0;
int32_t CODEoffset = 0;
int32_t ConstantStringPtr = 0x20000;
uint16_t ConstantStringCounter = 0;
int16_t g_VSP = 1;
int16_t g_VSPdim = 0x4000;
int32_t first_gotosubwhiledo = 0;
int32_t first_functionsub = 0;
uint32_t reset_generation = 0;
int32_t *var_word = nullptr;
uint8_t *var_byte = nullptr;
