#include <cstdint>

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "codegen/thumb/thumb.h"

namespace {

// GPIO set register of port n; the pin register lies one word below it and
// the clear register one word above.
constexpr uint32_t gpio_set(uint32_t n) { return 0x2009C018u + 32u * n; }

// Each pin operation is a run of halfwords, the port's register address
// loaded into r7 (OP_CONST), and a second run.
struct PinCode {
  int32_t register_offset;  // from the set register
  uint8_t before_count;
  uint16_t before[2];
  uint8_t after_count;
  uint16_t after[5];
};

// Read pin r7: MOVS r0,#1; LSLS r0,r7; r7 := pin register; LDR r7,[r7];
// ANDS r7,r0; BEQ +2; MOVS r7,#0; MVNS r7,r7 -- -1 for high, 0 for low.
constexpr PinCode read_pin = {-4, 2, {0x2001, 0x40B8}, 5, {0x683F, 0x4007, 0xD001, 0x2700, 0x43FF}};
// Drive pin r4 from r7: CMP r7,#0; r7 := set register; BNE +1;
// ADDS r7,#4 (the clear register); MOVS r6,#1; LSLS r6,r4; STR r6,[r7].
// A pool flush inside the constant emits only a B, which keeps the flags.
constexpr PinCode write_pin = {0, 1, {0x2F00}, 5, {0xD100, 0x3704, 0x2601, 0x40A6, 0x603E}};

}  // namespace

void pX_TH_op(uint16_t op) {
  if (op < OP_P0 || op > OP_P5_WR) return;
  uint32_t port = (op - OP_P0) / 2u;
  const PinCode &c = (op - OP_P0) % 2 == 0 ? read_pin : write_pin;
  for (int k = 0; k < c.before_count; k++) emit_unit(c.before[k]);
  add_op(OP_CONST, static_cast<int32_t>(gpio_set(port) + static_cast<uint32_t>(c.register_offset)));
  for (int k = 0; k < c.after_count; k++) emit_unit(c.after[k]);
}
