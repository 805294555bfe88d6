// Intel HEX output of the finished image: code, constant strings and the
// symbol page, written block by block, each block closed by its own
// end-of-file record.
#pragma once
#include <cstdint>

// Running sum and data-byte count of the record being written.
extern int32_t chksum;
extern int32_t cnt_ihex;
// Key of the byte scrambling some firmware expects: 31 characters and the
// terminating zero.
extern const char hideCode[32];

void init_ihex(int32_t seed);
void put_ihex(int32_t b);
void put_ihex_chksum();
// The record that names the block at address, where the firmware wants one.
void out_block_addr(uint32_t address);
void write_image();
// The address the constant string area ends at on the target.
uint32_t string_area_top();
