// Intel HEX output of the finished image: code, constant strings and the
// symbol page, written block by block, each block closed by its own
// end-of-file record.
#pragma once
#include <cstdint>

// Running sum and data-byte count of the record being written.
struct IhexRecord {
  int32_t chksum = 0;
  int32_t cnt_ihex = 0;
};
extern IhexRecord ihex;

// Key of the byte scrambling some firmware expects: 31 characters and the
// terminating zero.
extern const char hideCode[32];

void init_ihex(int32_t seed);
void put_ihex(int32_t b);
void put_ihex_chksum();
// The record that names the block at address, where the firmware wants one.
void out_block_addr(uint32_t address);
void write_image();
