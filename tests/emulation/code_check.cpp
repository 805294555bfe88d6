#include "code_check.h"

#include <capstone/capstone.h>

#include <cstdio>
#include <deque>

namespace emu {

namespace {

std::string hex32(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

int32_t sign_extend(uint32_t v, int bits) {
  uint32_t m = 1u << (bits - 1);
  return static_cast<int32_t>((v ^ m) - m);
}

class ThumbChecker {
 public:
  ThumbChecker(const Target &t, const Segment &code, CodeMap &map) : t_(t), seg_(code), map_(map) {
    map_.base = code.address;
    map_.unit_bytes = 2;
    map_.units.assign(code.bytes.size() / 2, Unit::Unknown);
    cs_open(CS_ARCH_ARM, static_cast<cs_mode>(CS_MODE_THUMB | CS_MODE_MCLASS), &cs_);
  }
  ~ThumbChecker() { cs_close(&cs_); }

  void run() {
    follow(0);
    sweep_unreached();
  }

 private:
  size_t count() const { return map_.units.size(); }
  uint16_t unit(size_t i) const { return static_cast<uint16_t>(seg_.bytes[2 * i] | seg_.bytes[2 * i + 1] << 8); }
  uint32_t address(size_t i) const { return seg_.address + 2 * static_cast<uint32_t>(i); }
  void error(size_t i, const std::string &what) { map_.errors.push_back(hex32(address(i)) + ": " + what); }

  bool in_code(uint32_t a) const { return a >= seg_.address && a < seg_.end(); }
  size_t index_of(uint32_t a) const { return (a - seg_.address) / 2; }

  // Decodes the instruction at unit i; its size in units, 0 if it is not
  // an instruction the back end emits.
  int decode(size_t i, std::string &text) {
    cs_insn *insn = nullptr;
    size_t avail = (count() - i) * 2;
    size_t n = cs_disasm(cs_, seg_.bytes.data() + 2 * i, avail < 4 ? avail : 4, address(i), 1, &insn);
    if (n == 0) {
      text = "undefined instruction " + hex32(unit(i));
      return 0;
    }
    int size = insn[0].size / 2;
    unsigned id = insn[0].id;
    text = std::string(insn[0].mnemonic) + " " + insn[0].op_str;
    cs_free(insn, n);
    if (size == 2 && id != ARM_INS_BL) {
      text = "32-bit instruction other than BL: " + text;
      return 0;
    }
    if (id == ARM_INS_UDF || id == ARM_INS_SVC || id == ARM_INS_BKPT || id == ARM_INS_IT) {
      text = "instruction the back end never emits: " + text;
      return 0;
    }
    return size;
  }

  void mark_data(size_t from, uint32_t literal) {
    if (!in_code(literal) || literal + 4 > seg_.end()) {
      error(from, "literal at " + hex32(literal) + " outside the code");
      return;
    }
    size_t k = index_of(literal);
    for (size_t j = k; j < k + 2; j++) {
      if (map_.units[j] == Unit::Code || map_.units[j] == Unit::CodeTail)
        error(from, "loads a literal from code at " + hex32(address(j)));
      else if (map_.units[j] != Unit::Data) {
        map_.units[j] = Unit::Data;
      }
    }
    map_.literals++;
  }

  void branch_target(size_t from, uint32_t target, std::deque<size_t> &work) {
    if (!in_code(target)) {
      error(from, "branch to " + hex32(target) + " outside the code");
      return;
    }
    work.push_back(index_of(target));
  }

  void call_target(size_t from, uint32_t target, std::deque<size_t> &work) {
    if (in_code(target)) {
      work.push_back(index_of(target));
      return;
    }
    if (target >= t_.stub_base && (target - t_.stub_base) % 4 == 0) {
      int entry = static_cast<int>((target - t_.stub_base) / 4);
      if (entry < TABLE_WORDS && !is_layout_word(entry)) return;
    }
    error(from, "BL to " + hex32(target) + ", neither code nor a firmware entry");
  }

  void follow(size_t start) {
    std::deque<size_t> work{start};
    while (!work.empty()) {
      size_t i = work.front();
      work.pop_front();
      while (i < count()) {
        if (map_.units[i] == Unit::Code) break;  // already followed from here
        if (map_.units[i] == Unit::CodeTail) {
          error(i, "a branch lands in the middle of a BL");
          break;
        }
        if (map_.units[i] == Unit::Data) {
          error(i, "reached as code, but it is a literal");
          break;
        }
        std::string text;
        int size = decode(i, text);
        if (size == 0) {
          error(i, text);
          break;
        }
        map_.units[i] = Unit::Code;
        if (size == 2) {
          if (map_.units[i + 1] == Unit::Data) error(i, "BL overlaps a literal");
          map_.units[i + 1] = Unit::CodeTail;
        }
        map_.instructions++;
        uint16_t h = unit(i);
        uint32_t pc = address(i) + 4;
        bool falls_through = true;
        if ((h & 0xF800) == 0xE000) {  // B
          branch_target(i, pc + static_cast<uint32_t>(sign_extend(h & 0x7FF, 11) * 2), work);
          falls_through = false;
        } else if ((h & 0xF000) == 0xD000) {  // B<cond>
          branch_target(i, pc + static_cast<uint32_t>(sign_extend(h & 0xFF, 8) * 2), work);
        } else if (size == 2) {  // BL: S:I1:I2:imm10:imm11:0
          uint16_t h2 = unit(i + 1);
          uint32_t s = h >> 10 & 1, j1 = h2 >> 13 & 1, j2 = h2 >> 11 & 1;
          uint32_t i1 = !(j1 ^ s), i2 = !(j2 ^ s);
          uint32_t imm = s << 24 | i1 << 23 | i2 << 22 | (h & 0x3FFu) << 12 | (h2 & 0x7FFu) << 1;
          call_target(i, pc + static_cast<uint32_t>(sign_extend(imm, 25)), work);
        } else if ((h & 0xFF00) == 0xBD00 || h == 0x4770) {  // POP {..,pc}; BX lr
          falls_through = false;
        } else if ((h & 0xF800) == 0x4800) {  // LDR rt,[pc,#imm8*4]
          mark_data(i, (pc & ~3u) + (h & 0xFFu) * 4);
        }
        if (!falls_through) break;
        i += static_cast<size_t>(size);
      }
    }
  }

  // Units that no path reaches: alignment padding, the rest of the last
  // record, and code that only an unconditional jump or END precedes. Such
  // code is followed like reached code (its literals are marked the same
  // way) and must decode just as well.
  void sweep_unreached() {
    size_t tail = count();
    while (tail > 0 && map_.units[tail - 1] == Unit::Unknown && (unit(tail - 1) == 0 || unit(tail - 1) == 0xFFFF))
      tail--;
    int reached = map_.instructions;
    for (size_t i = 0; i < count(); i++) {
      if (map_.units[i] != Unit::Unknown) continue;
      if (i >= tail || unit(i) == 0) {
        map_.units[i] = Unit::Padding;
        continue;
      }
      follow(i);
    }
    map_.dead_instructions = map_.instructions - reached;
    map_.instructions = reached;
  }

  const Target &t_;
  const Segment &seg_;
  CodeMap &map_;
  csh cs_ = 0;
};

}  // namespace

CodeMap check_code(const Target &t, const HexImage &image) {
  CodeMap map;
  const Segment *code = image.find(t.code_start);
  if (!code || code->address != t.code_start) {
    map.errors.push_back("no code at " + hex32(t.code_start));
    return map;
  }
  if (t.isa == Isa::Thumb) {
    ThumbChecker c(t, *code, map);
    c.run();
  } else {
    map.errors.push_back("no code check for this instruction set");
  }
  return map;
}

}  // namespace emu
