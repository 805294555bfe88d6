// The three diagnostic forms: text exactly as editors parse it, JSON lines
// read back with a JSON parser, and the SARIF log's fields one by one.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/diagnostic_formats.h"

namespace ombrik::cli {
namespace {

using nlohmann::json;

TEST(DiagnosticText, EachKnownPartAppears) {
  struct Case {
    Diagnostic d;
    const char *text;
  };
  const Case cases[] = {
      {{"prog.bas", 3, 7, Severity::Error, "Expected End Of Line", "x = 1 2"},
       "prog.bas:3:7: error: Expected End Of Line\nx = 1 2\n      ^\n"},
      {{"prog.bas", 3, 0, Severity::Error, "Line Too Long", "x = 1"}, "prog.bas:3: error: Line Too Long\n"},
      {{"prog.bas", 0, 0, Severity::Error, "Undefined Label FOO", ""}, "prog.bas: error: Undefined Label FOO\n"},
      {{"", 0, 0, Severity::Error, "-D '1X' is not a name", ""}, "ombrik: error: -D '1X' is not a name\n"},
      {{"a.bas", 2, 1, Severity::Warning, "'N' redefined", "#define N 2"},
       "a.bas:2:1: warning: 'N' redefined\n#define N 2\n^\n"},
      // Tabs stay, so the caret is under the same place in any tab width.
      {{"t.bas", 1, 4, Severity::Error, "m", "\t\tx y"}, "t.bas:1:4: error: m\n\t\tx y\n\t\t ^\n"},
      // Control characters would upset a terminal.
      {{"n.bas", 1, 3, Severity::Error, "m", std::string("a\0b", 3)}, "n.bas:1:3: error: m\na?b\n  ^\n"},
      // A caret after the end of the line points at where more was expected.
      {{"e.bas", 1, 4, Severity::Error, "m", "abc"}, "e.bas:1:4: error: m\nabc\n   ^\n"},
  };
  for (const Case &c : cases) EXPECT_EQ(format_text(c.d), c.text);
}

TEST(DiagnosticJson, OneObjectPerLineWithTheFiveKeys) {
  json j = json::parse(format_json_line({"dir/prog.bas", 12, 5, Severity::Error, "Expected a variable", "x"}));
  EXPECT_EQ(j, json({{"file", "dir/prog.bas"},
                     {"line", 12},
                     {"column", 5},
                     {"severity", "error"},
                     {"message", "Expected a variable"}}));
  std::string line = format_json_line({"", 0, 0, Severity::Warning, "say \"hi\"\n\tthere", ""});
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  j = json::parse(line);
  EXPECT_TRUE(j["file"].is_null());
  EXPECT_TRUE(j["line"].is_null());
  EXPECT_TRUE(j["column"].is_null());
  EXPECT_EQ(j["severity"], "warning");
  EXPECT_EQ(j["message"], "say \"hi\"\n\tthere");
}

TEST(DiagnosticJson, BytesThatAreNotUtf8StillGiveValidJson) {
  json j = json::parse(format_json_line({"\xff.bas", 1, 1, Severity::Error, "bad \xc3", ""}));
  EXPECT_EQ(j["file"], "\xEF\xBF\xBD.bas");
  EXPECT_EQ(j["message"], "bad \xEF\xBF\xBD");
}

TEST(DiagnosticSarif, TheLogsFields) {
  std::vector<Diagnostic> ds = {
      {"src/prog.bas", 4, 11, Severity::Error, "Expected End Of Line", "x = \xC3\xA9t\xC3\xA9 2"},
      {"inc/a b.bas", 2, 0, Severity::Warning, "'N' redefined", "#define N 2"},
      {"/abs/p.bas", 0, 0, Severity::Error, "Undefined Label L", ""},
      {"", 0, 0, Severity::Error, "no file", ""},
  };
  json log = json::parse(format_sarif(ds, {"ombrik", "9.9"}, 3));
  EXPECT_EQ(log["version"], "2.1.0");
  EXPECT_EQ(log["$schema"], "https://json.schemastore.org/sarif-2.1.0.json");
  ASSERT_EQ(log["runs"].size(), 1u);
  const json &run = log["runs"][0];
  EXPECT_EQ(run["tool"]["driver"]["name"], "ombrik");
  EXPECT_EQ(run["tool"]["driver"]["version"], "9.9");
  EXPECT_EQ(run["columnKind"], "unicodeCodePoints");
  EXPECT_EQ(run["invocations"][0]["exitCode"], 3);
  EXPECT_EQ(run["invocations"][0]["executionSuccessful"], true);
  const json &r = run["results"];
  ASSERT_EQ(r.size(), 4u);

  EXPECT_EQ(r[0]["level"], "error");
  EXPECT_EQ(r[0]["message"]["text"], "Expected End Of Line");
  const json &p0 = r[0]["locations"][0]["physicalLocation"];
  EXPECT_EQ(p0["artifactLocation"]["uri"], "src/prog.bas");
  EXPECT_EQ(p0["region"]["startLine"], 4);
  // Byte 11 is the ninth character: each of the two accented letters is
  // two bytes.
  EXPECT_EQ(p0["region"]["startColumn"], 9);
  EXPECT_EQ(p0["region"]["snippet"]["text"], "x = \xC3\xA9t\xC3\xA9 2");

  EXPECT_EQ(r[1]["level"], "warning");
  const json &p1 = r[1]["locations"][0]["physicalLocation"];
  EXPECT_EQ(p1["artifactLocation"]["uri"], "inc/a%20b.bas");
  EXPECT_EQ(p1["region"]["startLine"], 2);
  EXPECT_FALSE(p1["region"].contains("startColumn"));

  const json &p2 = r[2]["locations"][0]["physicalLocation"];
  EXPECT_EQ(p2["artifactLocation"]["uri"], "file:///abs/p.bas");
  EXPECT_FALSE(p2.contains("region"));

  EXPECT_FALSE(r[3].contains("locations"));
  EXPECT_EQ(r[3]["message"]["text"], "no file");
}

TEST(DiagnosticSarif, NoDiagnosticsIsAnEmptyResultList) {
  json log = json::parse(format_sarif({}, {"ombrik", "1"}, 0));
  EXPECT_TRUE(log["runs"][0]["results"].is_array());
  EXPECT_TRUE(log["runs"][0]["results"].empty());
}

TEST(ArtifactUri, ReservedCharactersAreEncoded) {
  EXPECT_EQ(artifact_uri("a/b-c_d.e~f.bas"), "a/b-c_d.e~f.bas");
  EXPECT_EQ(artifact_uri("x#y?z%.bas"), "x%23y%3Fz%25.bas");
  EXPECT_EQ(artifact_uri("/t/\xC3\xA9.bas"), "file:///t/%C3%A9.bas");
}

}  // namespace
}  // namespace ombrik::cli
