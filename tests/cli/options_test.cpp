// The option parser on the forms a user types, and its usage errors.
#include <gtest/gtest.h>

#include "cli/options.h"

namespace ombrik::cli {
namespace {

const std::vector<OptionDef> defs = {
    {"table", 't', "TABLE", "a table"},
    {"define", 'D', "NAME", "a name", true},
    {"verbose", 'v', "", "a flag"},
    {"format", 0, "FORMAT", "no short form"},
};

struct Case {
  std::vector<std::string> args;
  std::vector<std::string> operands;
  std::map<std::string, std::vector<std::string>> values;
  const char *error;  // "" when it parses
};

TEST(Options, FormsAndErrors) {
  const Case cases[] = {
      {{"a.bas"}, {"a.bas"}, {}, ""},
      {{"-t", "x.table", "a.bas"}, {"a.bas"}, {{"table", {"x.table"}}}, ""},
      {{"a.bas", "-tx.table"}, {"a.bas"}, {{"table", {"x.table"}}}, ""},
      {{"--table=x.table", "a.bas"}, {"a.bas"}, {{"table", {"x.table"}}}, ""},
      {{"--table", "x.table", "a.bas"}, {"a.bas"}, {{"table", {"x.table"}}}, ""},
      {{"-DA", "a.bas", "-D", "B=2", "--define=C"}, {"a.bas"}, {{"define", {"A", "B=2", "C"}}}, ""},
      {{"-v", "a.bas", "b.bas"}, {"a.bas", "b.bas"}, {{"verbose", {""}}}, ""},
      {{"--format=sarif", "--", "-odd.bas"}, {"-odd.bas"}, {{"format", {"sarif"}}}, ""},
      {{"-x", "a.bas"}, {}, {}, "unknown option '-x'"},
      {{"--nope=1", "a.bas"}, {}, {}, "unknown option '--nope'"},
      {{"a.bas", "-t"}, {}, {}, "option '-t' needs an argument"},
      {{"a.bas", "--format"}, {}, {}, "option '--format' needs an argument"},
      {{"--verbose=1"}, {}, {}, "option '--verbose' takes no argument"},
      {{"-t", "a", "-t", "b"}, {}, {}, "option '-t' given more than once"},
      {{"--format=a", "--format=b"}, {}, {}, "option '--format' given more than once"},
  };
  for (const Case &c : cases) {
    std::string all;
    for (const std::string &a : c.args) all += a + " ";
    SCOPED_TRACE(all);
    ParsedOptions parsed;
    std::string error;
    bool ok = parse_options(defs, c.args, parsed, error);
    EXPECT_EQ(ok, *c.error == 0);
    EXPECT_EQ(error, c.error);
    if (!ok) continue;
    EXPECT_EQ(parsed.operands, c.operands);
    EXPECT_EQ(parsed.values, c.values);
  }
}

TEST(Options, ValueAndAll) {
  ParsedOptions parsed;
  std::string error;
  ASSERT_TRUE(parse_options(defs, {"-DA", "-DB", "f"}, parsed, error));
  EXPECT_EQ(parsed.value("table", "none"), "none");
  EXPECT_EQ(parsed.all("define"), (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(parsed.all("table").empty());
  EXPECT_FALSE(parsed.has("verbose"));
}

TEST(Options, HelpLinesAreAligned) {
  EXPECT_EQ(options_help(defs),
            "  -t, --table=TABLE    a table\n"
            "  -D, --define=NAME    a name\n"
            "  -v, --verbose        a flag\n"
            "      --format=FORMAT  no short form\n");
  EXPECT_EQ(options_help({{"long", 'l', "X", "first\nsecond"}}), "  -l, --long=X  first\n                second\n");
}

}  // namespace
}  // namespace ombrik::cli
