// The preprocessor on in-memory files: the exact stream the compiler would
// read (markers included) and the exact messages, directive by directive.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "preprocess/preprocess.h"

namespace ombrik {
namespace {

using Files = std::map<std::string, std::string>;

FileReader reader_for(const Files &files) {
  return [files](const std::string &path) {
    FileRead r;
    auto it = files.find(path);
    if (it == files.end()) return r;
    if (it->second == "<dir>") {
      r.status = FileRead::Failed;
      r.error = "is a directory";
      return r;
    }
    r.status = FileRead::Ok;
    r.text = it->second;
    r.identity = path;
    return r;
  };
}

std::string render(const Diagnostic &d) {
  return d.file + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) + ": " + severity_name(d.severity) +
         ": " + d.message;
}

struct Case {
  const char *title;
  Files files;  // "main.bas" is preprocessed
  std::vector<std::string> defines;
  std::vector<std::string> include_dirs;
  std::string output;
  std::vector<std::string> messages;
};

void check(const Case &c) {
  SCOPED_TRACE(c.title);
  PreprocessOptions options;
  options.defines = c.defines;
  options.include_dirs = c.include_dirs;
  options.read_file = reader_for(c.files);
  PreprocessResult r = preprocess("main.bas", c.files.at("main.bas"), options);
  EXPECT_EQ(r.text(), c.output);
  std::vector<std::string> messages;
  for (const Diagnostic &d : r.diagnostics) messages.push_back(render(d));
  EXPECT_EQ(messages, c.messages);
  bool errors = false;
  for (const std::string &m : c.messages) errors = errors || m.find(": error: ") != std::string::npos;
  EXPECT_EQ(r.has_errors(), errors);
}

TEST(Preprocess, PlainLinesPassWithOneMarker) {
  check({"plain", {{"main.bas", "x = 1\r\n\nPRINT x\n"}}, {}, {}, "# 1 \"main.bas\"\nx = 1\n\nPRINT x\n", {}});
  check({"no final line end", {{"main.bas", "a\nb"}}, {}, {}, "# 1 \"main.bas\"\na\nb\n", {}});
  check({"empty file", {{"main.bas", ""}}, {}, {}, "", {}});
}

TEST(Preprocess, DefineReplacesWholeNamesInCodeOnly) {
  const Case cases[] = {
      {"whole names, any letter case",
       {{"main.bas", "#define LED 5\nHIGH(LED) : led2 = Led : LEDX = 1\n"}},
       {},
       {},
       "# 2 \"main.bas\"\nHIGH(5) : led2 = 5 : LEDX = 1\n",
       {}},
      {"not in strings or comments",
       {{"main.bas", "#define N 7\nPRINT \"N\"; N ' N here\nx = N REM N\nREM N\ny = 1 : REM N\n"}},
       {},
       {},
       "# 2 \"main.bas\"\nPRINT \"N\"; 7 ' N here\nx = 7 REM 7\nREM N\ny = 1 : REM N\n",
       {}},
      {"not inside numbers",
       {{"main.bas", "#define FACE 1\n#define E5 2\nx = &HFACE + 1E5 + $FACE + FACE\n"}},
       {},
       {},
       "# 3 \"main.bas\"\nx = &HFACE + 1E5 + $FACE + 1\n",
       {}},
      {"a $ name is another name",
       {{"main.bas", "#define A$ \"hi\"\nPRINT A$; A\n"}},
       {},
       {},
       "# 2 \"main.bas\"\nPRINT \"hi\"; A\n",
       {}},
      {"replacements are rescanned, a macro not inside itself",
       {{"main.bas", "#define A B + 1\n#define B A * 2\nx = A\n"}},
       {},
       {},
       "# 3 \"main.bas\"\nx = A * 2 + 1\n",
       {}},
      {"the comment of a #define line is not part of the text",
       {{"main.bas", "#define PIN 12 ' the LED\nHIGH(PIN)\n"}},
       {},
       {},
       "# 2 \"main.bas\"\nHIGH(12)\n",
       {}},
      {"undef",
       {{"main.bas", "#define N 1\nx = N\n#undef n\nx = N\n#undef NEVER\n"}},
       {},
       {},
       "# 2 \"main.bas\"\nx = 1\n# 4 \"main.bas\"\nx = N\n",
       {}},
      {"redefinition warns, same text does not",
       {{"main.bas", "#define N 1\n#define N 1\n#define N 2\nx = N\n"}},
       {},
       {},
       "# 4 \"main.bas\"\nx = 2\n",
       {"main.bas:3:1: warning: 'N' redefined"}},
      {"empty text", {{"main.bas", "#define NOTHING\nx = 1 NOTHING\n"}}, {}, {}, "# 2 \"main.bas\"\nx = 1 \n", {}},
  };
  for (const Case &c : cases) check(c);
}

TEST(Preprocess, CommandLineDefines) {
  const std::string source = "#ifndef LED\n#define LED 5\n#endif\nHIGH(LED)\n";
  check({"default", {{"main.bas", source}}, {}, {}, "# 4 \"main.bas\"\nHIGH(5)\n", {}});
  check({"-D overrides the default", {{"main.bas", source}}, {"LED=7"}, {}, "# 4 \"main.bas\"\nHIGH(7)\n", {}});
  check({"the last -D wins", {{"main.bas", source}}, {"LED=7", "LED=9"}, {}, "# 4 \"main.bas\"\nHIGH(9)\n", {}});
  check({"-D NAME is 1", {{"main.bas", "x = DEBUG\n"}}, {"DEBUG"}, {}, "# 1 \"main.bas\"\nx = 1\n", {}});
  check({"-D with an empty text", {{"main.bas", "x = 1 E\n"}}, {"E="}, {}, "# 1 \"main.bas\"\nx = 1 \n", {}});
  check({"-D with a bad name",
         {{"main.bas", "x\n"}},
         {"1X=2"},
         {},
         "# 1 \"main.bas\"\nx\n",
         {":0:0: error: -D '1X' is not a name"}});
}

TEST(Preprocess, Conditionals) {
  const Case cases[] = {
      {"ifdef / else",
       {{"main.bas", "#define A\n#ifdef A\nyes\n#else\nno\n#endif\n#ifdef B\nno\n#else\nyes2\n#endif\n"}},
       {},
       {},
       "# 3 \"main.bas\"\nyes\n# 10 \"main.bas\"\nyes2\n",
       {}},
      {"ifndef", {{"main.bas", "#ifndef A\nyes\n#endif\n"}}, {}, {}, "# 2 \"main.bas\"\nyes\n", {}},
      {"if / elif / else takes the first true branch only",
       {{"main.bas", "#define V 2\n#if V = 1\none\n#elif V = 2\ntwo\n#elif V >= 2\nnot this\n#else\nelse\n#endif\n"}},
       {},
       {},
       "# 5 \"main.bas\"\ntwo\n",
       {}},
      {"nesting inside a skipped region is not evaluated",
       {{"main.bas", "#if 0\n#if 1 / 0\n#error never\n#else\nno\n#endif\n#elif 1\nyes\n#endif\n"}},
       {},
       {},
       "# 8 \"main.bas\"\nyes\n",
       {}},
      {"nested kept regions",
       {{"main.bas", "#if 1\n#ifdef X\nno\n#elif defined(Y) OR 1\na\n#endif\nb\n#endif\n"}},
       {},
       {},
       "# 5 \"main.bas\"\na\n# 7 \"main.bas\"\nb\n",
       {}},
      {"directives with blanks and any letter case",
       {{"main.bas", "  #  IFDEF X\nno\n #Else ' comment\nyes\n#ENDIF\n"}},
       {},
       {},
       "# 4 \"main.bas\"\nyes\n",
       {}},
      {"#else without #if",
       {{"main.bas", "#else\nx\n"}},
       {},
       {},
       "# 2 \"main.bas\"\nx\n",
       {"main.bas:1:1: error: #else without #if"}},
      {"#endif without #if", {{"main.bas", "#endif\n"}}, {}, {}, "", {"main.bas:1:1: error: #endif without #if"}},
      {"#elif without #if", {{"main.bas", "#elif 1\n"}}, {}, {}, "", {"main.bas:1:1: error: #elif without #if"}},
      {"#elif after #else",
       {{"main.bas", "#if 0\n#else\na\n#elif 1\nb\n#endif\n"}},
       {},
       {},
       "# 3 \"main.bas\"\na\n",
       {"main.bas:4:1: error: #elif after #else"}},
      {"#else after #else",
       {{"main.bas", "#if 1\na\n#else\n#else\nb\n#endif\n"}},
       {},
       {},
       "# 2 \"main.bas\"\na\n",
       {"main.bas:4:1: error: #else after #else"}},
      {"unterminated",
       {{"main.bas", "x\n#if 1\n#ifdef Q\n"}},
       {},
       {},
       "# 1 \"main.bas\"\nx\n",
       {"main.bas:3:0: error: #ifdef without #endif", "main.bas:2:0: error: #if without #endif"}},
      {"extra text",
       {{"main.bas", "#ifdef A B\n#endif x\n#undef A B\n"}},
       {},
       {},
       "",
       {"main.bas:1:1: error: #ifdef expects one name", "main.bas:2:1: error: extra text after #endif",
        "main.bas:3:1: error: #undef expects one name"}},
  };
  for (const Case &c : cases) check(c);
}

struct ConditionCase {
  const char *expression;
  bool holds;
  const char *error;  // "" when it evaluates
};

TEST(Preprocess, ConditionExpressions) {
  const ConditionCase cases[] = {
      {"1 + 2 * 3 = 7", true, ""},
      {"(1 + 2) * 3 = 9", true, ""},
      {"7 / 2 = 3 AND 7 MOD 2 = 1 AND -7 / 2 = -3", true, ""},
      {"&H10 = 16 AND 0x10 = 16 AND $10 = 16 AND %101 = 5", true, ""},
      {"4294967295 = -1", true, ""},
      {"1 << 4 = 16 AND -16 >> 2 = -4", true, ""},
      {"NOT 0", true, ""},
      {"NOT (1 = 1)", false, ""},
      {"NOT 1 = 2", true, ""},
      {"1 < 2 AND 2 > 1 AND 2 <= 2 AND 2 >= 2 AND 1 <> 2 AND 1 >< 2 AND 2 =< 3 AND 3 => 2", true, ""},
      {"(1 = 1) = -1", true, ""},
      {"6 AND 3", true, ""},
      {"4 AND 3", false, ""},
      {"4 & 3 OR 0", false, ""},
      {"5 XOR 5", false, ""},
      {"2147483647 + 1 = -2147483648", true, ""},
      {"-2147483647 - 1 = -2147483647 - 1", true, ""},
      {"(-2147483647 - 1) / -1 < 0", true, ""},
      {"DEFINED(YES) AND defined NO = 0 AND defined ( YES )", true, ""},
      {"VALUE * 2 = 84", true, ""},
      {"TWICE = 84", true, ""},
      {"1 ' comment", true, ""},
      {"1 / 0", false, "division by zero in condition"},
      {"1 MOD 0", false, "division by zero in condition"},
      {"UNKNOWN", false, "'UNKNOWN' is not defined"},
      {"", false, "condition expected"},
      {"1 +", false, "condition ends too early"},
      {"(1", false, "missing ')' in condition"},
      {"1 2", false, "unexpected '2' in condition"},
      {"\"a\"", false, "a string cannot be part of a condition"},
      {"1.5", false, "'1.5' is not an integer"},
      {"%102", false, "'%102' is not an integer"},
      {"4294967296", false, "number '4294967296' does not fit in 32 bits"},
      {"$", false, "number without digits '$'"},
      {"1 << 32", false, "shift by 32 is outside 0 to 31"},
      {"1 ? 2", false, "'?' cannot be part of a condition"},
      {"defined", false, "defined expects a name"},
      {"defined(X", false, "missing ')' after defined(NAME"},
      {"SELF", false, "'SELF' is not defined"},
  };
  for (const ConditionCase &c : cases) {
    SCOPED_TRACE(c.expression);
    std::string source = "#define YES\n#define VALUE 42\n#define TWICE VALUE * 2\n#define SELF SELF\n#if " +
                         std::string(c.expression) + "\nkept\n#endif\n";
    PreprocessOptions options;
    PreprocessResult r = preprocess("main.bas", source, options);
    EXPECT_EQ(r.text(), c.holds ? "# 6 \"main.bas\"\nkept\n" : "");
    if (*c.error) {
      ASSERT_EQ(r.diagnostics.size(), 1u);
      EXPECT_EQ(r.diagnostics[0].message, std::string("#if: ") + c.error);
      EXPECT_EQ(r.diagnostics[0].line, 5u);
    } else {
      EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics[0].message;
    }
  }
}

TEST(Preprocess, DeepNestingIsRefusedNotOverflowed) {
  std::string deep = "#if " + std::string(100000, '(') + "1\n#endif\n";
  PreprocessResult r = preprocess("main.bas", deep, {});
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].message, "#if: condition nested too deeply");
  std::string nots = "#if ";
  for (int i = 0; i < 100000; i++) nots += "NOT ";
  r = preprocess("main.bas", nots + "0\n#endif\n", {});
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].message, "#if: condition nested too deeply");
}

TEST(Preprocess, Includes) {
  const Case cases[] = {
      {"relative to the including file, markers around it",
       {{"main.bas", "a\n#include \"lib/one.bas\"\nb\n"},
        {"lib/one.bas", "one\n#include \"two.bas\"\n"},
        {"lib/two.bas", "two\n"}},
       {},
       {},
       "# 1 \"main.bas\"\na\n# 1 \"lib/one.bas\"\none\n# 1 \"lib/two.bas\"\ntwo\n# 3 \"main.bas\"\nb\n",
       {}},
      {"then each -I directory in order",
       {{"main.bas", "#include \"x.bas\"\n"}, {"first/x.bas", "first\n"}, {"second/x.bas", "second\n"}},
       {},
       {"none", "first", "second"},
       "# 1 \"first/x.bas\"\nfirst\n",
       {}},
      {"the including file's directory comes first",
       {{"main.bas", "#include \"x.bas\"\n"}, {"x.bas", "here\n"}, {"inc/x.bas", "there\n"}},
       {},
       {"inc"},
       "# 1 \"x.bas\"\nhere\n",
       {}},
      {"macros carry across files",
       {{"main.bas", "#include \"defs.bas\"\nx = N\n"}, {"defs.bas", "#define N 3\n"}},
       {},
       {},
       "# 2 \"main.bas\"\nx = 3\n",
       {}},
      {"missing",
       {{"main.bas", "#include \"nowhere.bas\"\nx\n"}},
       {},
       {"inc"},
       "# 2 \"main.bas\"\nx\n",
       {"main.bas:1:1: error: cannot find include file 'nowhere.bas'"}},
      {"a directory",
       {{"main.bas", "#include \"dir\"\n"}, {"dir", "<dir>"}},
       {},
       {},
       "",
       {"main.bas:1:1: error: cannot read 'dir': is a directory"}},
      {"a cycle",
       {{"main.bas", "#include \"a.bas\"\n"}, {"a.bas", "#include \"b.bas\"\n"}, {"b.bas", "#include \"a.bas\"\n"}},
       {},
       {},
       "",
       {"b.bas:1:1: error: #include cycle: a.bas -> b.bas -> a.bas"}},
      {"including itself",
       {{"main.bas", "x\n#include \"main.bas\"\n"}},
       {},
       {},
       "# 1 \"main.bas\"\nx\n",
       {"main.bas:2:1: error: #include cycle: main.bas -> main.bas"}},
      {"bad forms",
       {{"main.bas", "#include x.bas\n#include \"a\"b\"\n#include\n"}},
       {},
       {},
       "",
       {"main.bas:1:1: error: #include expects \"FILE\"", "main.bas:2:1: error: #include expects \"FILE\"",
        "main.bas:3:1: error: #include expects \"FILE\""}},
      {"a conditional must end in its own file",
       {{"main.bas", "#if 1\n#include \"a.bas\"\n#endif\n"}, {"a.bas", "#endif\n#if 1\n"}},
       {},
       {},
       "",
       {"a.bas:1:1: error: #endif without #if", "a.bas:2:0: error: #if without #endif"}},
      {"errors in an included file name it",
       {{"main.bas", "#include \"sub/a.bas\"\n"}, {"sub/a.bas", "\n#error stop here\n"}},
       {},
       {},
       "# 1 \"sub/a.bas\"\n\n",
       {"sub/a.bas:2:1: error: stop here"}},
  };
  for (const Case &c : cases) check(c);
}

TEST(Preprocess, IncludeDepthIsLimited) {
  Files files{{"main.bas", "#include \"f0.bas\"\n"}};
  for (int i = 0; i < 40; i++)
    files["f" + std::to_string(i) + ".bas"] = "#include \"f" + std::to_string(i + 1) + ".bas\"\n";
  files["f40.bas"] = "end\n";
  PreprocessOptions options;
  options.read_file = reader_for(files);
  PreprocessResult r = preprocess("main.bas", files["main.bas"], options);
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(render(r.diagnostics[0]), "f31.bas:1:1: error: #include nested more than 32 deep");
  EXPECT_EQ(r.text(), "");
}

TEST(Preprocess, OutputSizeIsLimited) {
  // Each file includes the next twice: 2^20 copies of the last one.
  Files files{{"main.bas", "#include \"f0.bas\"\n#include \"f0.bas\"\n"}};
  for (int i = 0; i < 20; i++)
    files["f" + std::to_string(i) + ".bas"] =
        "#include \"f" + std::to_string(i + 1) + ".bas\"\n#include \"f" + std::to_string(i + 1) + ".bas\"\n";
  files["f20.bas"] = "x\n";
  PreprocessOptions options;
  options.read_file = reader_for(files);
  options.output_lines_max = 1000;
  PreprocessResult r = preprocess("main.bas", files["main.bas"], options);
  EXPECT_EQ(r.lines.size(), 1000u);
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].message, "preprocessed source longer than 1000 lines");
}

TEST(Preprocess, ErrorAndUnknownDirectives) {
  check({"#error",
         {{"main.bas", "#error Board   not supported \n#error\n"}},
         {},
         {},
         "",
         {"main.bas:1:1: error: Board   not supported", "main.bas:2:1: error: #error"}});
  check({"unknown directives pass to the compiler",
         {{"main.bas", "#pragma x\n#!shell\n  #what\n"}},
         {},
         {},
         "# 1 \"main.bas\"\n#pragma x\n#!shell\n  #what\n",
         {"main.bas:1:1: warning: unknown directive #pragma, passed to the compiler, which ignores it"}});
}

TEST(Preprocess, CompilerLineMarkersKeepTheirMeaning) {
  check({"a marker renumbers the lines after it",
         {{"main.bas", "a\n# 10 \"other.bas\"\nb\n#error here\nc\n"}},
         {},
         {},
         "# 1 \"main.bas\"\na\n# 10 \"other.bas\"\nb\n# 12 \"other.bas\"\nc\n",
         {"other.bas:11:1: error: here"}});
  check({"a marker without a name keeps the file",
         {{"main.bas", "a\n# 5\nb\n"}},
         {},
         {},
         "# 1 \"main.bas\"\na\n# 5\nb\n",
         {}});
}

TEST(Preprocess, FileNamesMustFitInAMarker) {
  std::string long_name(MARKER_FILE_NAME_MAX + 1, 'n');
  check({"too long",
         {{"main.bas", "#include \"" + long_name + "\"\n"}, {long_name, "x\n"}},
         {},
         {},
         "",
         {"main.bas:1:1: error: file name '" + long_name + "' is longer than " + std::to_string(MARKER_FILE_NAME_MAX) +
          " characters"}});
  PreprocessResult r = preprocess("a\"b.bas", "x\n", {});
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].message, "file name 'a\"b.bas' contains a double quote, a line end or a NUL");
  EXPECT_TRUE(r.lines.empty());
}

TEST(Preprocess, ColumnsMapBackToTheWrittenLine) {
  PreprocessResult r = preprocess("main.bas", "#define LONGNAME 1\nx = LONGNAME + yy\n", {});
  ASSERT_EQ(r.lines.size(), 2u);
  const OutputLine &l = r.lines[1];
  EXPECT_EQ(l.text, "x = 1 + yy");
  EXPECT_EQ(l.source(), "x = LONGNAME + yy");
  EXPECT_EQ(l.written_column(1), 1u);    // x
  EXPECT_EQ(l.written_column(5), 5u);    // the replacement: its name's column
  EXPECT_EQ(l.written_column(9), 16u);   // yy
  EXPECT_EQ(l.written_column(11), 18u);  // the end of the line
  EXPECT_EQ(r.lines[0].file, -1);
  EXPECT_EQ(l.file, 0);
  EXPECT_EQ(l.line, 2u);
}

TEST(Preprocess, SelfMultiplyingMacrosStop) {
  std::string source;
  for (int i = 0; i < 30; i++)
    source += "#define M" + std::to_string(i) + " M" + std::to_string(i + 1) + " M" + std::to_string(i + 1) + "\n";
  source += "x = M0\n";
  PreprocessResult r = preprocess("main.bas", source, {});
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].message, "line longer than 65536 characters after macro replacement");
}

}  // namespace
}  // namespace ombrik
