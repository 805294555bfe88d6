// The machine on hand-assembled programs: what it prints, how it counts,
// where it stops and the exact message of every fault.
#include "sim/machine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim/console.h"
#include "tiny_program.h"

namespace {

using sim::Stop;
using sim::StopKind;
using sim_test::TinyProgram;

constexpr uint16_t MOVS_R7(uint8_t v) { return static_cast<uint16_t>(0x2700 | v); }
constexpr uint16_t MOVS_R6(uint8_t v) { return static_cast<uint16_t>(0x2600 | v); }
constexpr uint16_t MOVS_R4_0 = 0x2400, STR_R7_R4 = 0x6027, LDR_R7_R7 = 0x683F, LSLS_R7_30 = 0x07BF;
constexpr uint16_t PUSH_R7 = 0xB480, B_BACK_ONE = 0xE7FD, B_SELF = 0xE7FE, WFI = 0xBF30;
constexpr uint16_t LDR_R7_PC = 0x4F00, B_OVER_WORD = 0xE001;

TEST(Machine, PrintsCountsAndEnds) {
  TinyProgram p;
  p.add({MOVS_R7('A')});
  p.call(56);  // PRINTCH
  p.end();
  ASSERT_TRUE(p.checked().errors.empty());
  sim::StringConsole console;
  sim::Stats stats;
  Stop s = sim::run_image(p.board, p.image, p.code, console, {}, &stats);
  EXPECT_EQ(s.kind, StopKind::End) << s.message;
  EXPECT_EQ(console.output(), "A");
  // MOVS, BL, the entry's return, POP, POP.
  EXPECT_EQ(stats.instructions, 5u);
  EXPECT_EQ(stats.calls.at(56), 1u);
}

TEST(Machine, WaitPassesSimulatedTimeThatTimerReads) {
  TinyProgram p;
  p.add({MOVS_R7(200)});
  p.call(86);  // WAIT
  p.call(27);  // TIMER
  p.call(55);  // PRINTNUM
  p.end();
  sim::StringConsole console;
  std::string error;
  auto started = p.started(console, error);
  ASSERT_TRUE(started) << error;
  sim::Machine &m = *started;
  EXPECT_EQ(m.run().kind, StopKind::End);
  EXPECT_EQ(console.output(), "200");
  EXPECT_EQ(m.stats().idle_cycles, 200u * p.board.cycles_per_ms);
  EXPECT_EQ(m.milliseconds(), 200u);
}

TEST(Machine, ReadsALineOfInput) {
  TinyProgram p;
  p.call(26);  // GETSTR
  p.call(59);  // PRINTSTR
  p.call(26);
  p.end();
  ASSERT_TRUE(p.checked().errors.empty());
  sim::StringConsole console("first line\r\n");
  Stop s = sim::run_image(p.board, p.image, p.code, console, {});
  EXPECT_EQ(console.output(), "first line");
  EXPECT_EQ(s.kind, StopKind::Fault);
  EXPECT_EQ(s.message, "the input ended while the program waits for a line at 0x00008008");
}

struct FaultCase {
  const char *name;
  std::vector<uint16_t> units;
  int call;  // a firmware entry called after the units, or 0
  const char *message;
};

// Test listings name a case by its name, not its bytes.
void PrintTo(const FaultCase &c, std::ostream *os) { *os << c.name; }

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, StopWithTheirMessage) {
  const FaultCase &c = GetParam();
  TinyProgram p;
  for (uint16_t u : c.units) p.add({u});
  if (c.call) p.call(c.call);
  p.end();
  ASSERT_TRUE(p.checked().errors.empty()) << p.code.errors[0];
  sim::StringConsole console;
  Stop s = sim::run_image(p.board, p.image, p.code, console, {});
  EXPECT_EQ(s.kind, StopKind::Fault);
  EXPECT_EQ(s.message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Machine, Faults,
    ::testing::Values(
        FaultCase{"flash_write", {MOVS_R7(1), MOVS_R4_0, STR_R7_R4}, 0,
                  "memory fault: the code at 0x00008004 writes 4 bytes at 0x00000000, in the flash"},
        FaultCase{"unmapped_read", {MOVS_R7(1), LSLS_R7_30, LDR_R7_R7}, 0,
                  "memory fault: the code at 0x00008004 reads 4 bytes at 0x40000000, where the board has no memory"},
        FaultCase{"stack_overflow", {PUSH_R7, B_BACK_ONE}, 0,
                  "memory fault: the stack overflowed: the code at 0x00008000 writes 4 bytes at 0x1FFFFFFC, below "
                  "the stack"},
        FaultCase{"gpio_hole", {LDR_R7_PC, B_OVER_WORD, 0xC004, 0x2009, LDR_R7_R7}, 0,
                  "memory fault: the code at 0x00008008 reads 4 bytes at 0x2009C004, where the GPIO block has no "
                  "register"},
        FaultCase{"division_by_zero", {MOVS_R7(5), MOVS_R6(0)}, 15, "division by zero at 0x00008004"},
        FaultCase{"remainder_by_zero", {MOVS_R7(5), MOVS_R6(0)}, 42, "division by zero at 0x00008004"},
        FaultCase{"routine_not_simulated", {}, 123,
                  "firmware entry 123 (GEN_INT) is not simulated, called at 0x00008000"},
        FaultCase{"interrupt_on_cortex", {}, 116,
                  "firmware entry 116 sets up an interrupt, which the Cortex board does not simulate, called at "
                  "0x00008000"},
        FaultCase{"sleep_for_ever", {WFI}, 0,
                  "SLEEP at 0x00008000 waits for an interrupt, and nothing the program set up will raise one"},
        FaultCase{"unbalanced_end", {sim_test::POP_R4, MOVS_R4_0, sim_test::POP_PC}, 0,
                  "END returned with the index register 0x00000000 and sp 0x20010000: the stack was not balanced"}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

TEST(Machine, BreakpointsAndSteps) {
  TinyProgram p;
  p.add({MOVS_R7(1), MOVS_R7(2), MOVS_R7(3)});
  p.end();
  sim::StringConsole console;
  std::string error;
  auto started = p.started(console, error);
  ASSERT_TRUE(started) << error;
  sim::Machine &m = *started;
  m.add_breakpoint(0x8002);
  Stop s = m.run();
  EXPECT_EQ(s.kind, StopKind::Breakpoint);
  EXPECT_EQ(m.pc(), 0x8002u);
  EXPECT_EQ(m.read_register(7), 1u);
  s = m.run(1);  // the breakpoint where the run stopped is passed
  EXPECT_EQ(s.kind, StopKind::Step);
  EXPECT_EQ(m.pc(), 0x8004u);
  EXPECT_EQ(m.read_register(7), 2u);
  m.write_register(7, 40);
  m.remove_breakpoint(0x8002);
  EXPECT_EQ(m.run().kind, StopKind::End);
  EXPECT_TRUE(m.ended());
  EXPECT_EQ(m.run().kind, StopKind::End);  // ended stays ended
}

TEST(Machine, InstructionLimitIsExact) {
  TinyProgram p;
  p.add({B_SELF});
  ASSERT_TRUE(p.checked().errors.empty());
  sim::StringConsole console;
  sim::Stats stats;
  Stop s = sim::run_image(p.board, p.image, p.code, console, sim::Limits{1000, 0}, &stats);
  EXPECT_EQ(s.kind, StopKind::Limit);
  EXPECT_EQ(s.message, "the limit of 1000 instructions was reached at 0x00008000");
  EXPECT_EQ(stats.instructions, 1000u);
}

TEST(Machine, TimeLimitInsideWait) {
  TinyProgram p;
  p.add({MOVS_R7(250)});
  p.call(86);
  p.end();
  sim::StringConsole console;
  std::string error;
  auto started = p.started(console, error);
  ASSERT_TRUE(started) << error;
  sim::Machine &m = *started;
  m.set_limits(sim::Limits{0, 100});
  Stop s = m.run();
  EXPECT_EQ(s.kind, StopKind::Limit);
  EXPECT_EQ(s.message,
            "the limit of 100 ms of simulated time was reached at 0x00001158 (WAIT, called at 0x00008002)");
  EXPECT_EQ(m.milliseconds(), 100u);
}

TEST(Machine, HaltFromAnotherThread) {
  TinyProgram p;
  p.add({B_SELF});
  sim::StringConsole console;
  std::string error;
  auto started = p.started(console, error);
  ASSERT_TRUE(started) << error;
  sim::Machine &m = *started;
  std::thread halter([&m] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    m.request_halt();
  });
  Stop s = m.run();
  halter.join();
  EXPECT_EQ(s.kind, StopKind::Halt);
  EXPECT_EQ(m.pc(), 0x8000u);
  EXPECT_FALSE(m.ended());
}

}  // namespace
