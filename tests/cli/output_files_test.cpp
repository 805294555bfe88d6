// Output files are replaced whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/output_files.h"

namespace ombrik::cli {
namespace {

namespace fs = std::filesystem;

class OutputFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("ombrik_output_test_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string &name) { return (dir_ / name).string(); }
  static std::string read(const std::string &p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void put(const std::string &p, const std::string &text) { std::ofstream(p, std::ios::binary) << text; }
  // Every name in the directory: no temporary file may stay behind.
  std::vector<std::string> names() {
    std::vector<std::string> n;
    for (const auto &e : fs::directory_iterator(dir_)) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
  }

  fs::path dir_;
};

TEST_F(OutputFiles, ReplacesOldFilesWhole) {
  put(path("a.hex"), "old hex");
  std::string error;
  ASSERT_TRUE(write_outputs({{path("a.hex"), "new hex"}, {path("a.map"), "new map"}}, error)) << error;
  EXPECT_EQ(read(path("a.hex")), "new hex");
  EXPECT_EQ(read(path("a.map")), "new map");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.hex", "a.map"}));
}

TEST_F(OutputFiles, AFailureReplacesNothing) {
  put(path("a.hex"), "old hex");
  fs::create_directory(path("a.map"));
  put(path("plain"), "x");
  struct Case {
    std::string second;
    std::string error;
  };
  const Case cases[] = {
      {path("a.map"), "cannot write '" + path("a.map") + "': is a directory"},
      {path("missing/a.map"), "cannot write '" + path("missing/a.map") + "': No such file or directory"},
      {path("plain/a.map"), "cannot write '" + path("plain/a.map") + "': Not a directory"},
  };
  for (const Case &c : cases) {
    std::string error;
    EXPECT_FALSE(write_outputs({{path("a.hex"), "new hex"}, {c.second, "new map"}}, error));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(read(path("a.hex")), "old hex");
    EXPECT_EQ(names(), (std::vector<std::string>{"a.hex", "a.map", "plain"}));
  }
}

}  // namespace
}  // namespace ombrik::cli
