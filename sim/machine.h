// A program image running on a simulated board: the CPU (Unicorn), the
// simulated firmware on the board's entry addresses, the pins, a clock of
// simulated time, and the interrupts the program sets up.
//
// The clock counts cycles: every executed instruction is one, and WAIT,
// WAITMICRO and SLEEP let cycles pass without instructions. TIMER reads it
// in milliseconds. On the ARM7 board, ON TIMER and ON EINT0..2 call the
// firmware's set-up routines with the handler's address; the machine then
// raises the interrupt when the period has passed or when the pin script
// gives the external-interrupt pin (EINT0 pin 16, EINT1 pin 14, EINT2 pin
// 15) the level or edge asked for. A handler that starts with the interrupt
// entry of an INTERRUPT SUB is entered as the core takes an IRQ (IRQ mode,
// its own stack, return through the saved status); a plain SUB or a label
// is called as GOSUB calls it, with every register saved around the call.
// While a handler runs, no other interrupt is taken. SLEEP lets the time
// pass until an interrupt is pending.
#pragma once
#include <unicorn/unicorn.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sim/board.h"
#include "sim/code_check.h"
#include "sim/console.h"
#include "sim/firmware.h"
#include "sim/image.h"
#include "sim/lines.h"
#include "sim/pins.h"

namespace sim {

struct Limits {
  uint64_t max_instructions = 0;  // 0: no limit
  uint64_t max_time_ms = 0;       // simulated; 0: no limit
};

enum class StopKind {
  End,         // END returned to the firmware
  Fault,       // the program did what the board cannot do; message says what
  Limit,       // max_instructions or max_time_ms reached
  Breakpoint,  // a debugger's breakpoint
  Step,        // the instructions asked of run() are done
  Halt,        // request_halt()
};

struct Stop {
  StopKind kind = StopKind::End;
  std::string message;
  uint32_t pc = 0;
  int signal = 0;  // what a debugger is told: SIGTRAP, SIGSEGV, SIGFPE, SIGILL, SIGINT, SIGXCPU
};

struct Stats {
  uint64_t instructions = 0;
  uint64_t idle_cycles = 0;  // cycles that passed in WAIT, WAITMICRO and SLEEP
  uint64_t interrupts = 0;
  std::map<int, uint64_t> calls;  // firmware calls by entry
};

// Names the source position of a code address ("prog.bas:12"), or "".
using Locator = std::function<std::string(uint32_t address)>;

class Machine {
 public:
  // The board, image and code map must outlive the machine.
  Machine(const Board &board, const Image &image, const CodeMap &code, Console &console);
  ~Machine();
  Machine(const Machine &) = delete;
  Machine &operator=(const Machine &) = delete;

  // Maps the memory, places the image, the firmware entries and the frame
  // END returns through, and sets the registers for entering the code at
  // the code start. False with a message in error.
  bool start(std::string &error);

  void set_limits(const Limits &limits) { limits_ = limits; }
  void set_pin_script(std::vector<PinEvent> events) { script_ = std::move(events); }
  void set_locator(Locator locator) { locator_ = std::move(locator); }
  // Strict: every executed address in the code must be an instruction the
  // code check found (the default). Otherwise any address inside the
  // image may run.
  void set_strict(bool strict) { strict_ = strict; }
  // Calls traced with the line each time execution reaches the first
  // instruction of a source line's code.
  void set_line_trace(const LineTable &lines, std::function<void(const SourceLine &)> traced);

  // Runs until the program ends or stops; steps > 0 stops after that many
  // instructions with StopKind::Step. After End or Fault the program cannot
  // go on, and run() returns the same stop again.
  Stop run(uint64_t steps = 0);
  // Asks a running run() to stop with StopKind::Halt (from any thread).
  void request_halt() { halt_requested_ = true; }

  // For debuggers: registers 0 to 15 are r0 to pc, 16 the status register
  // (xPSR on the Cortex board, CPSR on the ARM7 board).
  static constexpr int REGISTERS = 17;
  uint32_t read_register(int n) const;
  void write_register(int n, uint32_t value);
  // False where nothing is mapped, where reading a device would act, and
  // at the firmware's entries, which hold no code of the routines.
  bool read_memory(uint32_t address, size_t length, std::vector<uint8_t> &bytes) const;
  bool write_memory(uint32_t address, const std::vector<uint8_t> &bytes);
  void add_breakpoint(uint32_t address) { breakpoints_.insert(address); }
  void remove_breakpoint(uint32_t address) { breakpoints_.erase(address); }
  bool ended() const { return ended_; }
  uint32_t pc() const;

  const Stats &stats() const { return stats_; }
  uint64_t cycles() const { return stats_.instructions + stats_.idle_cycles; }
  uint32_t milliseconds() const { return static_cast<uint32_t>(cycles() / board_.cycles_per_ms); }
  // The statistics as printed at the end of a run.
  std::string stats_text() const;
  // "0x00008010" with " (prog.bas:12)" where the locator knows the line.
  std::string where(uint32_t address) const;

  const Board &board() const { return board_; }
  const Pins &pins() const { return pins_; }

 private:
  enum class Pause { None, Check, Sleep, HandlerReturn, Stopped };
  struct Source {  // an interrupt source the program has set up
    bool set = false;
    uint32_t handler = 0;
    int condition = 0;    // EINT: 0 low, 1 high, 2 falling edge, 3 rising edge
    uint64_t period = 0;  // timer: in cycles
    uint64_t next = 0;    // timer: when it fires next
    bool pending = false;
  };
  struct Wait {  // a WAIT in progress, known by the caller's sp and lr
    uint32_t sp, lr;
    uint64_t until;
  };

  static void on_code(uc_engine *uc, uint64_t address, uint32_t size, void *self);
  static bool on_bad_memory(uc_engine *uc, uc_mem_type type, uint64_t address, int size, int64_t value,
                            void *self);
  static void on_cpu_exception(uc_engine *uc, uint32_t number, void *self);
  static uint64_t on_gpio_read(uc_engine *uc, uint64_t offset, unsigned size, void *self);
  static void on_gpio_write(uc_engine *uc, uint64_t offset, unsigned size, uint64_t value, void *self);
  static uint64_t on_timer_read(uc_engine *uc, uint64_t offset, unsigned size, void *self);
  static void on_timer_write(uc_engine *uc, uint64_t offset, unsigned size, uint64_t value, void *self);

  void code(uint32_t address);
  void firmware_call(int entry, uint32_t address);
  void wait(int entry, uint32_t address, uint64_t cycles);
  void set_up_interrupt(int entry, uint32_t call_site);
  void pause(Pause why, uint32_t address);
  void stop(StopKind kind, int signal, const std::string &message, uint32_t pc);
  uint32_t call_site() const;

  uint64_t next_event() const;  // cycles of the next timer or script event, UINT64_MAX for none
  void process_events();
  bool anything_pending() const;
  bool deliver_interrupt();
  void return_from_handler();
  Stop finish_at_exit();

  uint32_t reg(int id) const;
  void set_reg(int id, uint32_t value);

  const Board &board_;
  const Image &image_;
  const CodeMap &code_;
  Console &console_;
  Pins pins_;
  uc_engine *uc_ = nullptr;
  std::unique_ptr<Firmware> firmware_;
  Limits limits_;
  Locator locator_;
  const LineTable *trace_lines_ = nullptr;
  std::vector<bool> trace_units_;  // by code unit: a line starts here
  std::function<void(const SourceLine &)> traced_;
  bool strict_ = true;
  std::vector<PinEvent> script_;
  size_t script_next_ = 0;

  Stats stats_;
  std::set<uint32_t> breakpoints_;
  std::atomic<bool> halt_requested_{false};
  uint64_t instruction_stop_ = 0, cycle_stop_ = 0;  // the hook pauses when either is reached
  uint64_t time_limit_ = UINT64_MAX;                 // in cycles
  uint32_t resume_address_ = 0;  // where the last run paused: its breakpoint is passed once
  bool resuming_ = false;
  Pause pause_ = Pause::None;
  Stop stop_;
  bool ended_ = false;

  Source timer_, eint_[3];
  std::vector<Wait> waits_;
  bool sleeping_ = false;
  uint32_t sleep_address_ = 0;
  bool in_called_handler_ = false;
  uint32_t saved_registers_[REGISTERS] = {};
};

// Runs the image from the code start to END on a string console, for the
// tests: the whole run in one call.
Stop run_image(const Board &board, const Image &image, const CodeMap &code, Console &console,
               const Limits &limits, Stats *stats = nullptr);

}  // namespace sim
