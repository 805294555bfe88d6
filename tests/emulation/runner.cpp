#include "runner.h"

#include <unicorn/unicorn.h>

#include <cstdio>

#include "firmware.h"

namespace emu {

namespace {

std::string hex32(uint64_t v) {
  char buf[24];
  snprintf(buf, sizeof buf, "0x%08llX", static_cast<unsigned long long>(v));
  return buf;
}

struct Session {
  const Target &t;
  const CodeMap &map;
  Firmware firmware;
  std::string error;
  uint64_t executed = 0;
  uc_engine *uc;
};

void stop(uc_engine *uc, Session &s, const std::string &why) {
  if (s.error.empty()) s.error = why;
  uc_emu_stop(uc);
}

void on_code(uc_engine *uc, uint64_t address, uint32_t, void *user) {
  Session &s = *static_cast<Session *>(user);
  s.executed++;
  if (!s.map.is_instruction(static_cast<uint32_t>(address)))
    stop(uc, s, "executes " + hex32(address) + ", which the code check did not find as an instruction");
}

void on_stub(uc_engine *uc, uint64_t address, uint32_t, void *user) {
  Session &s = *static_cast<Session *>(user);
  int entry = static_cast<int>((address - s.t.stub_base) / 4);
  std::string why;
  if ((address - s.t.stub_base) % 4 != 0 || !s.firmware.call(entry, why))
    stop(uc, s, why.empty() ? "execution inside the firmware stubs at " + hex32(address) : why);
}

bool on_bad_memory(uc_engine *uc, uc_mem_type type, uint64_t address, int size, int64_t, void *user) {
  Session &s = *static_cast<Session *>(user);
  uint32_t pc = 0;
  uc_reg_read(uc, UC_ARM_REG_PC, &pc);
  const char *kind = type == UC_MEM_WRITE_UNMAPPED || type == UC_MEM_WRITE_PROT ? "write"
                     : type == UC_MEM_FETCH_UNMAPPED || type == UC_MEM_FETCH_PROT ? "fetch"
                                                                                  : "read";
  stop(uc, s, std::string("bad memory ") + kind + " of " + std::to_string(size) + " bytes at " + hex32(address) +
                  " (pc " + hex32(pc) + ")");
  return false;
}

void on_interrupt(uc_engine *uc, uint32_t number, void *user) {
  Session &s = *static_cast<Session *>(user);
  uint32_t pc = 0;
  uc_reg_read(uc, UC_ARM_REG_PC, &pc);
  stop(uc, s, "CPU exception " + std::to_string(number) + " at pc " + hex32(pc));
}

bool write(uc_engine *uc, uint32_t address, const void *data, size_t size, std::string &error) {
  if (uc_mem_write(uc, address, data, size) == UC_ERR_OK) return true;
  error = "cannot place " + std::to_string(size) + " bytes at " + hex32(address);
  return false;
}

// The ARM7 board's timer block: TIMER reads its counter (offset 8) with a
// plain load; the counter runs on the simulated clock. Any other access is
// one the generated code never makes.
uint64_t on_timer_read(uc_engine *uc, uint64_t offset, unsigned size, void *user) {
  Session &s = *static_cast<Session *>(user);
  if (offset == 8 && size == 4) return s.firmware.ticks();
  stop(uc, s, "read of " + std::to_string(size) + " bytes at offset " + std::to_string(offset) +
                  " of the timer block");
  return 0;
}

void on_timer_write(uc_engine *uc, uint64_t offset, unsigned, uint64_t, void *user) {
  Session &s = *static_cast<Session *>(user);
  stop(uc, s, "write to offset " + std::to_string(offset) + " of the timer block");
}

}  // namespace

RunResult run_image(const Target &t, const HexImage &image, const CodeMap &map, uint64_t limit) {
  RunResult r;
  uc_engine *uc = nullptr;
  uc_mode mode = t.arm() ? UC_MODE_ARM : static_cast<uc_mode>(UC_MODE_THUMB | UC_MODE_MCLASS);
  uc_err err = uc_open(UC_ARCH_ARM, mode, &uc);
  if (err != UC_ERR_OK) {
    r.error = std::string("uc_open: ") + uc_strerror(err);
    return r;
  }
  // The ARM7TDMI is an ARMv4T core; of the models at hand the TI925T has
  // that architecture (no interworking LDM to pc, no BLX, no ARMv5 extras).
  err = uc_ctl_set_cpu_model(uc, t.arm() ? UC_CPU_ARM_TI925T : UC_CPU_ARM_CORTEX_M3);
  if (err != UC_ERR_OK) {
    r.error = std::string("CPU model: ") + uc_strerror(err);
    uc_close(uc);
    return r;
  }
  // Flash is not writable by the program; RAM and stack are.
  uc_mem_map(uc, 0, t.flash_size, UC_PROT_READ | UC_PROT_EXEC);
  uc_mem_map(uc, t.ram_base, t.ram_size, UC_PROT_READ | UC_PROT_WRITE);
  uc_mem_map(uc, t.stack_base, t.stack_size, UC_PROT_READ | UC_PROT_WRITE);

  Session s{t, map, Firmware(uc, t, r.output), {}, 0, uc};
  bool placed = true;
  if (t.timer_base != 0 &&
      uc_mmio_map(uc, t.timer_base, 0x1000, on_timer_read, &s, on_timer_write, &s) != UC_ERR_OK) {
    r.error = "cannot map the timer block at " + hex32(t.timer_base);
    placed = false;
  }
  for (const Segment &seg : image.segments) {
    if (!placed) break;
    if (seg.end() > t.flash_size) {
      r.error = "image segment at " + hex32(seg.address) + " lies outside the flash";
      placed = false;
      break;
    }
    placed = write(uc, seg.address, seg.bytes.data(), seg.bytes.size(), r.error);
  }
  // Every firmware entry is a BX LR; its hook does the routine's work. The
  // exit address holds a no-op that is never executed: reaching it ends the
  // run.
  const uint16_t thumb_bx_lr = 0x4770, thumb_nop = 0xBF00;
  const uint32_t arm_bx_lr = 0xE12FFF1E, arm_nop = 0xE1A00000;
  const void *bx_lr = t.arm() ? static_cast<const void *>(&arm_bx_lr) : &thumb_bx_lr;
  const void *nop = t.arm() ? static_cast<const void *>(&arm_nop) : &thumb_nop;
  const size_t stub_bytes = t.arm() ? 4 : 2;
  for (int n = 0; placed && n < TABLE_WORDS; n++)
    if (!is_layout_word(n)) placed = write(uc, t.stub_address(n), bx_lr, stub_bytes, r.error);
  if (placed) placed = write(uc, t.exit_address, nop, stub_bytes, r.error);

  // END pops the index register and then pc (Thumb: POP {r4}; POP {pc};
  // ARM: LDM sp!,{r8}; LDM sp!,{pc}). An ARMv4T LDM to pc stays in ARM
  // state; a Thumb return address carries bit 0.
  const uint32_t state_bit = t.arm() ? 0u : 1u;
  uint32_t sp = t.stack_base + t.stack_size - 8;
  uint32_t frame[2] = {t.saved_index, t.exit_address | state_bit};
  if (placed) placed = write(uc, sp, frame, sizeof frame, r.error);
  if (!placed) {
    uc_close(uc);
    return r;
  }
  uint32_t var_base = t.var_base, zero = 0;
  for (int reg = UC_ARM_REG_R0; reg <= UC_ARM_REG_R12; reg++) uc_reg_write(uc, reg, &zero);
  uc_reg_write(uc, t.varbase, &var_base);
  uc_reg_write(uc, UC_ARM_REG_SP, &sp);

  uc_hook code_hook, stub_hook, mem_hook, intr_hook;
  const Segment *code = image.find(t.code_start);
  uint64_t code_end = code ? code->end() - 1 : t.code_start;
  uc_hook_add(uc, &code_hook, UC_HOOK_CODE, reinterpret_cast<void *>(on_code), &s, t.code_start, code_end);
  uc_hook_add(uc, &stub_hook, UC_HOOK_CODE, reinterpret_cast<void *>(on_stub), &s, t.stub_base,
              t.stub_address(TABLE_WORDS) - 1);
  uc_hook_add(uc, &mem_hook, UC_HOOK_MEM_INVALID, reinterpret_cast<void *>(on_bad_memory), &s, 1, 0);
  uc_hook_add(uc, &intr_hook, UC_HOOK_INTR, reinterpret_cast<void *>(on_interrupt), &s, 1, 0);

  err = uc_emu_start(uc, t.code_start | state_bit, t.exit_address, 0, limit);
  uint32_t pc = 0, index = 0, end_sp = 0;
  uc_reg_read(uc, UC_ARM_REG_PC, &pc);
  uc_reg_read(uc, t.lindex, &index);
  uc_reg_read(uc, UC_ARM_REG_SP, &end_sp);
  r.instructions = s.executed;
  if (!s.error.empty()) {
    r.error = s.error;
  } else if (err != UC_ERR_OK) {
    r.error = std::string("emulation stopped: ") + uc_strerror(err) + " at pc " + hex32(pc);
  } else if ((pc & ~1u) != t.exit_address) {
    r.error = "no END reached within " + std::to_string(limit) + " instructions (pc " + hex32(pc) + ")";
  } else if (index != t.saved_index || end_sp != t.stack_base + t.stack_size) {
    r.error = "END returned with the index register " + hex32(index) + " and sp " + hex32(end_sp) +
              ": the stack was not balanced";
  } else {
    r.ok = true;
  }
  uc_close(uc);
  return r;
}

}  // namespace emu
