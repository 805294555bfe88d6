// The subcommands run as a user runs them: real files in a scratch folder,
// the ombrik program, its exit status, its output streams and the files it
// writes. Images are compared with what the standard-input protocol writes
// for the same program and table with QUITDUMP.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "process.h"

namespace ombrik::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string source_dir = OMBRIK_SOURCE_DIR;

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    work_ = fs::temp_directory_path() / ("ombrik_cli_" + std::string(info->name()) + "_" + std::to_string(getpid()));
    fs::remove_all(work_);
    fs::create_directories(work_);
    for (const char *f :
         {"examples/blink.bas", "examples/pins.inc", "boards/sim-cortex.table", "boards/sim-arm7.table"})
      fs::copy_file(source_dir + "/" + f, work_ / fs::path(f).filename());
  }
  void TearDown() override { fs::remove_all(work_); }

  std::string at(const std::string &name) const { return (work_ / name).string(); }
  void put(const std::string &name, const std::string &text) const { write_file(at(name), text); }
  std::string get(const std::string &name) const { return read_file(at(name)); }
  bool exists(const std::string &name) const { return fs::exists(work_ / name); }
  std::set<std::string> names() const {
    std::set<std::string> n;
    for (const auto &e : fs::directory_iterator(work_)) n.insert(e.path().filename().string());
    return n;
  }

  Outcome ombrik(std::vector<std::string> args, const std::string &input = "") const {
    args.insert(args.begin(), OMBRIK_BINARY);
    return run_program(args, input, work_.string());
  }

  // The protocol's session for a program: the table download, the program
  // and a command.
  Outcome protocol(const std::string &table_file, const std::string &program, const std::string &command) const {
    std::string session;
    if (!table_file.empty()) session = "?\n" + get(table_file);
    return ombrik({}, session + program + command + "\n");
  }

  fs::path work_;
};

// The protocol's standard output after its banner, split into the Intel HEX
// records and everything else.
struct ProtocolOutput {
  std::string hex;
  std::string rest;
};

ProtocolOutput split_protocol_output(const std::string &out) {
  ProtocolOutput p;
  size_t pos = 0;
  int banner_lines = 4;
  while (pos < out.size()) {
    size_t end = out.find('\n', pos);
    end = end == std::string::npos ? out.size() : end + 1;
    std::string line = out.substr(pos, end - pos);
    pos = end;
    if (banner_lines > 0) {
      banner_lines--;
      continue;
    }
    (line[0] == ':' ? p.hex : p.rest) += line;
  }
  return p;
}

// The part of RUN's output that the program printed.
std::string program_output(const std::string &out) {
  const std::string start = "Executing on the PC...\n", end = "\r\n... Finished on the PC in ";
  size_t a = out.find(start), b = out.rfind(end);
  if (a == std::string::npos || b == std::string::npos) return "(no run in: " + out + ")";
  return out.substr(a + start.size(), b - a - start.size());
}

const char program[] =
    "' a program with a routine, a string and a loop\n"
    "DIM i\n"
    "GOTO main\n"
    "SUB shout\n"
    "  PRINT \"hey\"\n"
    "ENDSUB\n"
    "main:\n"
    "FOR i = 1 TO 3\n"
    "  shout\n"
    "  PRINT \"round \"; i\n"
    "NEXT i\n"
    "END\n";

TEST_F(Cli, BuildWritesTheImageQuitdumpWrites) {
  for (std::string table : {"sim-cortex.table", "sim-arm7.table", ""}) {
    SCOPED_TRACE("table " + table);
    put("prog.bas", program);
    std::vector<std::string> args = {"build", "prog.bas"};
    if (!table.empty()) args.insert(args.end(), {"-t", table});
    Outcome built = ombrik(args);
    EXPECT_EQ(built.status, 0);
    EXPECT_EQ(built.err, "");
    Outcome reference = protocol(table, "# 1 \"prog.bas\"\n" + std::string(program), "QUITDUMP");
    ASSERT_EQ(reference.status, 0);
    ProtocolOutput expected = split_protocol_output(reference.out);
    ASSERT_NE(expected.hex, "");
    EXPECT_EQ(get("prog.hex"), expected.hex);
    EXPECT_EQ(get("prog.map"), expected.rest);
    // Every record reads back with srec_cat, block by block.
    Outcome srec = run_program({"/bin/bash", source_dir + "/tests/e2e/check_hex.sh", SREC_CAT, at("prog.hex")}, "",
                               work_.string());
    EXPECT_EQ(srec.status, 0) << srec.out << srec.err;
    fs::remove(at("prog.hex"));
    fs::remove(at("prog.map"));
  }
}

TEST_F(Cli, BuildPrintsTheSizeSummary) {
  put("prog.bas", program);
  Outcome built = ombrik({"build", "prog.bas", "-t", "sim-cortex.table"});
  EXPECT_EQ(built.out, "... ( 0.10K code + 0.01K const)/224K   0.01/64K data programmed\n");
}

TEST_F(Cli, BuildOfTheExampleFollowsItsIncludeAndDefines) {
  Outcome built = ombrik({"build", "blink.bas", "-t", "sim-cortex.table", "-D", "BLINKS=3", "-o", "out/blink.hex"});
  // The output folder does not exist yet.
  EXPECT_EQ(built.status, 9);
  EXPECT_EQ(built.err, "ombrik: error: cannot write 'out/blink.hex': No such file or directory\n");
  fs::create_directory(work_ / "out");
  built = ombrik({"build", "blink.bas", "-t", "sim-cortex.table", "-D", "BLINKS=3", "-o", "out/blink.hex"});
  EXPECT_EQ(built.status, 0) << built.err;
  EXPECT_EQ(built.err, "");
  // What the preprocessor makes of it, written out by hand.
  Outcome reference = protocol("sim-cortex.table",
                               "# 8 \"blink.bas\"\nDIM i\nOUTPUT(5)\nFOR i = 1 TO 3\n  HIGH(5)\n  WAIT(100)\n  LOW(5)\n"
                               "  WAIT(100)\n  PRINT \"blink \"; i\nNEXT i\nEND\n",
                               "QUITDUMP");
  ProtocolOutput expected = split_protocol_output(reference.out);
  EXPECT_EQ(get("out/blink.hex"), expected.hex);
  EXPECT_EQ(get("out/blink.map"), expected.rest);
  EXPECT_FALSE(exists("blink.hex"));
}

TEST_F(Cli, RunPrintsTheProgramsOutputAndNothingElse) {
  Outcome ran = ombrik({"run", "blink.bas", "-D", "BLINKS=2"});
  EXPECT_EQ(ran.status, 0);
  EXPECT_EQ(ran.err, "");
  Outcome reference = protocol("",
                               "DIM i\nOUTPUT(5)\nFOR i = 1 TO 2\nHIGH(5)\nWAIT(100)\nLOW(5)\nWAIT(100)\n"
                               "PRINT \"blink \"; i\nNEXT i\nEND\n",
                               "RUN");
  EXPECT_EQ(ran.out, program_output(reference.out));
  EXPECT_TRUE(ran.out.ends_with("blink 2\n")) << ran.out;
  EXPECT_EQ(names(), (std::set<std::string>{"blink.bas", "pins.inc", "sim-cortex.table", "sim-arm7.table"}));
}

TEST_F(Cli, RunReadsTheProgramsInputFromStandardInput) {
  put("ask.bas", "DIM n\nDEBUGIN n\nPRINT n * 2\nEND\n");
  Outcome ran = ombrik({"run", "ask.bas"}, "21\n");
  EXPECT_EQ(ran.status, 0) << ran.err;
  Outcome reference = protocol("", "DIM n\nDEBUGIN n\nPRINT n * 2\nEND\nRUN\n21\n", "QUIT");
  EXPECT_EQ(ran.out, "42\n");
  EXPECT_EQ(ran.out, program_output(reference.out));
}

TEST_F(Cli, CheckWritesNothing) {
  put("prog.bas", program);
  std::set<std::string> before = names();
  Outcome checked = ombrik({"check", "prog.bas", "-t", "sim-arm7.table"});
  EXPECT_EQ(checked.status, 0);
  EXPECT_EQ(checked.out, "");
  EXPECT_EQ(checked.err, "");
  EXPECT_EQ(names(), before);
}

const char usage_hint[] = "Run 'ombrik --help' for the subcommands and their options.\n";

// A table whose word 41 puts the end of flash 0x100 bytes after the code's
// start: 128 Thumb halfwords of code space.
std::string tiny_table(const std::string &table) {
  std::string t = table;
  size_t pos = 0;
  for (int line = 0; line < 41; line++) pos = t.find('\n', pos) + 1;
  return t.replace(pos, 4, "0810");
}

std::string repeated(const std::string &line, int times) {
  std::string s;
  for (int i = 0; i < times; i++) s += line;
  return s;
}

struct StatusCase {
  const char *title;
  std::map<std::string, std::string> files;
  std::vector<std::string> args;
  int status;
  std::string err;
};

TEST_F(Cli, EveryExitStatusWithItsMessage) {
  const std::string cortex = read_file(source_dir + "/boards/sim-cortex.table");
  const std::string fine = "DIM x\nx = 1\nEND\n";
  const StatusCase cases[] = {
      {"success", {{"p.bas", fine}}, {"check", "p.bas"}, 0, ""},
      {"compile errors",
       {{"p.bas", "DIM x\nx = 1 2\nEND\n"}},
       {"check", "p.bas"},
       1,
       "p.bas:2:7: error: Expected End Of Line\nx = 1 2\n      ^\n"},
      {"preprocessor errors",
       {{"p.bas", "#include \"none.inc\"\n#error stop\n"}},
       {"build", "p.bas"},
       1,
       "p.bas:1:1: error: cannot find include file 'none.inc'\n#include \"none.inc\"\n^\n"
       "p.bas:2:1: error: stop\n#error stop\n^\n"},
      {"include cycle", {{"p.bas", "#include \"a.inc\"\n"}, {"a.inc", "' loops\n#include \"./p.bas\"\n"}},
       {"check", "p.bas"}, 1, "a.inc:2:1: error: #include cycle: p.bas -> a.inc -> ./p.bas\n#include \"./p.bas\"\n^\n"},
      {"include directories",
       {{"p.bas", "#include \"defs.inc\"\nDIM x\nx = N\nEND\n"}, {"inc/defs.inc", "#define N 1\n"}},
       {"check", "p.bas", "-I", "none", "-I", "inc"}, 0, ""},
      {"no file", {}, {"build"}, 2, "ombrik: error: build takes FILE.bas: ombrik build FILE.bas [options]\n"},
      {"two files",
       {{"p.bas", fine}},
       {"run", "p.bas", "p.bas"},
       2,
       "ombrik: error: run takes FILE.bas: ombrik run FILE.bas [options]\n"},
      {"an operand to lsp", {}, {"lsp", "p.bas"}, 2, "ombrik: error: lsp takes no operands: ombrik lsp [options]\n"},
      {"an option lsp does not take", {}, {"lsp", "-t", "x.table"}, 2, "ombrik: error: unknown option '-t'\n"},
      {"unknown option",
       {{"p.bas", fine}},
       {"check", "p.bas", "--fast"},
       2,
       "ombrik: error: unknown option '--fast'\n"},
      {"missing source", {}, {"build", "nowhere.bas"}, 2, "ombrik: error: cannot open 'nowhere.bas': no such file\n"},
      {"a directory as source",
       {{"dir/x", ""}},
       {"build", "dir"},
       2,
       "ombrik: error: cannot read 'dir': is a directory\n"},
      {"missing table",
       {{"p.bas", fine}},
       {"build", "p.bas", "-t", "none.table"},
       2,
       "ombrik: error: cannot open table 'none.table': no such file\n"},
      {"a directory as table",
       {{"p.bas", fine}, {"dir/x", ""}},
       {"build", "p.bas", "-t", "dir"},
       2,
       "ombrik: error: cannot read table 'dir': is a directory\n"},
      {"bad -D",
       {{"p.bas", fine}},
       {"build", "p.bas", "-D", "9LIVES"},
       2,
       "ombrik: error: -D '9LIVES' is not a name\n"},
      {"bad diagnostics format",
       {{"p.bas", fine}},
       {"check", "p.bas", "--diagnostics=xml"},
       2,
       "ombrik: error: unknown diagnostics format 'xml' (text, json or sarif)\n"},
      {"output over the source",
       {{"p.bas", fine}},
       {"build", "p.bas", "-o", "p.bas"},
       2,
       "ombrik: error: the output 'p.bas' would replace the source file\n"},
      {"help of no subcommand", {}, {"help", "fly"}, 2, "ombrik: error: no subcommand 'fly'\n"},
      {"undefined labels",
       {{"p.bas", "DIM x\nGOTO nowhere\nGOSUB later\nEND\n"}},
       {"build", "p.bas"},
       3,
       "p.bas: error: Undefined Label NOWHERE\np.bas: error: Undefined Label LATER\n"},
      {"undefined labels stop run too",
       {{"p.bas", "GOTO nowhere\nEND\n"}},
       {"run", "p.bas"},
       3,
       "p.bas: error: Undefined Label NOWHERE\n"},
      {"routine not jumped around",
       {{"p.bas", "SUB f\nENDSUB\nEND\n"}},
       {"build", "p.bas"},
       4,
       "p.bas: error: Function/Sub requires GOTO around or MAIN:\n"},
      {"code space",
       {{"p.bas", repeated("x = x + 1\n", 200)}, {"tiny.table", tiny_table(cortex)}},
       {"build", "p.bas", "-t", "tiny.table"},
       5,
       "p.bas:32:10: error: Out of code space\nx = x + 1\n         ^\n"},
      {"string space",
       {{"p.bas", repeated("PRINT \"" + std::string(200, 's') + "\"\n", 700)}},
       {"build", "p.bas", "-t", "sim-cortex.table"},
       6,
       "p.bas:653:7: error: Out of String space\nPRINT \"" + std::string(200, 's') + "\"\n      ^\n"},
      {"table count",
       {{"p.bas", fine}, {"t.table", "0835\n0003\n"}},
       {"build", "p.bas", "-t", "t.table"},
       7,
       "t.table:2: error: corrupt address entry\n"},
      {"table word",
       {{"p.bas", fine}, {"t.table", "?\n0835\n0004\n0040\nZZZZ\n"}},
       {"build", "p.bas", "-t", "t.table"},
       7,
       "t.table:5: error: illegal address entry --ZZZZ--\n"},
      {"table lines after its words",
       {{"p.bas", fine}, {"t.table", "0835\n0004\n0040\n1C00\n0300\n0000\n0000\n0001\n"}},
       {"build", "p.bas", "-t", "t.table"},
       7,
       "t.table:8: error: line after the table's last word: the count (line 2) gives 5 words, and an empty line ends "
       "the table\n"},
      {"lines after an empty line",
       {{"p.bas", fine}, {"t.table", "0835\n0004\n0040\n\n0300\n"}},
       {"build", "p.bas", "-t", "t.table"},
       7,
       "t.table:5: error: line after the table's last word: the count (line 2) gives 5 words, and an empty line ends "
       "the table\n"},
      {"old firmware",
       {{"p.bas", fine}, {"t.table", "0714\n0004\n0040\n1C00\n0300\n0000\n0000\n"}},
       {"build", "p.bas", "-t", "t.table"},
       8,
       "t.table:1: error: Firmware upgrade required, contact Velmora\n"},
      {"output not writable",
       {{"p.bas", fine}},
       {"build", "p.bas", "-o", "no/such/dir/p.hex"},
       9,
       "ombrik: error: cannot write 'no/such/dir/p.hex': No such file or directory\n"},
  };
  for (const StatusCase &c : cases) {
    SCOPED_TRACE(c.title);
    for (const auto &[name, text] : c.files) {
      fs::create_directories((work_ / name).parent_path());
      put(name, text);
    }
    std::set<std::string> before = names();
    Outcome o = ombrik(c.args);
    EXPECT_EQ(o.status, c.status);
    std::string err = c.err;
    if (c.status == 2) err += usage_hint;
    EXPECT_EQ(o.err, err);
    if (c.status != 0) {
      EXPECT_EQ(o.out, "");
      EXPECT_EQ(names(), before) << "a failing command writes nothing";
    }
    for (const auto &[name, text] : c.files) fs::remove_all(work_ / fs::path(name).begin()->string());
  }
}

TEST_F(Cli, AFailingBuildLeavesTheOldOutputAlone) {
  put("p.bas", "DIM x\nx = 1\nEND\n");
  ASSERT_EQ(ombrik({"build", "p.bas"}).status, 0);
  std::string hex = get("p.hex"), map = get("p.map");
  put("p.bas", "DIM x\nx = 1 +\nEND\n");
  EXPECT_EQ(ombrik({"build", "p.bas"}).status, 1);
  EXPECT_EQ(get("p.hex"), hex);
  EXPECT_EQ(get("p.map"), map);
  // An output that cannot be replaced leaves both files as they were.
  put("p.bas", "DIM x\nx = 2\nEND\n");
  fs::remove(at("p.map"));
  fs::create_directory(at("p.map"));
  Outcome o = ombrik({"build", "p.bas"});
  EXPECT_EQ(o.status, 9);
  EXPECT_EQ(o.err, "ombrik: error: cannot write 'p.map': is a directory\n");
  EXPECT_EQ(get("p.hex"), hex);
  EXPECT_EQ(names(), (std::set<std::string>{"blink.bas", "p.bas", "p.hex", "p.map", "pins.inc", "sim-arm7.table",
                                            "sim-cortex.table"}));
}

TEST_F(Cli, TheCompilersOwnMessagesForBadBytesAndLongLines) {
  // A NUL byte and a line beyond the 255 characters the compiler reads.
  put("p.bas", std::string("DIM x\nx = 1 \0\n", 14) + "x = " + std::string(300, '1') + "\nEND\n");
  Outcome o = ombrik({"check", "p.bas"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "p.bas:2:7: error: Expected a variable\nx = 1 ?\n      ^\n"
            "p.bas:3:256: error: Line Too Long\nx = " +
                std::string(300, '1') + "\n" + std::string(255, ' ') + "^\n");
  // The protocol says the same for the same lines.
  Outcome reference = protocol("", "# 1 \"p.bas\"\n" + get("p.bas"), "QUITDUMP");
  EXPECT_NE(reference.err.find("-ERROR  p.bas: 2: Expected a variable\n"), std::string::npos) << reference.err;
  EXPECT_NE(reference.err.find("-ERROR  p.bas: 3: Line Too Long\n"), std::string::npos) << reference.err;
}

TEST_F(Cli, SessionCommandsInAFileAreRefused) {
  put("p.bas", "DIM x\nRUN\nx = 1 : quitnow\n? 1\n:1000\nCLEAR\n");
  Outcome o = ombrik({"build", "p.bas"});
  EXPECT_EQ(o.status, 1);
  const std::string why =
      " is a command of the editor's session, not of a program; build, run and check give the "
      "commands themselves\n";
  EXPECT_EQ(o.err, "p.bas:2:1: error: 'RUN'" + why + "RUN\n^\n" + "p.bas:3:9: error: 'QUITNOW'" + why +
                       "x = 1 : quitnow\n        ^\n" + "p.bas:4:1: error: a line starting with '?'" + why +
                       "? 1\n^\n" + "p.bas:5:1: error: a line starting with ':'" + why + ":1000\n^\n" +
                       "p.bas:6:1: error: 'CLEAR'" + why + "CLEAR\n^\n");
  EXPECT_FALSE(exists("p.hex"));
}

// A program with errors in an included file and behind a macro.
const char faulty_main[] = "#include \"lib.inc\"\n#define TWO 1 2\nDIM x\nx = TWO\nx = 1 +\nEND\n";
const char faulty_lib[] = "DIM y\ny = \"abc\n";

TEST_F(Cli, TextDiagnosticsNameTheFileLineAndColumnAsWritten) {
  put("main.bas", faulty_main);
  put("lib.inc", faulty_lib);
  Outcome o = ombrik({"check", "main.bas"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err,
            "lib.inc:2:5: error: Missing end \"\ny = \"abc\n    ^\n"
            "main.bas:4:5: error: Expected End Of Line\nx = TWO\n    ^\n"
            "main.bas:5:8: error: Expected Operand\nx = 1 +\n       ^\n");
}

TEST_F(Cli, JsonDiagnosticsAreOneObjectPerLine) {
  put("main.bas", faulty_main);
  put("lib.inc", faulty_lib);
  Outcome o = ombrik({"check", "main.bas", "--diagnostics=json"});
  EXPECT_EQ(o.status, 1);
  std::vector<json> lines;
  size_t pos = 0;
  while (pos < o.err.size()) {
    size_t end = o.err.find('\n', pos);
    lines.push_back(json::parse(o.err.substr(pos, end - pos)));
    pos = end + 1;
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(
      lines[0],
      json({{"file", "lib.inc"}, {"line", 2}, {"column", 5}, {"severity", "error"}, {"message", "Missing end \""}}));
  EXPECT_EQ(lines[1], json({{"file", "main.bas"},
                            {"line", 4},
                            {"column", 5},
                            {"severity", "error"},
                            {"message", "Expected End Of Line"}}));
  EXPECT_EQ(
      lines[2],
      json({{"file", "main.bas"}, {"line", 5}, {"column", 8}, {"severity", "error"}, {"message", "Expected Operand"}}));
  // A message about no line has null line and column.
  put("p.bas", "#define A 1\n#define A 2\nGOTO nowhere\nEND\n");
  o = ombrik({"build", "p.bas", "--diagnostics=json"});
  EXPECT_EQ(o.status, 3);
  EXPECT_EQ(
      json::parse(o.err.substr(0, o.err.find('\n'))),
      json({{"file", "p.bas"}, {"line", 2}, {"column", 1}, {"severity", "warning"}, {"message", "'A' redefined"}}));
  EXPECT_EQ(json::parse(o.err.substr(o.err.find('\n') + 1)), json({{"file", "p.bas"},
                                                                   {"line", nullptr},
                                                                   {"column", nullptr},
                                                                   {"severity", "error"},
                                                                   {"message", "Undefined Label NOWHERE"}}));
}

TEST_F(Cli, SarifLogsFollowTheSchema) {
  put("main.bas", faulty_main);
  put("lib.inc", faulty_lib);
  put("t.table", "0835\n0004\n0040\nZZZZ\n");
  put("ok.bas", "END\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    size_t results;
  };
  const Case cases[] = {
      {{"check", "main.bas", "--diagnostics=sarif"}, 1, 3},
      {{"build", "ok.bas", "-t", "t.table", "--diagnostics=sarif"}, 7, 1},
      {{"check", "ok.bas", "--diagnostics=sarif"}, 0, 0},
  };
  int n = 0;
  for (const Case &c : cases) {
    Outcome o = ombrik(c.args);
    EXPECT_EQ(o.status, c.status);
    json log = json::parse(o.err);
    EXPECT_EQ(log["version"], "2.1.0");
    EXPECT_EQ(log["runs"][0]["tool"]["driver"]["name"], "ombrik");
    EXPECT_EQ(log["runs"][0]["invocations"][0]["exitCode"], c.status);
    EXPECT_EQ(log["runs"][0]["results"].size(), c.results);
    put("log" + std::to_string(n++) + ".sarif", o.err);
  }
  json first = json::parse(get("log0.sarif"))["runs"][0]["results"][1];
  EXPECT_EQ(first["message"]["text"], "Expected End Of Line");
  EXPECT_EQ(first["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], "main.bas");
  EXPECT_EQ(first["locations"][0]["physicalLocation"]["region"]["startLine"], 4);
  EXPECT_EQ(first["locations"][0]["physicalLocation"]["region"]["startColumn"], 5);
  json table = json::parse(get("log1.sarif"))["runs"][0]["results"][0];
  EXPECT_EQ(table["message"]["text"], "illegal address entry --ZZZZ--");
  EXPECT_EQ(table["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], "t.table");
  EXPECT_EQ(table["locations"][0]["physicalLocation"]["region"]["startLine"], 4);

  Outcome valid = run_program(
      {NODE, source_dir + "/tests/cli/sarif/validate.js", at("log0.sarif"), at("log1.sarif"), at("log2.sarif")}, "",
      work_.string());
  EXPECT_EQ(valid.status, 0) << valid.out << valid.err;
}

TEST_F(Cli, HelpAndVersion) {
  Outcome help = ombrik({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: ombrik SUBCOMMAND FILE.bas [options]\n", 0), 0u) << help.out;
  for (const char *line :
       {"  build  compile FILE.bas into FILE.hex and FILE.map\n", "  -t, --table=TABLE", "  3  undefined labels\n",
        "  9  an output file could not be written (the old one is left as it was)\n"})
    EXPECT_NE(help.out.find(line), std::string::npos) << line;
  EXPECT_EQ(ombrik({"-h"}).out, help.out);
  EXPECT_EQ(ombrik({"help"}).out, help.out);
  Outcome build = ombrik({"help", "build"});
  EXPECT_EQ(build.status, 0);
  EXPECT_EQ(build.out.rfind("Usage: ombrik build FILE.bas [options]\n", 0), 0u);
  EXPECT_NE(build.out.find("  -o, --output=OUT"), std::string::npos);
  EXPECT_EQ(ombrik({"build", "--help"}).out, build.out);
  EXPECT_EQ(ombrik({"run", "-h"}).out.find("--output"), std::string::npos);
  // The language server takes no compile options and has exit statuses of its own.
  Outcome lsp = ombrik({"lsp", "--help"});
  EXPECT_EQ(lsp.status, 0);
  EXPECT_EQ(lsp.out.rfind("Usage: ombrik lsp [options]\n", 0), 0u) << lsp.out;
  EXPECT_NE(lsp.out.find("Options:\n  -h, --help "), std::string::npos) << lsp.out;
  EXPECT_NE(lsp.out.find("Exit statuses:\n  0  the editor sent shutdown, then exit\n"), std::string::npos) << lsp.out;
  EXPECT_EQ(lsp.out.find("--table"), std::string::npos) << lsp.out;
  EXPECT_EQ(lsp.out.find("undefined labels"), std::string::npos) << lsp.out;
  EXPECT_EQ(ombrik({"help", "lsp"}).out, lsp.out);
  Outcome version = ombrik({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "ombrik 9.36k\n");
}

TEST_F(Cli, OtherArgumentsKeepTheProtocol) {
  for (std::string arg : {"prog.bas", "-demox", "--helpme"}) {
    Outcome o = ombrik({arg}, "QUIT\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "\n\n\"Ombrik[9.36k] on the PC  Copyright 2026 the Ombrik developers\n\"\n");
  }
}

}  // namespace
}  // namespace ombrik::test
