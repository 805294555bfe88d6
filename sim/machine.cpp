#include "sim/machine.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "sim/format.h"

namespace sim {

namespace {

constexpr uint64_t NEVER = UINT64_MAX;
// How often a pending interrupt that the program masks is looked at again.
constexpr uint64_t MASKED_POLL_CYCLES = 1000;

// ARM status register.
constexpr uint32_t MODE_MASK = 0x1F, MODE_IRQ = 0x12, MODE_SYSTEM = 0x1F;
constexpr uint32_t IRQ_DISABLE = 0x80, FIQ_DISABLE = 0x40, THUMB_STATE = 0x20;

// The first word of an INTERRUPT SUB (SUB lr,lr,#4): it expects to be
// entered as the core takes an IRQ. A label starts with a branch over the
// one-word prologue that GOSUB enters.
constexpr uint32_t INTERRUPT_ENTRY_WORD = 0xE24EE004, LABEL_ENTRY_WORD = 0xEA000000;

// The external-interrupt inputs EINT0, EINT1, EINT2 of the ARM7 board.
constexpr int EINT_PINS[3] = {16, 14, 15};
enum Condition { LEVEL_LOW = 0, LEVEL_HIGH = 1, EDGE_FALLING = 2, EDGE_RISING = 3 };

constexpr uint16_t THUMB_BX_LR = 0x4770, THUMB_NOP = 0xBF00;
constexpr uint32_t ARM_BX_LR = 0xE12FFF1E, ARM_NOP = 0xE1A00000;

const int REGISTER_IDS[Machine::REGISTERS] = {
    UC_ARM_REG_R0, UC_ARM_REG_R1, UC_ARM_REG_R2,  UC_ARM_REG_R3,  UC_ARM_REG_R4,  UC_ARM_REG_R5,
    UC_ARM_REG_R6, UC_ARM_REG_R7, UC_ARM_REG_R8,  UC_ARM_REG_R9,  UC_ARM_REG_R10, UC_ARM_REG_R11,
    UC_ARM_REG_R12, UC_ARM_REG_SP, UC_ARM_REG_LR, UC_ARM_REG_PC,  UC_ARM_REG_CPSR};

const char *exception_name(uint32_t number) {
  switch (number) {
    case 1: return "undefined instruction";
    case 2: return "supervisor call";
    case 3: return "prefetch abort";
    case 4: return "data abort";
    case 7: return "breakpoint instruction";
    default: return "exception";
  }
}

}  // namespace

Machine::Machine(const Board &board, const Image &image, const CodeMap &code, Console &console)
    : board_(board), image_(image), code_(code), console_(console), pins_(board.gpio_ports, console) {}

Machine::~Machine() {
  firmware_.reset();
  if (uc_) uc_close(uc_);
}

uint32_t Machine::reg(int id) const {
  uint32_t v = 0;
  uc_reg_read(uc_, id, &v);
  return v;
}

void Machine::set_reg(int id, uint32_t value) { uc_reg_write(uc_, id, &value); }

uint32_t Machine::pc() const { return reg(UC_ARM_REG_PC); }

uint32_t Machine::read_register(int n) const {
  if (n < 0 || n >= REGISTERS) return 0;
  if (n == 16 && !board_.arm()) return reg(UC_ARM_REG_XPSR);
  return reg(REGISTER_IDS[n]);
}

void Machine::write_register(int n, uint32_t value) {
  if (n < 0 || n >= REGISTERS) return;
  if (n == 15) value = (value & ~1u) | (board_.arm() ? 0u : 1u);  // the state bit of a Thumb-only core
  set_reg(n == 16 && !board_.arm() ? UC_ARM_REG_XPSR : REGISTER_IDS[n], value);
}

bool Machine::read_memory(uint32_t address, size_t length, std::vector<uint8_t> &bytes) const {
  auto device = [&](uint32_t base) {
    return base != 0 && address < base + 0x1000 && base < address + length;
  };
  if (length == 0 || device(board_.gpio_base) || device(board_.timer_base)) return false;
  // The words at the firmware's entries only stand in for the routines the
  // simulator carries out. A debugger that cannot read them takes a stop
  // there for one in a stub and finds the caller through lr; reading them
  // it would take the stand-in for a whole routine without a caller.
  uint32_t unit = board_.unit_bytes();
  auto entry = board_.entries.lower_bound(address >= unit ? address - (unit - 1) : 0);
  if (entry != board_.entries.end() && entry->first < uint64_t{address} + length) return false;
  bytes.resize(length);
  return uc_mem_read(uc_, address, bytes.data(), length) == UC_ERR_OK;
}

bool Machine::write_memory(uint32_t address, const std::vector<uint8_t> &bytes) {
  std::vector<uint8_t> old;
  if (!read_memory(address, bytes.size(), old)) return false;
  return uc_mem_write(uc_, address, bytes.data(), bytes.size()) == UC_ERR_OK;
}

void Machine::set_line_trace(const LineTable &lines, std::function<void(const SourceLine &)> traced) {
  trace_lines_ = &lines;
  traced_ = std::move(traced);
  trace_units_.assign(code_.units.size(), false);
  for (const auto &[address, line] : lines.starts())
    if (address >= code_.base && address < code_.end()) trace_units_[(address - code_.base) / code_.unit_bytes] = true;
}

std::string Machine::where(uint32_t address) const {
  int entry = board_.entry_at(address);
  if (entry >= 0 && uc_)  // inside a firmware routine: name it and its caller
    return hex32(address) + " (" + Firmware::entry_name(entry) + ", called at " + where(call_site()) + ")";
  std::string s = hex32(address);
  if (locator_) {
    std::string line = locator_(address);
    if (!line.empty()) s += " (" + line + ")";
  }
  return s;
}

bool Machine::start(std::string &error) {
  uc_mode mode = board_.arm() ? UC_MODE_ARM : static_cast<uc_mode>(UC_MODE_THUMB | UC_MODE_MCLASS);
  uc_err err = uc_open(UC_ARCH_ARM, mode, &uc_);
  if (err != UC_ERR_OK) {
    error = std::string("cannot start the CPU model: ") + uc_strerror(err);
    uc_ = nullptr;
    return false;
  }
  // The ARM7TDMI is an ARMv4T core; of Unicorn's models the TI925T has that
  // architecture (no interworking LDM to pc, no BLX, no ARMv5 extras).
  if (uc_ctl_set_cpu_model(uc_, board_.arm() ? UC_CPU_ARM_TI925T : UC_CPU_ARM_CORTEX_M3) != UC_ERR_OK) {
    error = "cannot select the CPU model";
    return false;
  }
  firmware_ = std::make_unique<Firmware>(uc_, board_, console_, pins_);

  // Flash is not writable by the program; RAM and the stacks are.
  struct Region {
    uint32_t base, size;
    uint32_t prot;
  };
  const Region regions[] = {
      {0, board_.flash_size, UC_PROT_READ | UC_PROT_EXEC},
      {board_.ram_base, board_.ram_size, UC_PROT_READ | UC_PROT_WRITE},
      {board_.stack_base, board_.stack_size, UC_PROT_READ | UC_PROT_WRITE},
      {board_.irq_stack_base, board_.irq_stack_size, UC_PROT_READ | UC_PROT_WRITE},
  };
  for (const Region &r : regions)
    if (r.size != 0 && uc_mem_map(uc_, r.base, r.size, r.prot) != UC_ERR_OK) {
      error = "cannot map " + std::to_string(r.size) + " bytes at " + hex32(r.base);
      return false;
    }
  if (uc_mmio_map(uc_, board_.gpio_base, 0x1000, on_gpio_read, this, on_gpio_write, this) != UC_ERR_OK ||
      (board_.timer_base != 0 &&
       uc_mmio_map(uc_, board_.timer_base, 0x1000, on_timer_read, this, on_timer_write, this) != UC_ERR_OK)) {
    error = "cannot map the board's devices";
    return false;
  }

  for (const Segment &seg : image_.segments) {
    if (seg.end() > board_.flash_size) {
      error = "the image has bytes at " + hex32(seg.address) + ", outside the flash of the " + board_.name +
              " board (0x00000000 to " + hex32(board_.flash_size - 1) + ")";
      return false;
    }
    uc_mem_write(uc_, seg.address, seg.bytes.data(), seg.bytes.size());
  }
  // Every firmware entry is a return; the hook on it does the routine's
  // work. END's return address and a called handler's hold a no-op that
  // never runs: reaching them is what the machine watches for.
  const size_t unit = board_.unit_bytes();
  auto place = [&](uint32_t address, uint32_t arm_word, uint16_t thumb_unit, const std::string &what) {
    if (image_.find(address) || image_.find(address + static_cast<uint32_t>(unit) - 1)) {
      error = what + " at " + hex32(address) + " lies inside the image";
      return false;
    }
    if (board_.arm()) return uc_mem_write(uc_, address, &arm_word, 4) == UC_ERR_OK;
    return uc_mem_write(uc_, address, &thumb_unit, 2) == UC_ERR_OK;
  };
  for (const auto &[address, entry] : board_.entries)
    if (!place(address, ARM_BX_LR, THUMB_BX_LR, "firmware entry " + std::to_string(entry))) return false;
  if (!place(board_.exit_address, ARM_NOP, THUMB_NOP, "the simulator's return address") ||
      !place(board_.handler_return, ARM_NOP, THUMB_NOP, "the simulator's return address"))
    return false;

  // END pops the index register and then pc (Thumb: POP {r4}; POP {pc};
  // ARM: LDM sp!,{r8}; LDM sp!,{pc}). An ARMv4T LDM to pc stays in ARM
  // state; a Thumb return address carries bit 0.
  uint32_t sp = board_.stack_base + board_.stack_size - 8;
  uint32_t frame[2] = {board_.saved_index, board_.exit_address | (board_.arm() ? 0u : 1u)};
  uc_mem_write(uc_, sp, frame, sizeof frame);
  for (int n = 0; n <= 12; n++) set_reg(REGISTER_IDS[n], 0);
  if (board_.arm()) {
    // The interrupt mode gets its own stack; the program runs in system
    // mode with interrupts enabled.
    uint32_t cpsr = reg(UC_ARM_REG_CPSR) & ~(MODE_MASK | IRQ_DISABLE | FIQ_DISABLE | THUMB_STATE);
    set_reg(UC_ARM_REG_CPSR, cpsr | MODE_IRQ | IRQ_DISABLE);
    set_reg(UC_ARM_REG_SP, board_.irq_stack_base + board_.irq_stack_size);
    set_reg(UC_ARM_REG_CPSR, cpsr | MODE_SYSTEM);
  }
  set_reg(board_.varbase, board_.var_base);
  set_reg(UC_ARM_REG_SP, sp);
  set_reg(UC_ARM_REG_LR, 0);
  write_register(15, board_.code_start);

  uc_hook hook;
  if (uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void *>(on_code), this, 1, 0) != UC_ERR_OK ||
      uc_hook_add(uc_, &hook, UC_HOOK_MEM_INVALID, reinterpret_cast<void *>(on_bad_memory), this, 1, 0) !=
          UC_ERR_OK ||
      uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void *>(on_cpu_exception), this, 1, 0) != UC_ERR_OK) {
    error = "cannot hook the CPU model";
    return false;
  }
  return true;
}

void Machine::pause(Pause why, uint32_t address) {
  if (pause_ == Pause::Stopped) return;
  pause_ = why;
  resume_address_ = address;
  uc_emu_stop(uc_);
}

void Machine::stop(StopKind kind, int signal, const std::string &message, uint32_t pc) {
  if (pause_ == Pause::Stopped) return;  // the first reason stands
  stop_ = Stop{kind, message, pc, signal};
  pause(Pause::Stopped, pc);
}

uint32_t Machine::call_site() const {
  uint32_t lr = reg(UC_ARM_REG_LR);
  return board_.arm() ? lr - 4 : (lr & ~1u) - 4;
}

void Machine::on_code(uc_engine *, uint64_t address, uint32_t, void *self) {
  static_cast<Machine *>(self)->code(static_cast<uint32_t>(address));
}

// Runs before the instruction at address: counts it, watches for
// breakpoints, limits and events, and does the firmware's work on its
// entries.
void Machine::code(uint32_t address) {
  if (halt_requested_.load(std::memory_order_relaxed)) {
    stop(StopKind::Halt, SIGINT, "halted", address);
    return;
  }
  // A breakpoint where the run paused or stopped was reported already.
  bool resumed = resuming_ && address == resume_address_;
  resuming_ = false;
  if (!resumed && !breakpoints_.empty() && breakpoints_.count(address)) {
    stop(StopKind::Breakpoint, SIGTRAP, "breakpoint", address);
    return;
  }
  if (stats_.instructions >= instruction_stop_ || cycles() >= cycle_stop_) {
    pause(Pause::Check, address);
    return;
  }
  if (address >= code_.base && address < code_.end()) {
    Unit u = code_.unit_at(address);
    if (strict_ && !is_code(u)) {
      stop(StopKind::Fault, SIGILL,
           "execution reached " + where(address) +
               (u == Unit::Data ? ", a data word in the code, not an instruction"
                                : ", where the code check found no instruction"),
           address);
      return;
    }
    stats_.instructions++;
    if (trace_lines_ && trace_units_[(address - code_.base) / code_.unit_bytes])
      traced_(*trace_lines_->find(address));
    if (u == Unit::Sleep) {
      sleep_address_ = address;
      pause(Pause::Sleep, address);
    }
    return;
  }
  if (address == board_.exit_address) return;
  if (address == board_.handler_return) {
    pause(Pause::HandlerReturn, address);
    return;
  }
  int entry = board_.entry_at(address);
  if (entry >= 0) {
    firmware_call(entry, address);
    return;
  }
  if (!strict_ && image_.find(address)) {
    stats_.instructions++;
    return;
  }
  stop(StopKind::Fault, SIGSEGV, "execution reached " + hex32(address) + ", where there is no code", address);
}

void Machine::firmware_call(int entry, uint32_t address) {
  const uint32_t site = call_site();
  switch (entry) {
    case ENTRY_WAIT: {
      int32_t ms = static_cast<int32_t>(reg(board_.accum));
      wait(entry, address, ms > 0 ? static_cast<uint64_t>(ms) * board_.cycles_per_ms : 0);
      return;
    }
    case ENTRY_WAITMICRO: {
      int32_t us = static_cast<int32_t>(reg(board_.accum));
      wait(entry, address, us > 0 ? static_cast<uint64_t>(us) * board_.cycles_per_ms / 1000 : 0);
      return;
    }
    case ENTRY_TIMER_SETUP:
    case ENTRY_EINT0_SETUP:
    case ENTRY_EINT1_SETUP:
    case ENTRY_EINT2_SETUP:
      stats_.calls[entry]++;
      stats_.instructions++;
      set_up_interrupt(entry, site);
      return;
    default:
      break;
  }
  stats_.calls[entry]++;
  stats_.instructions++;
  std::string error;
  switch (firmware_->call(entry, milliseconds(), error)) {
    case Firmware::Outcome::Done:
      return;
    case Firmware::Outcome::DivisionByZero:
      stop(StopKind::Fault, SIGFPE, "division by zero at " + where(site), address);
      return;
    case Firmware::Outcome::InputEnded:
      stop(StopKind::Fault, SIGABRT, "the input ended while the program waits for a line at " + where(site), address);
      return;
    case Firmware::Outcome::Failed:
      stop(StopKind::Fault, SIGILL, error + ", called at " + where(site), address);
      return;
  }
}

// WAIT and WAITMICRO: the time passes without instructions, and whatever
// falls due meanwhile (a timer, the pin script) is dealt with as it comes;
// an interrupt handler returns into the wait, which then goes on.
void Machine::wait(int entry, uint32_t address, uint64_t duration) {
  uint32_t sp = reg(UC_ARM_REG_SP), lr = reg(UC_ARM_REG_LR);
  if (waits_.empty() || waits_.back().sp != sp || waits_.back().lr != lr) {
    stats_.calls[entry]++;
    waits_.push_back(Wait{sp, lr, cycles() + duration});
  }
  uint64_t until = waits_.back().until;
  uint64_t due = std::min(next_event(), time_limit_);
  if (due < until) {
    if (due > cycles()) stats_.idle_cycles += due - cycles();
    pause(Pause::Check, address);
    return;
  }
  stats_.idle_cycles += until - cycles();
  waits_.pop_back();
  stats_.instructions++;
}

void Machine::set_up_interrupt(int entry, uint32_t site) {
  if (!board_.arm()) {
    stop(StopKind::Fault, SIGILL,
         "firmware entry " + std::to_string(entry) + " sets up an interrupt, which the Cortex board does not "
             "simulate, called at " + where(site),
         pc());
    return;
  }
  uint32_t handler = reg(board_.accum), parameter = reg(board_.operand);
  Source *s = entry == ENTRY_TIMER_SETUP  ? &timer_
              : entry == ENTRY_EINT0_SETUP ? &eint_[0]
              : entry == ENTRY_EINT1_SETUP ? &eint_[1]
                                           : &eint_[2];
  *s = Source{};
  if (!code_.is_instruction(handler)) {
    stop(StopKind::Fault, SIGSEGV, "the interrupt handler address " + hex32(handler) + " is no code, set up at " +
                                       where(site),
         pc());
    return;
  }
  s->handler = handler;
  if (s == &timer_) {
    // The period in milliseconds; 0 or less switches the timer off.
    int32_t ms = static_cast<int32_t>(parameter);
    if (ms <= 0) return;
    s->period = static_cast<uint64_t>(ms) * board_.cycles_per_ms;
    s->next = cycles() + s->period;
    cycle_stop_ = std::min(cycle_stop_, s->next);  // the running slice must stop for it
  } else {
    s->condition = static_cast<int>(parameter & 3);
  }
  s->set = true;
}

uint64_t Machine::next_event() const {
  uint64_t next = timer_.set ? timer_.next : NEVER;
  if (script_next_ < script_.size()) next = std::min(next, script_[script_next_].ms * board_.cycles_per_ms);
  return next;
}

void Machine::process_events() {
  const uint64_t now = cycles();
  if (timer_.set)
    while (timer_.next <= now) {
      timer_.pending = true;
      timer_.next += timer_.period;
    }
  while (script_next_ < script_.size() && script_[script_next_].ms * board_.cycles_per_ms <= now) {
    const PinEvent &e = script_[script_next_++];
    if (!pins_.apply(e)) continue;
    for (int k = 0; k < 3; k++) {
      Source &s = eint_[k];
      if (!s.set || e.number != EINT_PINS[k]) continue;
      int level = pins_.level(e.number);
      if ((s.condition == EDGE_RISING && level == 1) || (s.condition == EDGE_FALLING && level == 0)) s.pending = true;
    }
  }
}

bool Machine::anything_pending() const {
  if (timer_.pending) return true;
  for (int k = 0; k < 3; k++) {
    const Source &s = eint_[k];
    if (!s.set) continue;
    if (s.pending) return true;
    int level = pins_.level(EINT_PINS[k]);
    if ((s.condition == LEVEL_HIGH && level == 1) || (s.condition == LEVEL_LOW && level == 0)) return true;
  }
  return false;
}

bool Machine::deliver_interrupt() {
  if (!board_.arm() || in_called_handler_ || !anything_pending()) return false;
  uint32_t cpsr = reg(UC_ARM_REG_CPSR);
  if (cpsr & IRQ_DISABLE) return false;
  Source *s = &timer_;
  for (int k = 0; !s->pending && k < 3; k++) s = &eint_[k];
  if (!s->pending) {  // a level: it stays pending while the pin keeps it
    for (int k = 0; k < 3; k++)
      if (eint_[k].set && (eint_[k].condition == LEVEL_LOW || eint_[k].condition == LEVEL_HIGH)) {
        int level = pins_.level(EINT_PINS[k]);
        if (level == eint_[k].condition) {
          s = &eint_[k];
          break;
        }
      }
  }
  s->pending = false;
  stats_.interrupts++;
  uint32_t at = pc(), first = 0;
  uc_mem_read(uc_, s->handler, &first, 4);
  if (first == INTERRUPT_ENTRY_WORD) {
    // As the core takes an IRQ: IRQ mode with its banked sp and lr, the
    // status saved, lr the interrupted instruction + 4.
    set_reg(UC_ARM_REG_CPSR, (cpsr & ~(MODE_MASK | THUMB_STATE)) | MODE_IRQ | IRQ_DISABLE);
    set_reg(UC_ARM_REG_SPSR, cpsr);
    set_reg(UC_ARM_REG_LR, at + 4);
    set_reg(UC_ARM_REG_PC, s->handler);
  } else {
    for (int n = 0; n < REGISTERS; n++) saved_registers_[n] = reg(REGISTER_IDS[n]);
    in_called_handler_ = true;
    set_reg(UC_ARM_REG_CPSR, cpsr | IRQ_DISABLE);
    set_reg(UC_ARM_REG_LR, board_.handler_return);
    set_reg(UC_ARM_REG_PC, first == LABEL_ENTRY_WORD ? s->handler + 4 : s->handler);
  }
  return true;
}

void Machine::return_from_handler() {
  for (int n = 0; n < REGISTERS; n++)
    if (n != 15) set_reg(REGISTER_IDS[n], saved_registers_[n]);
  set_reg(UC_ARM_REG_PC, saved_registers_[15]);
  in_called_handler_ = false;
}

Stop Machine::finish_at_exit() {
  uint32_t index = reg(board_.lindex), sp = reg(UC_ARM_REG_SP);
  ended_ = true;
  if (index != board_.saved_index || sp != board_.stack_base + board_.stack_size)
    stop_ = Stop{StopKind::Fault,
                 "END returned with the index register " + hex32(index) + " and sp " + hex32(sp) +
                     ": the stack was not balanced",
                 board_.exit_address, SIGSEGV};
  else
    stop_ = Stop{StopKind::End, "", board_.exit_address, 0};
  return stop_;
}

Stop Machine::run(uint64_t steps) {
  if (ended_) return stop_;
  const uint64_t step_target = steps ? stats_.instructions + steps : NEVER;
  const uint64_t instruction_limit = limits_.max_instructions ? limits_.max_instructions : NEVER;
  time_limit_ = limits_.max_time_ms ? limits_.max_time_ms * board_.cycles_per_ms : NEVER;
  const uint64_t time_limit = time_limit_;
  halt_requested_ = false;
  resume_address_ = pc();
  for (;;) {
    process_events();
    if (sleeping_) {
      if (anything_pending()) {
        sleeping_ = false;
      } else {
        uint64_t next = std::min(next_event(), time_limit);
        if (next == NEVER) {
          ended_ = true;
          stop_ = Stop{StopKind::Fault,
                       "SLEEP at " + where(sleep_address_) +
                           " waits for an interrupt, and nothing the program set up will raise one",
                       pc(), SIGABRT};
          return stop_;
        }
        if (next > cycles()) stats_.idle_cycles += next - cycles();
        if (next < time_limit) continue;
      }
    }
    deliver_interrupt();
    if (stats_.instructions >= instruction_limit)
      return stop_ = Stop{StopKind::Limit,
                          "the limit of " + std::to_string(limits_.max_instructions) + " instructions was reached at " +
                              where(pc()),
                          pc(), SIGXCPU};
    if (cycles() >= time_limit)
      return stop_ = Stop{StopKind::Limit,
                          "the limit of " + std::to_string(limits_.max_time_ms) +
                              " ms of simulated time was reached at " + where(pc()),
                          pc(), SIGXCPU};
    if (stats_.instructions >= step_target) return stop_ = Stop{StopKind::Step, "", pc(), SIGTRAP};

    instruction_stop_ = std::min(step_target, instruction_limit);
    cycle_stop_ = std::min(next_event(), time_limit);
    if (anything_pending()) cycle_stop_ = std::min(cycle_stop_, cycles() + MASKED_POLL_CYCLES);
    pause_ = Pause::None;
    resuming_ = pc() == resume_address_;
    bool thumb = !board_.arm() || (reg(UC_ARM_REG_CPSR) & THUMB_STATE);
    uc_err err = uc_emu_start(uc_, pc() | (thumb ? 1u : 0u), board_.exit_address, 0, 0);
    switch (pause_) {
      case Pause::Stopped:
        if (stop_.kind == StopKind::Fault) ended_ = true;
        return stop_;
      case Pause::Check:
        continue;
      case Pause::Sleep:
        sleeping_ = true;
        write_register(15, sleep_address_ + board_.unit_bytes());
        continue;
      case Pause::HandlerReturn:
        return_from_handler();
        continue;
      case Pause::None:
        break;
    }
    if (err != UC_ERR_OK) {
      ended_ = true;
      return stop_ = Stop{StopKind::Fault, std::string("the CPU model stopped: ") + uc_strerror(err) + " at " +
                                               where(pc()),
                          pc(), SIGILL};
    }
    if (pc() == board_.exit_address) return finish_at_exit();
    ended_ = true;
    return stop_ = Stop{StopKind::Fault, "the CPU model stopped at " + where(pc()) + " for no known reason", pc(),
                        SIGILL};
  }
}

bool Machine::on_bad_memory(uc_engine *, uc_mem_type type, uint64_t address, int size, int64_t, void *self) {
  Machine &m = *static_cast<Machine *>(self);
  const uint32_t a = static_cast<uint32_t>(address), pc = m.pc();
  const Board &b = m.board_;
  std::string what;
  if (type == UC_MEM_FETCH_UNMAPPED || type == UC_MEM_FETCH_PROT) {
    m.stop(StopKind::Fault, SIGSEGV, "execution reached " + hex32(a) + ", where there is no code", a);
    return false;
  }
  bool write = type == UC_MEM_WRITE_UNMAPPED || type == UC_MEM_WRITE_PROT;
  std::string access = std::string(write ? "writes " : "reads ") + std::to_string(size) + " bytes at " + hex32(a);
  if (a < b.stack_base && a + 0x10000 >= b.stack_base)
    what = "the stack overflowed: the code at " + m.where(pc) + " " + access + ", below the stack";
  else if (a < b.flash_size)
    what = "the code at " + m.where(pc) + " " + access + ", in the flash";
  else
    what = "the code at " + m.where(pc) + " " + access + ", where the board has no memory";
  m.stop(StopKind::Fault, SIGSEGV, "memory fault: " + what, pc);
  return false;
}

void Machine::on_cpu_exception(uc_engine *, uint32_t number, void *self) {
  Machine &m = *static_cast<Machine *>(self);
  uint32_t pc = m.pc();
  m.stop(StopKind::Fault, SIGILL,
         "the CPU took exception " + std::to_string(number) + " (" + exception_name(number) + ") at " + m.where(pc),
         pc);
}

uint64_t Machine::on_gpio_read(uc_engine *, uint64_t offset, unsigned size, void *self) {
  Machine &m = *static_cast<Machine *>(self);
  uint32_t value = 0;
  // The port read code holds the bit it tests in r0.
  if (size != 4 || offset % 4 != 0 ||
      !m.pins_.read_register(static_cast<int>(offset / 32), offset % 32, m.reg(UC_ARM_REG_R0), value))
    m.stop(StopKind::Fault, SIGSEGV,
           "memory fault: the code at " + m.where(m.pc()) + " reads " + std::to_string(size) + " bytes at " +
               hex32(m.board_.gpio_base + offset) + ", where the GPIO block has no register",
           m.pc());
  return value;
}

void Machine::on_gpio_write(uc_engine *, uint64_t offset, unsigned size, uint64_t value, void *self) {
  Machine &m = *static_cast<Machine *>(self);
  if (size != 4 || offset % 4 != 0 ||
      !m.pins_.write_register(static_cast<int>(offset / 32), offset % 32, static_cast<uint32_t>(value)))
    m.stop(StopKind::Fault, SIGSEGV,
           "memory fault: the code at " + m.where(m.pc()) + " writes " + std::to_string(size) + " bytes at " +
               hex32(m.board_.gpio_base + offset) + ", where the GPIO block has no register",
           m.pc());
}

// The ARM7 board's timer: TIMER reads its counter (offset 8) with a plain
// load; the counter runs on the simulated clock in milliseconds.
uint64_t Machine::on_timer_read(uc_engine *, uint64_t offset, unsigned size, void *self) {
  Machine &m = *static_cast<Machine *>(self);
  if (offset == 8 && size == 4) return m.milliseconds();
  m.stop(StopKind::Fault, SIGSEGV,
         "memory fault: the code at " + m.where(m.pc()) + " reads " + std::to_string(size) + " bytes at offset " +
             std::to_string(offset) + " of the timer, which only its counter at offset 8 serves",
         m.pc());
  return 0;
}

void Machine::on_timer_write(uc_engine *, uint64_t offset, unsigned, uint64_t, void *self) {
  Machine &m = *static_cast<Machine *>(self);
  m.stop(StopKind::Fault, SIGSEGV,
         "memory fault: the code at " + m.where(m.pc()) + " writes to offset " + std::to_string(offset) +
             " of the timer",
         m.pc());
}

std::string Machine::stats_text() const {
  char buf[160];
  std::string s;
  snprintf(buf, sizeof buf, "instructions: %llu\n", static_cast<unsigned long long>(stats_.instructions));
  s += buf;
  uint64_t c = cycles();
  snprintf(buf, sizeof buf, "simulated time: %llu.%03llu ms\n",
           static_cast<unsigned long long>(c / board_.cycles_per_ms),
           static_cast<unsigned long long>(c % board_.cycles_per_ms * 1000 / board_.cycles_per_ms));
  s += buf;
  snprintf(buf, sizeof buf, "interrupts: %llu\n", static_cast<unsigned long long>(stats_.interrupts));
  s += buf;
  s += "firmware calls (count, entry, routine):\n";
  for (const auto &[entry, count] : stats_.calls) {
    snprintf(buf, sizeof buf, "%12llu  %3d %s\n", static_cast<unsigned long long>(count), entry,
             Firmware::entry_name(entry));
    s += buf;
  }
  return s;
}

Stop run_image(const Board &board, const Image &image, const CodeMap &code, Console &console,
               const Limits &limits, Stats *stats) {
  Machine m(board, image, code, console);
  std::string error;
  if (!m.start(error)) return Stop{StopKind::Fault, error, 0, SIGSEGV};
  m.set_limits(limits);
  Stop s = m.run();
  if (stats) *stats = m.stats();
  return s;
}

}  // namespace sim
