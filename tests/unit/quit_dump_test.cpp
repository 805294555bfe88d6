// QUITDUMP: its refusals, the summary and the MAP line. Each run ends the
// process, so it runs in a child whose standard output goes to a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codegen_support.h"
#include "compile/statement.h"
#include "driver/driver.h"

namespace {

class QuitDump : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_target();
    init_compiler();
    char path[] = "/tmp/ombrik_quitdump_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    out_path = path;
  }
  void TearDown() override { unlink(out_path.c_str()); }

  // Standard output of the QUITDUMP child.
  std::string output() {
    std::string text;
    FILE *f = fopen(out_path.c_str(), "r");
    if (!f) return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    fclose(f);
    return text;
  }
  // Last line-ending-terminated lines of the output from the summary on.
  std::string from_summary() {
    std::string text = output();
    size_t at = text.find("\"... (");
    return at == std::string::npos ? "" : text.substr(at);
  }

  std::string out_path;
};

#define QUIT_DUMP_EXITS(status)                                          \
  EXPECT_EXIT(                                                           \
      {                                                                  \
        if (!freopen(out_path.c_str(), "w", stdout)) exit(99);           \
        quit_dump();                                                     \
      },                                                                 \
      ::testing::ExitedWithCode(status), "")

TEST_F(QuitDump, AnErrorRefusesTheImage) {
  diag.error_seen = 1;
  diag.firstERR = 7;
  QUIT_DUMP_EXITS(1);
  EXPECT_EQ(output(), "\r\n-First ERROR at line  :7\r\n");
}

TEST_F(QuitDump, AnErrorComesBeforeUndefinedLabels) {
  int32_t s = add_symbol("NOWHERE", 7);
  g_symbol_type[s] = SYM_UNDEF_LABEL;
  diag.error_seen = 1;
  diag.firstERR = 3;
  QUIT_DUMP_EXITS(1);
  EXPECT_EQ(output(), "\r\n-First ERROR at line  :3\r\n");
}

TEST_F(QuitDump, UndefinedLabelsRefuseTheImage) {
  int32_t s = add_symbol("NOWHERE", 7);
  g_symbol_type[s] = SYM_UNDEF_LABEL;
  QUIT_DUMP_EXITS(2);
  std::string out = output();
  EXPECT_NE(out.find("Undefined Label  NOWHERE"), std::string::npos) << out;
  EXPECT_EQ(out.find(":00000001FF"), std::string::npos) << out;
}

TEST_F(QuitDump, ARoutineWithoutAJumpAroundItIsRefused) {
  struct Case {
    int32_t first_functionsub, first_gotosubwhiledo, status;
  };
  for (Case c : {Case{10, 0, 3}, Case{10, 20, 3}, Case{10, 10, 0}, Case{10, 4, 0}, Case{0, 0, 0}}) {
    SCOPED_TRACE(testing::Message() << c.first_functionsub << " " << c.first_gotosubwhiledo);
    program.first_functionsub = c.first_functionsub;
    program.first_gotosubwhiledo = c.first_gotosubwhiledo;
    QUIT_DUMP_EXITS(c.status);
    std::string out = output();
    bool refused = out.find("Function/Sub requires GOTO around or MAIN:") != std::string::npos;
    EXPECT_EQ(refused, c.status == 3) << out;
    EXPECT_EQ(out.find(":00000001FF") != std::string::npos, c.status == 0) << out;
  }
}

TEST_F(QuitDump, SummaryOfTheStartUpCode) {
  QUIT_DUMP_EXITS(0);
  // Start-up jump and END: 4 units, 3 counted; no strings; 1 variable word.
  EXPECT_EQ(from_summary(),
            "\"... ( 0.01K code + 0.00K const)/128K   0.00/64K data programmed\r\n\n\"\n\n"
            "> 0x00003004 CODE   MAIN 0\n");
}

TEST_F(QuitDump, SummaryAndMapLineOfAFullTable) {
  f_table[1] = 95;
  f_table[41] = 0x7900;
  init_compiler();
  firmware.codeSize = 0x3B000;
  for (int k = 0; k < 1021; k++) add_op(OP_PUSHACC, 0);
  cstrings.ConstantStringPtr = 0x20000 - 2560;
  vars.g_VSP = 129;
  vars.g_VSPdim = static_cast<int16_t>(firmware.varSpace - 512);
  program.mapfound = 1;
  QUIT_DUMP_EXITS(0);
  // 2 + 1021 + 2 units and END's pool pad to an even unit: 1026, 1025
  // counted: 2.00K; 2.50K of strings; 472K; data (129 + 512) / 256 = 2.50.
  // MAP: 0x3000 + 2 * 1025; 0x79000 - 0xA00; 129 * 4; (0x4000 - 512) * 4.
  EXPECT_EQ(from_summary(),
            "\"... ( 2.00K code + 2.50K const)/472K   2.50/64K data programmed\r\n\n\"\n\n"
            "\n\"MAP CODE (bytes):&H3802 CONST:&H78600 DATA:&H204 STRING:&Hf800\"\n\n\n"
            "> 0x00003004 CODE   MAIN 0\n");
}

TEST_F(QuitDump, TheImageHoldsTheStartUpCodeAndEnd) {
  f_table[0] = 2101;  // unscrambled
  init_compiler();
  QUIT_DUMP_EXITS(0);
  std::string out = output();
  // 0x20 + 0x30 + F0 + F8 + 10 + BC + BD = 0x3C1: checksum 0x3F.
  EXPECT_EQ(out.substr(0, out.find("\"... (")),
            ":2030000000F000F810BC00BD" + std::string(48, '0') + "3F\n"
            ":020000040005F5\n"
            ":00000001FF\n");
}

}  // namespace
