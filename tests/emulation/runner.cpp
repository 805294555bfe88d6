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

}  // namespace

RunResult run_image(const Target &t, const HexImage &image, const CodeMap &map, uint64_t limit) {
  RunResult r;
  if (t.isa != Isa::Thumb) {
    r.error = "no runner for this instruction set";
    return r;
  }
  uc_engine *uc = nullptr;
  uc_err err = uc_open(UC_ARCH_ARM, static_cast<uc_mode>(UC_MODE_THUMB | UC_MODE_MCLASS), &uc);
  if (err != UC_ERR_OK) {
    r.error = std::string("uc_open: ") + uc_strerror(err);
    return r;
  }
  uc_ctl_set_cpu_model(uc, UC_CPU_ARM_CORTEX_M3);
  // Flash is not writable by the program; RAM and stack are.
  uc_mem_map(uc, 0, t.flash_size, UC_PROT_READ | UC_PROT_EXEC);
  uc_mem_map(uc, t.ram_base, t.ram_size, UC_PROT_READ | UC_PROT_WRITE);
  uc_mem_map(uc, t.stack_base, t.stack_size, UC_PROT_READ | UC_PROT_WRITE);

  Session s{t, map, Firmware(uc, t, r.output), {}, 0, uc};
  bool placed = true;
  for (const Segment &seg : image.segments) {
    if (seg.end() > t.flash_size) {
      r.error = "image segment at " + hex32(seg.address) + " lies outside the flash";
      placed = false;
      break;
    }
    placed = write(uc, seg.address, seg.bytes.data(), seg.bytes.size(), r.error);
    if (!placed) break;
  }
  // Every firmware entry is a BX LR; its hook does the routine's work.
  const uint16_t bx_lr = 0x4770, nop = 0xBF00;
  for (int n = 0; placed && n < TABLE_WORDS; n++)
    if (!is_layout_word(n)) placed = write(uc, t.stub_address(n), &bx_lr, 2, r.error);
  if (placed) placed = write(uc, t.exit_address, &nop, 2, r.error);

  uint32_t sp = t.stack_base + t.stack_size - 8;
  uint32_t frame[2] = {t.saved_r4, t.exit_address | 1u};
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

  err = uc_emu_start(uc, t.code_start | 1u, t.exit_address, 0, limit);
  uint32_t pc = 0, r4 = 0, end_sp = 0;
  uc_reg_read(uc, UC_ARM_REG_PC, &pc);
  uc_reg_read(uc, UC_ARM_REG_R4, &r4);
  uc_reg_read(uc, UC_ARM_REG_SP, &end_sp);
  r.instructions = s.executed;
  if (!s.error.empty()) {
    r.error = s.error;
  } else if (err != UC_ERR_OK) {
    r.error = std::string("emulation stopped: ") + uc_strerror(err) + " at pc " + hex32(pc);
  } else if ((pc & ~1u) != t.exit_address) {
    r.error = "no END reached within " + std::to_string(limit) + " instructions (pc " + hex32(pc) + ")";
  } else if (r4 != t.saved_r4 || end_sp != t.stack_base + t.stack_size) {
    r.error = "END returned with r4 " + hex32(r4) + " and sp " + hex32(end_sp) + ": the stack was not balanced";
  } else {
    r.ok = true;
  }
  uc_close(uc);
  return r;
}

}  // namespace emu
