#include "sim/code_check.h"

#include <capstone/capstone.h>

#include <cstdio>
#include <deque>

#include "sim/format.h"

namespace sim {

namespace {

constexpr uint16_t THUMB_WFI = 0xBF30;
// SLEEP on ARM code: the word the firmware takes as wait for interrupt.
constexpr uint32_t ARM_SLEEP = 0xE3200003;

int32_t sign_extend(uint32_t v, int bits) {
  uint32_t m = 1u << (bits - 1);
  return static_cast<int32_t>((v ^ m) - m);
}

// Units that no path reaches: alignment padding, the erased or zero rest of
// the last record, and code that only an unconditional jump or END
// precedes. Such code is followed like reached code (its literals are marked
// the same way) and must decode just as well; it is counted apart.
template <typename Value, typename Follow>
void sweep_unreached_units(CodeMap &map, Value value, uint32_t erased, Follow follow) {
  size_t count = map.units.size();
  size_t tail = count;
  while (tail > 0 && map.units[tail - 1] == Unit::Unknown && (value(tail - 1) == 0 || value(tail - 1) == erased))
    tail--;
  int reached = map.instructions;
  for (size_t i = 0; i < count; i++) {
    if (map.units[i] != Unit::Unknown) continue;
    if (i >= tail || value(i) == 0) {
      map.units[i] = Unit::Padding;
      continue;
    }
    follow(i);
  }
  map.dead_instructions = map.instructions - reached;
  map.instructions = reached;
}

// What both checkers share: the code cut into units, the map they fill,
// and the disassembler.
class CodeWalker {
 protected:
  CodeWalker(const Board &t, const Segment &code, CodeMap &map, uint32_t unit_bytes, cs_mode mode)
      : t_(t), seg_(code), map_(map) {
    map_.base = code.address;
    map_.unit_bytes = unit_bytes;
    map_.units.assign(code.bytes.size() / unit_bytes, Unit::Unknown);
    cs_open(CS_ARCH_ARM, mode, &cs_);
  }
  ~CodeWalker() { cs_close(&cs_); }

  size_t count() const { return map_.units.size(); }
  uint32_t address(size_t i) const { return seg_.address + map_.unit_bytes * static_cast<uint32_t>(i); }
  void error(size_t i, const std::string &what) { map_.errors.push_back(hex32(address(i)) + ": " + what); }
  bool in_code(uint32_t a) const { return a >= seg_.address && a < address(count()); }
  size_t index_of(uint32_t a) const { return (a - seg_.address) / map_.unit_bytes; }

  // Follows the code from unit start and every branch target it queues:
  // step decodes and marks unit i, queues the targets of its branches and
  // returns the unit execution goes on with, count() when it does not fall
  // through. data_kind names what the checker marks as data.
  template <typename Step>
  void walk(size_t start, const char *data_kind, Step step) {
    std::deque<size_t> work{start};
    while (!work.empty()) {
      size_t i = work.front();
      work.pop_front();
      while (i < count()) {
        if (is_code(map_.units[i])) break;  // already followed from here
        if (map_.units[i] == Unit::Data) {
          error(i, std::string("reached as code, but it is a ") + data_kind);
          break;
        }
        i = step(i, work);
      }
    }
  }

  void branch_target(size_t from, uint32_t target, std::deque<size_t> &work) {
    if (!in_code(target)) {
      error(from, "branch to " + hex32(target) + " outside the code");
      return;
    }
    work.push_back(index_of(target));
  }

  const Board &t_;
  const Segment &seg_;
  CodeMap &map_;
  csh cs_ = 0;
};

class ThumbChecker : CodeWalker {
 public:
  ThumbChecker(const Board &t, const Segment &code, CodeMap &map)
      : CodeWalker(t, code, map, 2, static_cast<cs_mode>(CS_MODE_THUMB | CS_MODE_MCLASS)) {}

  void run() {
    follow(0);
    sweep_unreached();
  }

 private:
  uint16_t unit(size_t i) const { return static_cast<uint16_t>(seg_.bytes[2 * i] | seg_.bytes[2 * i + 1] << 8); }

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
      if (is_code(map_.units[j]) || map_.units[j] == Unit::CodeTail)
        error(from, "loads a literal from code at " + hex32(address(j)));
      else if (map_.units[j] != Unit::Data) {
        map_.units[j] = Unit::Data;
      }
    }
    map_.literals++;
  }

  void call_target(size_t from, uint32_t target, std::deque<size_t> &work) {
    if (in_code(target)) {
      work.push_back(index_of(target));
      return;
    }
    if (t_.entry_at(target) >= 0) return;
    error(from, "BL to " + hex32(target) + ", neither code nor a firmware entry");
  }

  void follow(size_t start) {
    walk(start, "literal", [this](size_t i, std::deque<size_t> &work) {
      if (map_.units[i] == Unit::CodeTail) {
        error(i, "a branch lands in the middle of a BL");
        return count();
      }
      std::string text;
      int size = decode(i, text);
      if (size == 0) {
        error(i, text);
        return count();
      }
      map_.units[i] = unit(i) == THUMB_WFI ? Unit::Sleep : Unit::Code;
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
      return falls_through ? i + static_cast<size_t>(size) : count();
    });
  }

  void sweep_unreached() {
    sweep_unreached_units(map_, [this](size_t i) -> uint32_t { return unit(i); }, 0xFFFF,
                          [this](size_t i) { follow(i); });
  }
};

// ARM code: one unit per 32-bit word. Beside branches and calls it knows
// the firmware loaders, whose BL is followed by a data word that the routine
// reads and returns behind; that word is data, never code.
class ArmChecker : CodeWalker {
 public:
  ArmChecker(const Board &t, const Segment &code, CodeMap &map) : CodeWalker(t, code, map, 4, CS_MODE_ARM) {}

  void run() {
    follow(0);
    sweep_unreached();
  }

 private:
  // Firmware entries whose call is followed by a data word: the loaders of
  // constants and far variables, and the call through an address word of
  // old firmware (whose word is a code address).
  static bool has_data_word(int entry) {
    return entry == 89 || entry == 91 || entry == 92 || entry == 93 || entry == 94 || entry == 97;
  }
  static constexpr int CALL_BY_ADDRESS = 89, OLD_RETURN = 96;

  uint32_t word(size_t i) const {
    const uint8_t *b = seg_.bytes.data() + 4 * i;
    return static_cast<uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
  }

  // Decodes the word at unit i; false, with the reason in text, if it is
  // not an ARM instruction the back end emits.
  bool decode(size_t i, std::string &text) {
    if (word(i) == ARM_SLEEP) return true;  // no ARMv4T instruction: the board's own
    cs_insn *insn = nullptr;
    size_t n = cs_disasm(cs_, seg_.bytes.data() + 4 * i, 4, address(i), 1, &insn);
    if (n == 0) {
      text = "undefined instruction " + hex32(word(i));
      return false;
    }
    unsigned id = insn[0].id;
    text = std::string(insn[0].mnemonic) + " " + insn[0].op_str;
    cs_free(insn, n);
    uint32_t w = word(i);
    if ((w >> 28) == 0xF) {
      text = "instruction of the unconditional space (" + text + "), which an ARMv4T core lacks";
      return false;
    }
    if (id == ARM_INS_UDF || id == ARM_INS_SVC || id == ARM_INS_BKPT || id == ARM_INS_BLX) {
      text = "instruction the back end never emits: " + text;
      return false;
    }
    return true;
  }

  void mark_data(size_t from, uint32_t a, const char *what) {
    if (!in_code(a) || a % 4 != 0) {
      error(from, std::string(what) + " at " + hex32(a) + " outside the code");
      return;
    }
    size_t k = index_of(a);
    if (is_code(map_.units[k]))
      error(from, std::string(what) + " at " + hex32(a) + " is code");
    else if (map_.units[k] != Unit::Data) {
      map_.units[k] = Unit::Data;
      map_.literals++;
    }
  }

  void follow(size_t start) {
    walk(start, "data word", [this](size_t i, std::deque<size_t> &work) {
      std::string text;
      if (!decode(i, text)) {
        error(i, text);
        return count();
      }
      uint32_t w = word(i);
      map_.units[i] = w == ARM_SLEEP ? Unit::Sleep : Unit::Code;
      map_.instructions++;
      uint32_t pc = address(i) + 8;
      bool always = (w >> 28) == 0xE;
      bool falls_through = true;
      size_t next = i + 1;
      if ((w & 0x0F000000) == 0x0A000000) {  // B<cond>
        branch_target(i, pc + static_cast<uint32_t>(sign_extend(w & 0xFFFFFF, 24) * 4), work);
        falls_through = !always;
      } else if ((w & 0x0F000000) == 0x0B000000) {  // BL<cond>
        uint32_t target = pc + static_cast<uint32_t>(sign_extend(w & 0xFFFFFF, 24) * 4);
        int entry = t_.entry_at(target);
        if (in_code(target)) {
          work.push_back(index_of(target));
        } else if (entry < 0) {
          error(i, "BL to " + hex32(target) + ", neither code nor a firmware entry");
        } else if (has_data_word(entry)) {
          if (!always) error(i, "conditional call of a routine with a data word");
          if (i + 1 >= count()) {
            error(i, "no data word behind the call of firmware entry " + std::to_string(entry));
            return count();
          }
          mark_data(i, address(i + 1), "data word");
          if (entry == CALL_BY_ADDRESS) branch_target(i, word(i + 1), work);
          next = i + 2;
        } else if (entry == OLD_RETURN && always) {
          falls_through = false;
        }
      } else if ((w & 0x0FFFFFF0) == 0x012FFF10) {  // BX<cond> rm
        // BX lr returns; BX r7 (behind MOV lr,pc) calls and comes back.
        if ((w & 0xF) == 14 && always) falls_through = false;
      } else if ((w & 0x0E108000) == 0x08108000) {  // LDM<cond> with pc in the list
        falls_through = !always;
      } else if ((w & 0x0F7F0000) == 0x051F0000) {  // LDR rt,[pc,#+-imm12]
        uint32_t offset = w & 0xFFF;
        mark_data(i, (w & 0x00800000) ? pc + offset : pc - offset, "literal");
      } else if ((w & 0x0C00F000) == 0x0000F000 || (w & 0x0C10F000) == 0x0410F000) {
        // A data-processing result or a load into pc: a jump the code
        // check cannot follow and the back end does not make.
        error(i, "writes pc: " + text);
        return count();
      }
      return falls_through ? next : count();
    });
  }

  void sweep_unreached() {
    sweep_unreached_units(map_, [this](size_t i) { return word(i); }, 0xFFFFFFFF, [this](size_t i) { follow(i); });
  }
};

}  // namespace

CodeMap check_code(const Board &t, const Image &image) {
  CodeMap map;
  const Segment *code = image.find(t.code_start);
  if (!code || code->address != t.code_start) {
    map.errors.push_back("no code at " + hex32(t.code_start));
    return map;
  }
  if (!t.arm()) {
    ThumbChecker c(t, *code, map);
    c.run();
  } else {
    ArmChecker c(t, *code, map);
    c.run();
  }
  return map;
}

}  // namespace sim
