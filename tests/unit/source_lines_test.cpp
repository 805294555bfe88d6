// The table of source-line positions: what the compiler records for each
// line it reads, and how it keeps compiling when the table is full.
#include "frontend/source_lines.h"

#include <gtest/gtest.h>

#include <tuple>

#include "codegen_support.h"
#include "core/hooks.h"
#include "expression_support.h"

namespace {

using Entry = std::tuple<std::string, uint16_t, uint32_t>;  // file, line, unit

std::vector<Entry> entries() {
  std::vector<Entry> v;
  for (int32_t k = 0; k < source_line_table.count; k++)
    v.emplace_back(source_files[source_lines[k].file], source_lines[k].line, source_lines[k].unit);
  return v;
}

TEST(SourceLines, EachSourceLineWithItsFileLineAndFirstUnit) {
  // The start-up call takes units 0 and 1; each assignment two units.
  Session s = compile_session("# 3 \"a.bas\"\nA = 1\n' a remark\nB = 2\n@ an echo\n# 1 \"b.bas\"\nC = 3\n");
  ASSERT_EQ(s.out, "");
  // Markers and echoes are the driver's; the QUIT line is recorded as read.
  EXPECT_EQ(entries(), (std::vector<Entry>{{"a.bas", 3, 2}, {"a.bas", 4, 4}, {"a.bas", 5, 4}, {"b.bas", 1, 6},
                                           {"b.bas", 2, 8}}));
  EXPECT_EQ(source_line_table.file_count, 2);
  EXPECT_EQ(source_line_table.dropped, 0u);
}

TEST(SourceLines, ClearStartsAnEmptyTable) {
  compile_session("A = 1\nCLEAR\nB = 2\n");
  EXPECT_EQ(entries(), (std::vector<Entry>{{"", 1, 2}, {"", 2, 4}}));
}

TEST(SourceLines, AFullTableDropsLinesAndChangesNoCode) {
  Session plain = compile_session("A = 1\nB = 123456\n");
  std::vector<int32_t> code = units(0, emit.fCODE);

  reset_everything();
  for (int32_t k = 0; k < SOURCE_LINES_MAX; k++) note_source_line(0);
  ASSERT_EQ(source_line_table.count, SOURCE_LINES_MAX);
  EXPECT_EQ(compile_more("A = 1\nB = 123456\n").out, plain.out);
  EXPECT_EQ(units(0, emit.fCODE), code);
  EXPECT_EQ(source_line_table.count, SOURCE_LINES_MAX);
  EXPECT_EQ(source_line_table.dropped, 3u);
}

struct Warning {
  std::string file;
  uint32_t line;
  std::string message;
};
std::vector<Warning> warnings;

void collect(void *, const char *file, uint32_t line, uint32_t, DiagnosticSeverity severity, const char *message) {
  if (severity == DiagnosticSeverity::Warning) warnings.push_back({file, line, message});
}

TEST(SourceLines, AFullTableWarnsOnceWhereADiagnosticsSinkListens) {
  reset_everything();
  for (int32_t k = 0; k < SOURCE_LINES_MAX; k++) note_source_line(0);
  warnings.clear();
  CoreHooks saved = hooks;
  hooks.report = collect;
  compile_more("# 7 \"big.bas\"\nA = 1\nB = 2\n");
  hooks = saved;
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].file, "big.bas");
  EXPECT_EQ(warnings[0].line, 7u);
  EXPECT_EQ(warnings[0].message,
            "too many source lines or files for the table of line positions: from this line on, lines have no code "
            "position in the ELF image's line information or in the listing");
}

TEST(SourceLines, AFullTableOfFileNamesDropsTheLinesOfNewFiles) {
  std::string source;
  for (int k = 0; k <= SOURCE_FILES_MAX; k++) source += "# 1 \"f" + std::to_string(k) + ".bas\"\nA = 1\n";
  Session s = compile_session(source);
  ASSERT_EQ(s.out, "");
  EXPECT_EQ(source_line_table.file_count, SOURCE_FILES_MAX);
  EXPECT_EQ(source_line_table.count, SOURCE_FILES_MAX);
  // The last file's line and the QUIT line after it.
  EXPECT_EQ(source_line_table.dropped, 2u);
  EXPECT_EQ(std::string(source_files[SOURCE_FILES_MAX - 1]), "f255.bas");
}

}  // namespace
