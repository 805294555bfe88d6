// The program tree, the reducer and the generator's guarantees.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "generator.h"
#include "program.h"
#include "reducer.h"

namespace difftest {
namespace {

Node assign(const std::string &target, Node value) { return statement({target + " = ", "\n"}, {std::move(value)}); }
Node number_leaf(const std::string &text) { return leaf(text, 'i', 'i', "1"); }

Node sample() {
  // a = 5 + b
  // FOR k = 1 TO 2 / c = 7 / NEXT
  // PRINT a
  Node sum;
  sum.text = {"", " + ", ""};
  sum.kids = {number_leaf("5"), number_leaf("b")};
  sum.simplest = "1";
  Node loop = statement({"FOR k = 1 TO 2\n", "NEXT\n"}, {block({assign("c", number_leaf("7"))})});
  return block({assign("a", std::move(sum)), std::move(loop), statement({"PRINT a\n"})});
}

TEST(ProgramTree, RendersRemovesAndHoists) {
  Node p = sample();
  EXPECT_EQ(render(p), "a = 5 + b\nFOR k = 1 TO 2\nc = 7\nNEXT\nPRINT a\n");
  const std::vector<Path> statements = paths_of(p, Kind::Statement);
  // a = ..., FOR, its body block, c = 7, PRINT
  ASSERT_EQ(statements.size(), 5u);

  Node removed = p;
  remove_at(removed, statements[0]);
  EXPECT_EQ(render(removed), "FOR k = 1 TO 2\nc = 7\nNEXT\nPRINT a\n");

  Node hoisted = p;
  hoist_at(hoisted, statements[1]);
  EXPECT_EQ(render(hoisted), "a = 5 + b\nc = 7\nPRINT a\n");
}

TEST(ProgramTree, FirstDecidedTypeIsTheFirstTypedOperand) {
  Node e;
  e.text = {"LEN(s$) + ", " * ", ""};
  e.kids = {leaf("x", 'f', 'f', "1.0"), leaf("n", 'i', 'i', "1")};
  EXPECT_EQ(first_decided_type(e), 'f');
  Node call;
  call.text = {"f(", ")"};
  call.decides = 'i';
  call.kids = {leaf("x", 'f', 'f', "1.0")};
  EXPECT_EQ(first_decided_type(call), 'i');  // the function's result type comes first
  EXPECT_EQ(first_decided_type(leaf("LEN(s$)", 'i', 0, "1")), 0);
}

TEST(Reducer, KeepsOnlyWhatThePropertyNeeds) {
  // The "fault" is any program that assigns b somewhere.
  auto needs_b = [](const Node &n) { return render(n).find("= 5 + b") != std::string::npos ||
                                            render(n).find("= b") != std::string::npos; };
  ReduceStats stats;
  const Node smallest = reduce(sample(), needs_b, 1000, stats);
  EXPECT_EQ(render(smallest), "a = b\n");
  EXPECT_GT(stats.accepted, 0);
  EXPECT_LE(stats.tests, 1000);
}

TEST(Reducer, StopsAtItsBudget) {
  ReduceStats stats;
  const Node same = reduce(sample(), [](const Node &) { return false; }, 3, stats);
  EXPECT_EQ(stats.tests, 3);
  EXPECT_EQ(render(same), render(sample()));
}

TEST(Generator, TheSameSeedGivesTheSameProgram) {
  EXPECT_EQ(render(generate_program(77)), render(generate_program(77)));
  EXPECT_NE(render(generate_program(77)), render(generate_program(78)));
}

// Every divisor is a guard or a whole non-zero literal, every index a guard,
// a constant inside the array or the counter that fills it, and every line
// fits the compiler.
TEST(Generator, KeepsItsGuarantees) {
  const std::regex division(R"(( / | MOD | /= )(?!\(\(|2\b|3\b|7\b|\(-4\)|10\b|1000\b|4\.0\b))");
  const std::regex index(R"(\b(q0|q1|r0)\((?!\(\(|[0-8]\)|k0\)))");
  for (uint64_t seed = 1; seed <= 300; seed++) {
    const std::string text = render(generate_program(seed));
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
      number++;
      SCOPED_TRACE("seed " + std::to_string(seed) + " line " + std::to_string(number) + ": " + line);
      EXPECT_LE(line.size(), 200u);
      EXPECT_FALSE(std::regex_search(line, division));
      if (line.rfind("DIM ", 0) != 0) {
        EXPECT_FALSE(std::regex_search(line, index));
      }
    }
  }
}

}  // namespace
}  // namespace difftest
