// Compiles in one process, one after the other: every compile starts from
// the same state whatever the one before did (a fatal end, another table),
// and the protocol's hooks are back afterwards.
#include <gtest/gtest.h>

#include "core/hooks.h"
#include "session/session.h"

namespace ombrik {
namespace {

PreprocessResult source_of(const std::string &text) { return preprocess("p.bas", text, {}); }

FirmwareTable table_of(const std::string &name, const std::string &text) {
  FirmwareTable t;
  t.name = name;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    t.lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return t;
}

const char program[] = "DIM x\nGOTO main\nSUB twice\n  x = x * 2\nENDSUB\nmain:\nx = 21\ntwice\nPRINT \"x=\"; x\nEND\n";

// A program that leaves much behind: more code, strings, symbols and
// routines than the one compiled after it.
std::string big_program() {
  std::string p = "GOTO main\n";
  for (int i = 0; i < 40; i++) {
    std::string n = std::to_string(i);
    p += "SUB routine_with_a_long_name_" + n + "\n  PRINT \"" + std::string(40, static_cast<char>('a' + i % 26)) +
         "\"\nENDSUB\n";
  }
  p += "main:\nDIM " + std::string("variable_number_one, variable_number_two") + "\nvariable_number_one = 1\nEND\n";
  return p;
}

TEST(Session, EachCompileStartsAfresh) {
  PreprocessResult p = source_of(program);
  compile_program(source_of("END\n"), nullptr, CompileAction::Build);
  CompileResult fresh = compile_program(p, nullptr, CompileAction::Build);
  ASSERT_EQ(fresh.status, CompileStatus::Ok);
  ASSERT_NE(fresh.image, "");

  std::string strings;
  for (int i = 0; i < 700; i++) strings += "PRINT \"" + std::string(200, 's') + "\"\n";
  FirmwareTable arm7 = table_of("arm7.table", "0780\n0004\n0040\n1C00\n0300\n0000\n0000\n");
  struct Before {
    const char *title;
    std::string source;
    const FirmwareTable *table;
    CompileStatus status;
  };
  const Before befores[] = {
      {"a bigger program", big_program(), nullptr, CompileStatus::Ok},
      // Ends in one of the core's fatal conditions, half way through a line.
      {"a fatal end", strings, nullptr, CompileStatus::CodeSpace},
      {"another table", program, &arm7, CompileStatus::Ok},
  };
  for (const Before &b : befores) {
    SCOPED_TRACE(b.title);
    EXPECT_EQ(compile_program(source_of(b.source), b.table, CompileAction::Build).status, b.status);
    CompileResult again = compile_program(p, nullptr, CompileAction::Build);
    EXPECT_EQ(again.status, CompileStatus::Ok);
    EXPECT_EQ(again.image, fresh.image);
    EXPECT_EQ(again.text, fresh.text);
    EXPECT_TRUE(again.diagnostics.empty());
  }
}

TEST(Session, CheckGivesBuildsStatusAndMapWithoutTheImage) {
  PreprocessResult p = source_of(program);
  CompileResult build = compile_program(p, nullptr, CompileAction::Build);
  CompileResult check = compile_program(p, nullptr, CompileAction::Check);
  EXPECT_EQ(check.status, CompileStatus::Ok);
  EXPECT_EQ(check.image, "");
  EXPECT_EQ(check.text, build.text);
}

TEST(Session, TheProtocolsHooksAreBackAfterwards) {
  compile_program(source_of("GOTO nowhere\n"), nullptr, CompileAction::Run);
  EXPECT_EQ(hooks.next_char, nullptr);
  EXPECT_EQ(hooks.report, nullptr);
  EXPECT_EQ(hooks.end, nullptr);
  EXPECT_EQ(hooks.image, nullptr);
  EXPECT_EQ(hooks.text, nullptr);
}

TEST(Session, DiagnosticsComeInOrderWithTheirPlaces) {
  CompileResult r = compile_program(source_of("#define A 1\n#define A 2\nDIM x\nx = 1 2\nx = \"open\n"), nullptr,
                                    CompileAction::Check);
  EXPECT_EQ(r.status, CompileStatus::Errors);
  ASSERT_EQ(r.diagnostics.size(), 3u);
  EXPECT_EQ(r.diagnostics[0].severity, Severity::Warning);
  EXPECT_EQ(r.diagnostics[0].message, "'A' redefined");
  EXPECT_EQ(r.diagnostics[1].message, "Expected End Of Line");
  EXPECT_EQ(r.diagnostics[1].line, 4u);
  EXPECT_EQ(r.diagnostics[1].column, 7u);
  EXPECT_EQ(r.diagnostics[1].source_line, "x = 1 2");
  EXPECT_EQ(r.diagnostics[2].message, "Missing end \"");
  EXPECT_EQ(r.diagnostics[2].line, 5u);
  EXPECT_EQ(r.diagnostics[2].column, 5u);
}

TEST(Session, PreprocessorErrorsStopBeforeCompiling) {
  CompileResult r = compile_program(source_of("x = 1 2\n#error no\n"), nullptr, CompileAction::Build);
  EXPECT_EQ(r.status, CompileStatus::Errors);
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].message, "no");
  EXPECT_EQ(r.text, "");
}

TEST(Session, AStatementLeftOpenAtTheEnd) {
  CompileResult r = compile_program(source_of("DIM x\nFOR x = 1 TO 2\n"), nullptr, CompileAction::Build);
  EXPECT_EQ(r.status, CompileStatus::Errors);
  ASSERT_FALSE(r.diagnostics.empty());
  EXPECT_EQ(r.diagnostics.back().file, "p.bas");
}

TEST(Session, DisplayLinesOfASummary) {
  EXPECT_EQ(display_lines("> 0x0 CODE   MAIN 0\n\"... ( 0.10K code)/224K data programmed\r\n\"\n\n"
                          "\n\"MAP CODE (bytes):&H8000\"\n\n\n"),
            "... ( 0.10K code)/224K data programmed\nMAP CODE (bytes):&H8000\n");
}

}  // namespace
}  // namespace ombrik
