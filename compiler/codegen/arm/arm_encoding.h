// Encodings shared by the parts of the ARM back end.
#pragma once
#include <cstdint>

// Branch instructions; the low 24 bits hold the word offset counted from
// the instruction's address plus 8.
constexpr uint32_t ARM_B = 0xEA000000u;
constexpr uint32_t ARM_BL = 0xEB000000u;
constexpr uint32_t ARM_BEQ = 0x0A000000u;

// In an ARM link word bit 29 (the I/O-handler bit of Thumb code, which
// ARM code never has) marks a compiler-label jump taken only when r7 is 0.
constexpr uint32_t ARM_LINK_BEQ = 0x20000000u;

// Firmware routines that read the data word placed right behind the BL
// that calls them, and return behind that word.
constexpr int32_t FW_CALL_ADDRESS = 89;   // call the routine at the word (up to 1823)
constexpr int32_t FW_LOAD_R7 = 91;        // r7 := the word
constexpr int32_t FW_LOAD_VAR_R7 = 92;    // r7 := variable word at the word
constexpr int32_t FW_LOAD_R6 = 93;        // r6 := the word
constexpr int32_t FW_LOAD_VAR_R6 = 94;    // r6 := variable word at the word
constexpr int32_t FW_RETURN = 96;         // return from a call (up to 1823)
constexpr int32_t FW_STORE_VAR_R7 = 97;   // variable word at the word := r7

// Branch (B, BL or BEQ) at unit p to code unit x.
constexpr uint32_t arm_branch(uint32_t instruction, int64_t p, int64_t x) {
  return instruction + (static_cast<uint32_t>(x - p - 2) & 0xFFFFFFu);
}

// BL at unit p to the byte address target, for code at code_start.
constexpr uint32_t arm_bl_to_address(int64_t code_start, int64_t p, int64_t target) {
  return ARM_BL + (static_cast<uint32_t>((target - (code_start + 4 * p) - 8) >> 2) & 0xFFFFFFu);
}

// The 12-bit operand field of a data-processing immediate (an 8-bit value
// rotated right by an even amount) that equals v, or -1 when none does.
// Works on v as an unsigned word: a rotation moves the low bits to the top,
// and a signed test would take every negative v for a small one.
constexpr int32_t ARMconstant(uint32_t v) {
  for (uint32_t r = 0; r <= 30; r += 2) {
    if (v < 256) return static_cast<int32_t>(((32 - r) * 128 + v) & 0xFFF);
    v = (v >> 2) | (v << 30);
  }
  return -1;
}

static_assert(ARMconstant(0) == 0);
static_assert(ARMconstant(255) == 0x0FF);
static_assert(ARMconstant(1020) == 0xFFF);               // 0xFF rotated right by 30
static_assert(ARMconstant(0xFF000000u) == 0x4FF);        // 0xFF rotated right by 8
static_assert(ARMconstant(0xF000000Fu) == 0x2FF);        // wraps around bit 0
static_assert(ARMconstant(0xFFFFFFFFu) == -1);
static_assert(ARMconstant(257) == -1);
