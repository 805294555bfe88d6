#include <cstdint>

#include "codegen/arm/arm.h"
#include "codegen/emit.h"
#include "codegen/operations.h"

namespace {

// Fast GPIO set register of port 0 or 1; the pin register lies one word
// below it and the clear register one word above.
constexpr uint32_t gpio_set[] = {0x3FFFC018u, 0x3FFFC038u};

// Each pin operation is a run of words, the port's register address loaded
// into r7 (OP_CONST), and a second run.
struct PinCode {
  int32_t register_offset;  // from the set register
  uint8_t before_count;
  uint32_t before[2];
  uint8_t after_count;
  uint32_t after[4];
};

// Read pin r7: MOV r0,#1; MOV r0,r0,LSL r7; r7 := pin register;
// LDR r7,[r7]; ANDS r7,r7,r0; MVNNE r7,#0 -- -1 for high, 0 for low.
constexpr PinCode read_pin = {-4, 2, {0xE3A00001, 0xE1A00710}, 3, {0xE5977000, 0xE0177000, 0x13E07000}};
// Drive pin r8 from r7: CMP r7,#0; r7 := set register; ADDEQ r7,r7,#4
// (the clear register); MOV r6,#1; MOV r6,r6,LSL r8; STR r6,[r7]. The
// address may come from the loader routine, which keeps the flags.
constexpr PinCode write_pin = {0, 1, {0xE3570000}, 4, {0x02877004, 0xE3A06001, 0xE1A06816, 0xE5876000}};

}  // namespace

void pX_ARM_op(uint16_t op) {
  if (op < OP_P0 || op > OP_P1_WR) return;
  uint32_t port = (op - OP_P0) / 2u;
  const PinCode &c = (op - OP_P0) % 2 == 0 ? read_pin : write_pin;
  for (int k = 0; k < c.before_count; k++) emit_unit(static_cast<int32_t>(c.before[k]));
  add_op(OP_CONST, static_cast<int32_t>(gpio_set[port] + static_cast<uint32_t>(c.register_offset)));
  for (int k = 0; k < c.after_count; k++) emit_unit(static_cast<int32_t>(c.after[k]));
}
