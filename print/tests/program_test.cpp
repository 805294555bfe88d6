// Runs the WendtermPrint program itself in cases where it must end at once.
#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace wendterm {
namespace {

struct EndCase {
  const char* name;
  QStringList args;  // "@DIR" stands for a fresh empty directory
};

class ProgramEndsAtOnce : public ::testing::TestWithParam<EndCase> {};

TEST_P(ProgramEndsAtOnce, WithStatusZeroAndNoOutput) {
  QTemporaryDir dir;
  QStringList args = GetParam().args;
  args.replaceInStrings(QStringLiteral("@DIR"), dir.path());
  bool ok = false;
  const QByteArray output = test::runProgram(WENDTERM_PRINT_PROGRAM, args, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(output, QByteArray());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramEndsAtOnce,
    ::testing::Values(EndCase{"NoArgument", {}}, EndCase{"MissingFile", {"@DIR/missing.txt"}},
                      EndCase{"MissingFileMoreArguments", {"@DIR/missing.txt", "@DIR", "x"}},
                      EndCase{"Directory", {"@DIR"}},
                      EndCase{"EmptyArgument", {""}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wendterm
