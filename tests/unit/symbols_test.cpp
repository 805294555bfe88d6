#include "frontend/symbols.h"

#include <cstring>
#include <string>
#include <vector>

#include "codegen/emit.h"
#include "test_support.h"

namespace {

class SymbolsTest : public CompilerTest {};

std::string name_of(int index) { return g_symboltable + find_symbol(index); }

// A definition starts: its locals follow the symbols entered so far.
void begin_locals() {
  symtab.localcnt = symtab.g_symbolcount;
  symtab.localoffset = symtab.g_STP;
}
// The definition ends: its locals are dropped, as the procedure compiler
// drops them.
void end_locals() {
  symtab.g_symbolcount = symtab.localcnt;
  symtab.g_STP = symtab.localoffset;
  symtab.localcnt = 0;
  symtab.localoffset = 0;
}

TEST_F(SymbolsTest, EnteringAndFinding) {
  EXPECT_EQ(add_symbol("ALPHA", 5), 1);
  EXPECT_EQ(add_symbol("B$", 2), 2);
  EXPECT_EQ(add_symbol("ALPHA", 5), 3);  // a second entry of an equal name
  EXPECT_EQ(symtab.g_symbolcount, 4);
  EXPECT_EQ(symtab.g_STP, 6u + 3u + 6u);
  EXPECT_EQ(g_symbol_type[1], SYM_NEW);
  EXPECT_EQ(g_symbol_type[2], SYM_NEW_STR);
  EXPECT_EQ(name_of(2), "B$");
  EXPECT_EQ(find_symbol(3), 9u);
  EXPECT_EQ(is_symbol("ALPHA", 5), 2);  // the earliest entered wins
  EXPECT_EQ(is_symbol("ALPH", 4), 0);
  EXPECT_EQ(is_symbol("ALPHAB", 6), 0);
  EXPECT_EQ(is_symbol("B$", 2), 3);
  EXPECT_EQ(scan_symbols("ALPHA", 5, 2), 4);
}

TEST_F(SymbolsTest, LocalScopeHidesGlobalAndIsDropped) {
  add_symbol("X", 1);
  add_symbol("F", 1);
  begin_locals();  // behind the procedure's own symbol
  EXPECT_EQ(add_symbol("X", 1), 3);
  EXPECT_EQ(is_symbol("X", 1), 4);
  EXPECT_EQ(is_symbol("F", 1), 3);  // globals stay visible
  end_locals();  // the index is reused
  EXPECT_EQ(is_symbol("X", 1), 2);
  EXPECT_EQ(add_symbol("Y", 1), 3);
  EXPECT_EQ(name_of(3), "Y");
}

// Linear search over the packed names, as the table defines the result.
int32_t found_by_walking(const std::string &name, int first) {
  uint32_t offset = 0;
  for (int i = 1; i < symtab.g_symbolcount; i++) {
    if (i >= first && name == g_symboltable + offset) return i + 1;
    offset += static_cast<uint32_t>(strlen(g_symboltable + offset)) + 1;
  }
  return 0;
}

TEST_F(SymbolsTest, ManyNamesAreFoundAsByWalkingTheTable) {
  // Names that share prefixes and differ in length, some entered twice.
  std::vector<std::string> names;
  for (int i = 0; i < 6000; i++) names.push_back("V" + std::to_string(i % 4500));
  for (const std::string &n : names) add_symbol(n.c_str(), static_cast<int>(n.size()));
  for (const std::string &n : {std::string("V0"), std::string("V4499"), std::string("V123"), std::string("V1"),
                               std::string("V45"), std::string("V4500"), std::string("V"), std::string("W1")}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(is_symbol(n.c_str(), static_cast<int>(n.size())), found_by_walking(n, 1));
    EXPECT_EQ(scan_symbols(n.c_str(), static_cast<int>(n.size()), 4600), found_by_walking(n, 4600));
  }
  for (int i : {1, 2, 4500, 4501, 6000}) EXPECT_EQ(name_of(i), names[static_cast<size_t>(i - 1)]) << i;
}

TEST_F(SymbolsTest, DroppedSymbolsAreForgottenAndTheirIndicesReused) {
  add_symbol("X", 1);
  add_symbol("Y", 1);
  uint16_t kept = symtab.g_symbolcount;
  uint32_t kept_stp = symtab.g_STP;
  for (int round = 0; round < 3; round++) {
    // A procedure's locals: one hides X, the others are new.
    begin_locals();
    EXPECT_EQ(add_symbol("X", 1), kept);
    for (int i = 0; i < 300; i++) {
      const std::string local = "L" + std::to_string(i);
      add_symbol(local.c_str(), static_cast<int>(local.size()));
    }
    EXPECT_EQ(is_symbol("X", 1), kept + 1);
    EXPECT_EQ(is_symbol("L299", 4), kept + 301);
    end_locals();
    EXPECT_EQ(is_symbol("X", 1), 2);
    EXPECT_EQ(is_symbol("L5", 2), 0);
    EXPECT_EQ(is_symbol("L299", 4), 0);
  }
  EXPECT_EQ(add_symbol("L5", 2), kept);
  EXPECT_EQ(is_symbol("L5", 2), kept + 1);
  EXPECT_EQ(find_symbol(kept), kept_stp);
}

TEST_F(SymbolsTest, NamesWrittenStraightIntoTheTableAreFound) {
  const char names[] = "ONE\0TWO\0THREE";
  memcpy(g_symboltable, names, sizeof names);
  symtab.g_symbolcount = 4;
  symtab.g_STP = sizeof names;
  EXPECT_EQ(is_symbol("TWO", 3), 3);
  EXPECT_EQ(is_symbol("THREE", 5), 4);
  EXPECT_EQ(find_symbol(3), 8u);
  // A new program starts over the same bytes.
  reset_symbols();
  EXPECT_EQ(is_symbol("TWO", 3), 0);
  EXPECT_EQ(add_symbol("TWO", 3), 1);
  EXPECT_EQ(is_symbol("TWO", 3), 2);
}

TEST_F(SymbolsTest, NameSpaceAndCountLimits) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  symtab.g_STP = 0x7FFFF - 3;
  EXPECT_EQ(add_symbol("ABC", 3), 1);  // ends exactly at the last byte
  EXPECT_EQ(g_symboltable[0x7FFFF], 0);
  EXPECT_EQ(add_symbol("D", 1), -1);
  symtab.g_STP = 0;
  symtab.g_symbolcount = SYMBOLS_MAX - 1;
  EXPECT_EQ(add_symbol("LAST", 4), SYMBOLS_MAX - 1);
  EXPECT_EQ(add_symbol("MORE", 4), -1);
  std::string out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  EXPECT_NE(out.find(": 0: Too Many Symbols\n"), std::string::npos);
  EXPECT_NE(out.find(": 0: Too Many Symbols(2)\n"), std::string::npos);
}

TEST_F(SymbolsTest, TypePredicates) {
  struct Predicate {
    bool (*test)(uint16_t);
    uint8_t type;
  };
  const Predicate predicates[] = {
      {is_intPtr, 'I'},   {is_iarray, 'Q'},    {is_iarray, 'P'},  {is_iarrayPtr, 'Y'},
      {is_string, 'R'},   {is_strPtr, 'X'},    {is_fvariable, 'C'}, {is_farray, 'S'},
      {is_fltPtr, 'K'},   {is_farrayPtr, '['}, {is_funct, 0x80},  {is_funct, 0x81},
  };
  add_symbol("S", 1);
  for (const Predicate &p : predicates) {
    SCOPED_TRACE(p.type);
    g_symbol_type[1] = p.type;
    EXPECT_TRUE(p.test(0x8001));
    EXPECT_FALSE(p.test(0x0001));  // not a symbol token
    g_symbol_type[1] = 'A';
    EXPECT_FALSE(p.test(0x8001));
  }
}

TEST_F(SymbolsTest, LabelsAndCheck) {
  add_symbol("L1", 2);
  add_symbol("L2", 2);
  add_symbol("V", 1);
  EXPECT_TRUE(is_label_or_declare(0x8001));
  EXPECT_EQ(g_symbol_type[1], SYM_UNDEF_LABEL);
  g_symbol_type[2] = SYM_LABEL;
  EXPECT_TRUE(is_label_or_declare(0x8002));
  g_symbol_type[3] = 'A';
  EXPECT_FALSE(is_label_or_declare(0x8003));
  g_symbol_type[3] = SYM_FUNCTION;
  EXPECT_TRUE(is_label_or_declare(0x8003));
  EXPECT_FALSE(is_label_or_declare(0x0003));

  diag.g_linenum = 17;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(check_labels(1, symtab.g_symbolcount));
  EXPECT_TRUE(check_labels(2, symtab.g_symbolcount));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n  \n-ERROR Undefined Label  L1\n");
  EXPECT_EQ(diag.firstERR, 17);
  // Symbol 0 (MAIN) is never looked at.
  EXPECT_EQ(g_symbol_type[0], SYM_UNDEF_LABEL);
  EXPECT_TRUE(check_labels(2, 3));
}

TEST_F(SymbolsTest, ImplicitIntegerVariables) {
  add_symbol("A", 1);
  add_symbol("B", 1);
  add_symbol("C", 1);
  EXPECT_TRUE(is_ivariable_or_declare(0x8001));
  EXPECT_EQ(g_symbol_type[1], 'A');
  EXPECT_EQ(g_symboladdr[1], 1);
  EXPECT_EQ(vars.g_VSP, 2);
  EXPECT_TRUE(is_ivariable_or_declare(0x8001));  // already declared
  EXPECT_EQ(vars.g_VSP, 2);
  g_symbol_type[2] = 'C';
  EXPECT_FALSE(is_ivariable_or_declare(0x8002));

  symtab.requireDIM = 1;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(is_ivariable_or_declare(0x8003));
  std::string out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "\n-ERROR  : 0: Undefined Label  C\n\n");
  EXPECT_EQ(g_symbol_type[3], SYM_NEW);

  symtab.requireDIM = 0;
  vars.g_VSPdim = 3;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(is_ivariable_or_declare(0x8003));
  out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "\n-ERROR  : 0: Too Many Variables\n");
  EXPECT_EQ(cursor.g_tokenptr, 1);
}

TEST_F(SymbolsTest, CodeSpaceCountsTheStrings) {
  // Thumb-class: strings take one halfword per two bytes of the area.
  firmware.codeSize = 10000;
  cstrings.ConstantStringPtr = 0x20000 - 1000;
  emit.fCODE = 9500;
  checkCodeSpace();
  emit.fCODE = 9501;
  EXPECT_EXIT(checkCodeSpace(), testing::ExitedWithCode(4), "Out of code space");
  // ARM-class: one word per four bytes.
  f_table[0] = 2000;
  compute_firmware_facts();
  emit.fCODE = 9750;
  checkCodeSpace();
  emit.fCODE = 9751;
  EXPECT_EXIT(checkCodeSpace(), testing::ExitedWithCode(4), "Out of code space");
  cstrings.ConstantStringPtr = -1;
  EXPECT_EXIT(checkStringDataPtrs(), testing::ExitedWithCode(5), "Out of String space");
}

}  // namespace
