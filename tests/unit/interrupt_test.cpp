#include <string>

#include "compile/statement.h"
#include "driver/driver.h"
#include "expression_support.h"

namespace {

Session compile_session_for(uint16_t version, const std::string &lines) {
  return compile_session(lines, version);
}

Ops last_ops(const Ops &ops, size_t n) { return Ops(ops.end() - static_cast<long>(n), ops.end()); }

TEST(Interrupts, SetUpCalls) {
  // Code starts at 0x3000 and ARM code counts four bytes a word.
  Session timer = compile_session_for(1850, "tick:\nON TIMER 1000 tick\n");
  ASSERT_EQ(timer.out, "");
  int32_t tick = 0x3000 + 4 * g_symboladdr[is_symbol("TICK", 4) - 1];
  EXPECT_EQ(last_ops(timer.ops, 3), (Ops{{100, 1000}, {103, tick}, {156, 0}}));

  Session byVariable = compile_session_for(1850, "DIM period\ntick:\nON TIMER period tick\n");
  ASSERT_EQ(byVariable.out, "");
  EXPECT_EQ(last_ops(byVariable.ops, 3)[0], (std::pair<int32_t, int32_t>{102, 1}));

  struct Edge {
    const char *source;
    int32_t condition;
    int32_t setup;
  };
  const Edge edges[] = {{"ON EINT0 HIGH isr\n", 1, 157}, {"ON EINT1 RISE isr\n", 3, 159},
                        {"ON EINT2 FALL isr\n", 2, 158}, {"ON EINT0 LOW isr\n", 0, 157}};
  for (const Edge &e : edges) {
    SCOPED_TRACE(e.source);
    Session r = compile_session_for(1850, std::string("INTERRUPT SUB isr\nENDSUB\n") + e.source);
    int32_t isr = 0x3000 + 4 * g_symboladdr[is_symbol("ISR", 3) - 1];
    EXPECT_EQ(last_ops(r.ops, 3), (Ops{{100, e.condition}, {103, isr}, {e.setup, 0}}));
  }
}

TEST(Interrupts, Messages) {
  struct Message {
    uint16_t version;
    const char *source;
    const char *message;
  };
  const Message cases[] = {
      {2054, "l:\nON TIMER 5 l\n", "ON not supported on Cortex parts"},
      {1865, "l:\nON TIMER 5 l\n", "ON not supported on ARM7 parts with floating point firmware"},
      {1850, "l:\nON WAIT 5 l\n", "illegal Interrupt type"},
      {1850, "l:\nON TIMER 1.5 l\n", "Only simple variable or constant allowed"},
      {1850, "l:\nON EINT0 5 l\n", "Illegal Interrupt condition"},
      {1850, "ON TIMER 5 6\n", "label required"},
      {1850, "ON TIMER 5 later\nlater:\n", "sub/label must be pre-defined"},
      {1850, "SUB s(a)\nENDSUB\nON TIMER 5 s\n", "sub/label must be pre-defined"},
  };
  for (const Message &c : cases) {
    SCOPED_TRACE(c.source);
    Session r = compile_session_for(c.version, c.source);
    size_t first = r.out.find("-ERROR");
    ASSERT_NE(first, std::string::npos) << r.out;
    std::string report = r.out.substr(first, r.out.find('\n', first) - first);
    EXPECT_NE(report.find(c.message), std::string::npos) << r.out;
  }
}

}  // namespace
