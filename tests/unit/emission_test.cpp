// add_op, the operation stream, the operation set and firmware entries.
#include <gtest/gtest.h>

#include <cstring>

#include "codegen_support.h"
#include "driver/driver.h"

using Units = std::vector<int32_t>;

namespace {

class Emission : public ::testing::Test {
 protected:
  void SetUp() override { fresh_target(); }
};

TEST_F(Emission, TheOperationSetHasItsNamesAndCodes) {
  struct Name {
    uint16_t code;
    const char *name;
  };
  // A sample across the whole set, with both operations called OP_SUB.
  const Name names[] = {{0, "OP_NOP"},         {4, "OP_MUL"},        {17, "OP_SUB"},
                        {23, "OP_LABEL"},      {43, "OP_INTENTRY"},  {62, "OP_JZ"},
                        {75, "OP_P5_WR"},      {101, "OP_OPND_CONST2"}, {103, "OP_CONST"},
                        {139, "OP_JMPBACK"},   {142, "OP_SUB"},      {163, "OP_MAIN"},
                        {207, "OP_DATAEND"},   {208, "OP_ENDSUB"},   {229, "OP_NEXT"},
                        {255, "OP_ASM"},       {260, "OP_ENET_SEND"}};
  for (const Name &n : names) {
    const Operation *o = find_operation(n.code);
    ASSERT_NE(o, nullptr) << n.code;
    EXPECT_STREQ(o->name, n.name);
  }
  for (uint16_t code : {6, 18, 45, 46, 47, 60, 61, 76, 80, 86, 93, 106, 109, 123, 125, 126, 127, 135, 160,
                        166, 172, 176, 190, 202, 204, 206, 209, 227, 230, 246, 254, 261}) {
    EXPECT_EQ(find_operation(code), nullptr) << code;
  }
  // 158 rows of single codes and the twelve pin operations.
  EXPECT_EQ(operation_count, 170);
}

TEST_F(Emission, TypedOperationsRecordTheOperandType) {
  for (uint16_t op = 0; op < 300; op++) {
    bool typed = (op >= 4 && op <= 56) || op == 113 || op == 119 || op == 121 || op == 145;
    EXPECT_EQ(is_typed_record(op), typed) << op;
  }
  add_op(OP_ADD, 1234);
  EXPECT_EQ(INT_ops[0], OP_ADD);
  EXPECT_EQ(INT_addrs[0], 1);
  add_op(OP_CONST, 1234);
  EXPECT_EQ(INT_addrs[1], 1234);
  emit.integer_ops = 0;
  add_op(OP_MUL, 1234);  // a call: two units
  EXPECT_EQ(INT_ops[3], OP_MUL);
  EXPECT_EQ(INT_addrs[3], 0);
  EXPECT_EQ(INT_ops[2], 0);
}

TEST_F(Emission, AnOperationWithoutCodeKeepsTheRecordBeforeIt) {
  add_op(OP_RETURN, 0);
  add_op(OP_DATAEND, 99);
  add_op(OP_ENDSUB, 0);  // empty pool at an odd unit: only the pad
  EXPECT_EQ(INT_ops[0], OP_RETURN);
  EXPECT_EQ(INT_addrs[0], 0);
  EXPECT_EQ(INT_ops[1], OP_ENDSUB);
  add_op(OP_ENDSUB, 0);  // even: nothing at all
  EXPECT_EQ(emit.fCODE, 2u);
  EXPECT_EQ(INT_ops[1], OP_ENDSUB);
}

TEST_F(Emission, NothingIsRecordedBeforeTheFirstUnit) {
  add_op(OP_DATAEND, 5);
  add_op(OP_MAIN, 0);
  EXPECT_EQ(emit.fCODE, 0u);
  EXPECT_EQ(INT_ops[0], 0);
  EXPECT_EQ(INT_addrs[0], 0);
  // MAIN redirects only the start-up record.
  EXPECT_EQ(INT_addrs[1], 0);
  EXPECT_EQ(INT_ops[1], 0);
}

TEST_F(Emission, MainChangesOnlyTheStartUpOperand) {
  add_op(OP_JMPBACK, 2);
  add_op(OP_NOP, 0);
  add_op(OP_MAIN, 0);
  EXPECT_EQ(INT_ops[1], OP_JMPBACK);
  EXPECT_EQ(INT_addrs[1], 3);
  EXPECT_EQ(INT_ops[2], OP_NOP);
  EXPECT_EQ(emit.last_op, OP_MAIN);
}

TEST_F(Emission, OperandConversionWithoutItsRoutineGoesThroughTheAccumulator) {
  full_firmware_table();
  f_table[79] = 0;
  add_op(OP_OPND_FTOI, 42);
  // SWAP (3 units), FTOI as a call of entry 25 from unit 3, SWAP.
  int64_t t = ((entry_address(25) - (TEST_CODE_START + 6)) >> 1) - 2;
  Units expected = {0x46B1, 0x1C3E, 0x464F, static_cast<int32_t>(0xF000 + ((t >> 11) & 0x7FF)),
                    static_cast<int32_t>(0xF800 + (t & 0x7FF)), 0x46B1, 0x1C3E, 0x464F};
  EXPECT_EQ(units(0, emit.fCODE), expected);
  // Only the conversion itself is recorded, at its last unit.
  EXPECT_EQ(INT_ops[7], OP_OPND_FTOI);
  EXPECT_EQ(INT_addrs[7], 1);
  EXPECT_EQ(INT_ops[2], 0);
  EXPECT_EQ(INT_ops[4], 0);
  EXPECT_EQ(emit.last_op, OP_OPND_FTOI);

  fresh_target();
  full_firmware_table();
  add_op(OP_OPND_FTOI, 42);
  EXPECT_EQ(units(0, emit.fCODE), bl_pair_to_unit(0, (entry_address(79) - 1 - TEST_CODE_START) / 2));
}

TEST_F(Emission, GetAddrByTableFormat) {
  // Short table: every feature present at 1, nothing reported.
  std::string out = capture_stdout([] { EXPECT_EQ(GET_ADDR(79), 1); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(diag.error_seen, 0);

  f_table[1] = 10;
  f_table[79] = 0;
  f_table[30] = 0x1234;
  out = capture_stdout([] {
    EXPECT_EQ(GET_ADDR(79), 0);
    EXPECT_EQ(GET_ADDR(30), 0x1234);
  });
  EXPECT_EQ(out, "");

  f_table[1] = 95;
  out = capture_stdout([] { EXPECT_EQ(GET_ADDR(30), 0x1234); });
  EXPECT_EQ(out, "");
  out = capture_stdout([] { EXPECT_EQ(GET_ADDR(79), 0); });
  EXPECT_NE(out.find("079 Firmware does not support this feature"), std::string::npos) << out;
  out = capture_stdout([] { EXPECT_EQ(GET_ADDR(6), 0); });
  EXPECT_NE(out.find("006 Firmware does not support this feature"), std::string::npos) << out;
  out = capture_stdout([] { EXPECT_EQ(GET_ADDR(138), 0); });
  EXPECT_NE(out.find("138 Firmware does not support this feature"), std::string::npos) << out;
  EXPECT_EQ(diag.error_seen, 1);

  // A table without a version is not checked.
  f_table[0] = 0;
  out = capture_stdout([] { EXPECT_EQ(GET_ADDR(79), 0); });
  EXPECT_EQ(out, "");
}

TEST_F(Emission, AMissingRoutineIsReportedAndStillCalled) {
  full_firmware_table();
  f_table[59] = 0;
  std::string out = capture_stdout([] { add_op(OP_PRINTSTR, 0); });
  EXPECT_NE(out.find("059 Firmware does not support this feature"), std::string::npos);
  // BL to address 0 from 0x3000: (-0x3000 >> 1) - 2 = -0x1802, as 22 bits
  // 0x3FE7FE.
  EXPECT_EQ(units(0, 2), (Units{0xF7FC, 0xFFFE}));
}

struct CallCase {
  uint16_t op;
  int integer_entry;  // 0: no call
  int single_entry;
};

// Firmware entries as the operation set lists them.
const CallCase call_cases[] = {
    {4, 0, 51},     {5, 0, 0},      {7, 15, 50},    {12, 28, 28},   {13, 29, 29},   {14, 25, 25},
    {16, 0, 46},    {17, 0, 47},    {26, 44, 44},   {27, 10, 10},   {28, 9, 9},     {29, 34, 34},
    {30, 67, 67},   {31, 82, 82},   {32, 17, 80},   {33, 39, 72},   {34, 30, 73},   {35, 33, 74},
    {36, 18, 75},   {37, 43, 78},   {38, 26, 26},   {39, 83, 83},   {41, 35, 35},   {49, 37, 37},
    {55, 38, 38},   {81, 122, 122}, {82, 24, 24},   {83, 77, 77},   {84, 24, 24},   {85, 77, 77},
    {87, 69, 69},   {90, 69, 69},   {92, 27, 27},   {94, 100, 100}, {95, 123, 123}, {113, 0, 49},
    {114, 0, 0},    {119, 8, 0},    {120, 31, 31},  {121, 14, 32},  {122, 81, 81},  {118, 68, 68},
    {143, 85, 85},  {144, 86, 86},  {145, 55, 45},  {146, 60, 60},  {147, 57, 57},  {148, 59, 59},
    {149, 56, 56},  {150, 61, 61},  {151, 87, 87},  {152, 48, 48},  {153, 52, 52},  {156, 116, 116},
    {157, 117, 117}, {158, 118, 118}, {159, 119, 119}, {161, 63, 63}, {162, 63, 63}, {173, 109, 109},
    {174, 101, 101}, {175, 110, 110}, {177, 133, 133}, {178, 137, 137}, {179, 134, 134},
    {180, 136, 136}, {181, 135, 135}, {182, 131, 131}, {183, 121, 121}, {184, 114, 114},
    {185, 115, 115}, {186, 113, 113}, {187, 111, 111}, {188, 112, 112}, {189, 120, 120},
    {247, 138, 138}, {256, 126, 126}, {257, 127, 127}, {258, 130, 130}, {259, 128, 128},
    {260, 129, 129}, {103, 0, 0},   {124, 0, 0},    {141, 0, 0},    {23, 0, 0},     {110, 0, 0},
};

TEST_F(Emission, GetOpCallGivesEachOperationsRoutine) {
  full_firmware_table();
  for (const CallCase &c : call_cases) {
    for (uint8_t integer : {1, 0}) {
      emit.integer_ops = integer;
      int entry = integer ? c.integer_entry : c.single_entry;
      EXPECT_EQ(get_op_call(c.op), entry ? entry_address(entry) : 0)
          << "op " << c.op << " integer_ops " << int(integer);
    }
  }
}

TEST_F(Emission, GetOpCallRefusals) {
  full_firmware_table();
  emit.integer_ops = 0;
  for (uint16_t op : {8, 24, 25, 115}) {
    std::string out = capture_stdout([op] { EXPECT_EQ(get_op_call(op), 0); });
    EXPECT_NE(out.find("op for SINGLE undefined"), std::string::npos) << op;
  }
  emit.integer_ops = 1;
  EXPECT_EQ(get_op_call(8), entry_address(42));
  EXPECT_EQ(get_op_call(115), entry_address(36));
  std::string out = capture_stdout([] { EXPECT_EQ(get_op_call(OP_REPEAT), 0); });
  EXPECT_NE(out.find("REPEAT undefined"), std::string::npos);
  // No call is emitted for a refused operation.
  out = capture_stdout([] { add_op(OP_REPEAT, 0); });
  EXPECT_EQ(emit.fCODE, 0u);
}

TEST_F(Emission, SecondSerialPortRoutinesFollowTheFirmware) {
  full_firmware_table();
  struct Case {
    uint16_t version;
    bool has_122;
    int rxd1, txd1, baud1;
  };
  const Case cases[] = {
      {1871, true, 121, 122, 69},
      {1871, false, 121, 69, 69},
      {1872, true, 122, 122, 122},
      {1872, false, 69, 69, 69},
      {2054, true, 122, 122, 122},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.version << " " << c.has_122);
    f_table[0] = c.version;
    f_table[122] = c.has_122 ? static_cast<uint16_t>(entry_address(122)) : 0;
    compute_firmware_facts();
    EXPECT_EQ(get_op_call(OP_RXD1), entry_address(c.rxd1));
    EXPECT_EQ(get_op_call(OP_TXD1), entry_address(c.txd1));
    EXPECT_EQ(get_op_call(OP_BAUD1), entry_address(c.baud1));
  }
}

TEST_F(Emission, ResetClearsTheStreamAndTheImageOfTheLastProgram) {
  add_op(OP_JMPBACK, 2);
  for (int k = 0; k < 50; k++) add_op(OP_PUSHACC, 0);
  add_op(OP_CONST, 0x12345678);
  add_op(OP_GOTO, 1);
  add_fwd_ref();
  emit.inside_ezh = 2;
  uint32_t used = emit.fCODE;
  ASSERT_GT(used, 50u);
  reset_codegen();
  for (uint32_t i = 0; i < used; i++) {
    ASSERT_EQ(Flash_codes[i], 0) << i;
    ASSERT_EQ(INT_ops[i], 0) << i;
    ASSERT_EQ(INT_addrs[i], 0) << i;
  }
  EXPECT_EQ(emit.fCODE, 0u);
  EXPECT_EQ(pool.nextConst, 0);
  EXPECT_EQ(links.nextLink, 0);
  EXPECT_EQ(links.jmpPTR, 1);
  EXPECT_EQ(jump_table[1], 0);
  EXPECT_EQ(links.resolvedLinks, 0);
  EXPECT_EQ(emit.inside_ezh, 0);
  EXPECT_EQ(emit.last_op, 0);
  EXPECT_EQ(emit.code_high_water, 0u);
}

TEST_F(Emission, InitCompilerStartsAProgramWithItsStartUpJumps) {
  struct Case {
    uint16_t version;
    Units units;
    // The start-up jump MAIN redirects and the operand it starts with.
    int record;
    int32_t operand;
  };
  const int32_t B_NEXT = static_cast<int32_t>(0xEAFFFFFF);  // ARM: B to the next word
  const Case cases[] = {
      {2054, {0xF000, 0xF800}, 1, 2},
      {2100, {0xF000, 0xF800}, 1, 2},
      {2048, {0xF000, 0xF800, 0xF000, 0xF800}, 1, 2},
      {2053, {0xF000, 0xF800, 0xF000, 0xF800}, 1, 2},
      {2047, {B_NEXT}, 0, 1},
      {1829, {B_NEXT}, 0, 1},
      {1828, {B_NEXT, B_NEXT, B_NEXT, B_NEXT}, 1, 2},
      {1813, {B_NEXT, B_NEXT, B_NEXT, B_NEXT}, 1, 2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.version);
    fresh_target();
    // Leftovers of an earlier program.
    for (int k = 0; k < 30; k++) add_op(OP_PUSHACC, 0);
    f_table[0] = c.version;
    init_compiler();
    EXPECT_EQ(units(0, emit.fCODE), c.units);
    EXPECT_EQ(Flash_codes[5], 0);
    EXPECT_EQ(INT_ops[20], 0);
    EXPECT_EQ(INT_ops[c.record], OP_JMPBACK);
    EXPECT_EQ(INT_addrs[c.record], c.operand);
  }
}

TEST_F(Emission, MainRedirectsTheStartUpJumpOfItsFirmware) {
  struct Case {
    uint16_t version;
    int record;        // the record MAIN redirects
    int32_t untouched;  // a record it must leave alone, with its operand
    int32_t untouched_operand;
  };
  const Case cases[] = {
      {2054, 1, 0, 0},
      {2050, 1, 0, 0},
      // One jump, recorded at index 0; index 1 belongs to the first
      // operation of the program.
      {1829, 0, 1, 77},
      {2047, 0, 1, 77},
      // Four jumps: the second leads on from the first.
      {1828, 1, 0, 1},
      {1823, 1, 0, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.version);
    fresh_target();
    f_table[0] = c.version;
    init_compiler();
    add_op(OP_CONST, 77);
    while (emit.fCODE < 40) add_op(OP_NOP, 0);
    add_op(OP_MAIN, 0);
    EXPECT_EQ(INT_addrs[c.record], 40);
    EXPECT_EQ(INT_ops[c.record], OP_JMPBACK);
    EXPECT_EQ(INT_addrs[c.untouched], c.untouched_operand);
  }
}

TEST_F(Emission, TheImageEndsTheProgramRatherThanOverflow) {
  firmware.codeSize = 2 * FLASH_CODES_SIZE;  // only the table itself limits
  emit.fCODE = FLASH_CODES_SIZE - 1;
  add_op(OP_NOP, 0);
  EXPECT_EQ(emit.fCODE, static_cast<uint32_t>(FLASH_CODES_SIZE));
  EXPECT_EXIT(add_op(OP_NOP, 0), ::testing::ExitedWithCode(4), "Out of code space");
  emit.fCODE = FLASH_CODES_SIZE - 1;
  EXPECT_EXIT(add_op(OP_LDARR, 0), ::testing::ExitedWithCode(4), "Out of code space");
}

TEST_F(Emission, CodeSpaceIsSharedWithTheStrings) {
  firmware.codeSize = 1000;
  cstrings.ConstantStringPtr = 0x20000 - 1000;  // 500 halfwords of strings
  while (emit.fCODE < 500) add_op(OP_NOP, 0);
  EXPECT_EXIT(add_op(OP_NOP, 0), ::testing::ExitedWithCode(4), "Out of code space");
}

}  // namespace
