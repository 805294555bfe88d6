// Intel HEX output of the finished image: code, constant strings and the
// symbol page, written block by block, each block closed by its own
// end-of-file record.
#pragma once
#include <cstdint>

// Running sum and data-byte count of the record being written.
struct IhexRecord {
  int32_t chksum = 0;
  int32_t cnt_ihex = 0;
  // A data record of the image is open: its target address and its bytes
  // as they are before scrambling, for the image observer.
  bool data_record = false;
  int64_t data_address = 0;
  uint8_t data[32] = {};
};
extern IhexRecord ihex;

// Told of every data record write_image writes: its target address and its
// bytes before scrambling, which is what the flash holds once the board has
// loaded the image. Other image formats are made from them. Null (the
// default) for none; the HEX text is the same either way.
using ImageRecordObserver = void (*)(uint32_t address, const uint8_t *bytes, int32_t count);
extern ImageRecordObserver image_record_observer;

// Key of the byte scrambling some firmware expects: 31 characters and the
// terminating zero.
extern const char hideCode[32];

void init_ihex(int32_t seed);
void put_ihex(int32_t b);
void put_ihex_chksum();
// The record that names the block at address, where the firmware wants one.
void out_block_addr(uint32_t address);
void write_image();
