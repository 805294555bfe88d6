// Helpers of the ARM back end's tests: an ARM-class target with a full
// firmware table, and instruction words as the image holds them.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "codegen_support.h"

// ARM-class firmware (version below 2048) with a full table (format 95) in
// which entry n holds the word-aligned address 0x1000 + 8n, so that a call
// shows which entry it used. Word 6 puts variable word 0 at 0x40000040;
// word 7 is set too, and ARM code must ignore it.
void arm_target(uint16_t version);
constexpr uint32_t arm_entry(int n) { return 0x1000u + 8u * static_cast<uint32_t>(n); }
constexpr uint32_t ARM_TEST_VARIABLE_BASE = 0x40000040;

// Words as Flash_codes holds them (signed 32-bit units).
std::vector<int32_t> words(std::initializer_list<uint32_t> list);

// BL at unit p to byte address target: word offset from the instruction's
// address plus 8, in 24 bits.
uint32_t bl_to_address(int64_t p, int64_t target);
// B (0xEA), BL (0xEB) or BEQ (0x0A) at unit p to unit x.
uint32_t branch_to_unit(uint32_t opcode, int64_t p, int64_t x);
