// I/O-handler code in the finished image: jumps resolved into handler
// jumps, and a small handler written as Intel HEX and read back with
// srec_cat.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "codegen/iohb/iohb.h"
#include "compile/operands.h"
#include "driver/hex_output.h"
#include "frontend/diagnostics.h"
#include "ioh_support.h"

namespace {

class IohImage : public ::testing::Test {
 protected:
  void SetUp() override { fresh_handler(2); }
  void TearDown() override {
    ioh.ezhVarStart = 0;
    ioh.ezh_calling = 0;
    fresh_target();
  }
};

// The handler jump to code unit x, by the rule: the target's byte address
// as the coprocessor sees it, above the opcode bits 0x215.
Units handler_jump(uint32_t x) {
  return word_units(((static_cast<uint32_t>(ioh.IOHBcode) + static_cast<uint32_t>(firmware.codeStart) + 2 * x) << 9) +
                    0x215);
}

TEST_F(IohImage, JumpsInsideASectionResolveToHandlerJumps) {
  ioh.IOHBcode = 0x200;
  uint16_t skip = add_fwd_jmpcall(OP_JMP);   // 0..1
  add_op(OP_ACC2IDX, 0);                     // 2..3
  uint16_t done = add_fwd_jmpcall(OP_JZ);    // 4..9, placeholder at 8
  uint32_t symbol = 7;
  add_op(OP_GOTO, static_cast<int32_t>(symbol));  // 10..11
  patchJumpTable(skip);                      // 12
  add_op(OP_ACC2OPND, 0);                    // 12..13
  g_symboladdr[symbol] = static_cast<int32_t>(emit.fCODE);  // a user label at 14
  add_op(OP_LABEL, 0);                       // no code
  add_op(OP_PUSHACC, 0);                     // 14..15
  patchJumpTable(done);                      // 16
  add_op(OP_RETURN, 0);                      // 16..17
  ASSERT_EQ(links.nextLink, 3);
  optimizeTJ(0, 1);
  EXPECT_EQ(halfwords(0, 2), handler_jump(12));
  EXPECT_EQ(halfwords(4, 10), concat({{0xDE0C, 0x0071, 0x7446, 0x0007}, handler_jump(16)}));
  // A label is entered where it stands: I/O-handler labels have no
  // prologue to skip.
  EXPECT_EQ(halfwords(10, 12), handler_jump(14));
  // By hand: (0x200 + 0x3000 + 24) << 9 + 0x215 = 0x643215.
  EXPECT_EQ(halfwords(0, 2), (Units{0x3215, 0x0064}));
  // A jump back to a known unit is the same instruction.
  add_op(OP_JMPBACK, 12);
  EXPECT_EQ(halfwords(emit.fCODE - 2, emit.fCODE), handler_jump(12));
  g_symboladdr[symbol] = 0;
}

// srec_cat's reading of an Intel HEX text: the bytes from base on, up to
// the highest address it holds.
std::vector<uint8_t> srec_bytes(const std::string &text, uint32_t base) {
  char hex_path[] = "/tmp/ombrik_ioh_hex_XXXXXX";
  int fd = mkstemp(hex_path);
  EXPECT_GE(fd, 0);
  if (fd < 0) return {};
  EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  std::string bin_path = std::string(hex_path) + ".bin";
  char offset[32];
  snprintf(offset, sizeof offset, "-0x%X", base);
  std::string command = std::string(OMBRIK_SREC_CAT) + " " + hex_path + " -Intel -offset " + offset + " -o " +
                        bin_path + " -Binary 2>&1";
  EXPECT_EQ(system(command.c_str()), 0) << text;
  std::vector<uint8_t> bytes;
  if (FILE *f = fopen(bin_path.c_str(), "rb")) {
    int c;
    while ((c = fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    fclose(f);
  }
  unlink(hex_path);
  unlink(bin_path.c_str());
  return bytes;
}

TEST_F(IohImage, ASmallHandlerIsWrittenAsIntelHexAndReadsBack) {
  fresh_target(2101);  // no scrambling for this part
  full_firmware_table();
  f_table[41] = static_cast<uint16_t>(firmware.FlashEnd / 16);
  small_ram_base();
  emit.inside_ezh = 2;
  ioh.ezhVarStart = EZH_NO_LOCALS;
  ioh.IOHBcode = 0x200;
  uint32_t errors = diag.error_count;

  // __MAP__ __IOHB__ hands the data-start word to the section.
  add_op(OP_ASM, f_table[3]);
  // SUB blink(mask): its parameter is word 1, register 0.
  ioh.ezhVarStart = 1;
  uint32_t blink = emit.fCODE;
  add_op(OP_SUB_ENTRY, 0);
  uint32_t top = emit.fCODE;
  add_op(OP_EZHRDPER, 0x2C004);
  add_op(OP_ACC2OPND, 0);
  add_op(OP_LDVAR, 1);
  add_op(OP_AND, 0);
  uint16_t idle = add_fwd_jmpcall(OP_JZ);
  add_op(OP_CONST, 0x12345678);
  ioh.ezh_vpbaddr = 0x2C008;
  add_op(OP_EZHWRPER, 0);
  patchJumpTable(idle);
  add_op(OP_JMPBACK, static_cast<int32_t>(top));
  add_op(OP_RETURN, 0);
  add_op(OP_ENDSUB, 0);
  // The handler's main code: blink(5) inside a tight loop over a global.
  ioh.ezhVarStart = EZH_NO_LOCALS;
  add_op(OP_CONST, 5);
  add_op(OP_EZHPARAM, 0);
  add_op(OP_CALLSUB, static_cast<int32_t>(blink));
  add_op(OP_FOR, -1);
  add_op(OP_LDVAR, 3);
  add_op(OP_NEXT, -1);
  add_op(OP_END, 0);
  optimizeTJ(0, 1);

  const Units expected = {
      0x1C00, 0x0000,                                  // 0: the data-start word
      0x0402, 0x01FF,                                  // 2: routine entry
      0x5C04, 0x2C00,                                  // 4: read 0x4002C004
      0xD800, 0x0001,                                  // 6: to the operand register
      0x1C00, 0x0000,                                  // 8: register 0
      0xDE0D, 0x0061,                                  // 10: AND
      0xDE0C, 0x0071, 0x7446, 0x0007, 0x5A15, 0x0064,  // 12: test, jump to 22
      0x5C01, 0x0207,                                  // 18: load from the pool at 26
      0x0805, 0x2C70,                                  // 20: write 0x4002C008
      0x1215, 0x0064,                                  // 22: jump back to 4
      0x3401, 0xFF17,                                  // 24: return
      0x5678, 0x1234,                                  // 26: the pool
      0x1C00, 0x0054,                                  // 28: 5
      0xC000, 0x0001,                                  // 30: into register 0
      0x3207, 0x0000,                                  // 32: call unit 2
      0x1C00, 0x40C4, 0xDC01, 0x0005,                  // 34: global word 3
  };
  ASSERT_EQ(emit.fCODE, expected.size());
  EXPECT_EQ(halfwords(0, emit.fCODE), expected);
  EXPECT_EQ(diag.error_count, errors);

  std::string text = capture_stdout([] { write_image(); });
  std::vector<uint8_t> bytes = srec_bytes(text, static_cast<uint32_t>(firmware.codeStart));
  // Records of 16 units: the last holds the units beyond fCODE as they
  // stand, zero in a fresh image.
  ASSERT_EQ(bytes.size(), 96u) << text;
  for (size_t i = 0; i < 48; i++) {
    int32_t unit = i < expected.size() ? expected[i] : 0;
    EXPECT_EQ(bytes[2 * i], unit & 0xFF) << i;
    EXPECT_EQ(bytes[2 * i + 1], (unit >> 8) & 0xFF) << i;
  }
}

}  // namespace
