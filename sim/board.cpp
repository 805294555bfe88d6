#include "sim/board.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/firmware.h"
#include "driver/hex_output.h"
#include "sim/format.h"

namespace sim {

namespace {

constexpr int TEST_TABLE_COUNT = 160;         // words 2 .. TEST_TABLE_COUNT + 2 follow
constexpr uint32_t TEST_ENTRY_BASE = 0x1000;  // entry n at TEST_ENTRY_BASE + 4n
constexpr int LAST_LAYOUT_WORD = 58;
constexpr uint32_t PAGE = 0x1000, REGION = 0x10000;

uint32_t round_up(uint32_t v, uint32_t to) { return (v + to - 1) / to * to; }

// The simulated boards of the tests: 160 table words, part 0x0040, code at
// 0x8000, flash end 0x40000 (the symbol page at it, DATAstart one page
// below), flash blocks of 0x1000 bytes, 0x4000 variable words.
std::vector<uint16_t> test_table(uint16_t version, uint32_t var_base) {
  std::vector<uint16_t> w(TEST_TABLE_COUNT + 3, 0);
  for (int n = 0; n < static_cast<int>(w.size()); n++)
    if (!is_layout_word(n)) w[n] = static_cast<uint16_t>(TEST_ENTRY_BASE + 4u * static_cast<uint32_t>(n));
  w[0] = version;
  w[1] = TEST_TABLE_COUNT;
  w[2] = 0x0040;
  w[3] = 0x3F000 / 16;
  w[4] = 0x8000 / 16;
  w[5] = 0;
  w[6] = static_cast<uint16_t>(var_base & 0xFFFF);
  w[7] = static_cast<uint16_t>(var_base >> 16);
  w[40] = 0x4000 / 4;
  w[41] = 0x40000 / 16;
  w[58] = 0x1000;
  return w;
}

struct Area {
  const char *what;
  uint32_t base, size;
};

bool overlap(const Area &a, const Area &b) {
  return a.size != 0 && b.size != 0 && a.base < b.base + b.size && b.base < a.base + a.size;
}

}  // namespace

bool is_layout_word(int n) { return n <= 7 || n == 40 || n == 41 || n == 58; }

int Board::entry_at(uint32_t address) const {
  auto it = entries.find(address);
  return it == entries.end() ? -1 : it->second;
}

const char *Board::hex_key() const { return scrambled ? hideCode : nullptr; }

uint32_t Board::entry_address(int n) const {
  if (n < 0 || n >= static_cast<int>(table.size()) || is_layout_word(n) || table[n] == 0) return 0;
  return table[n] & (arm() ? ~3u : ~1u);
}

// Version 2101: no scrambling, extended linear address records.
std::vector<uint16_t> cortex_board_table() { return test_table(2101, 0x10000100); }

// Version 1950: ARM code, no scrambling (above 1908), 02 block markers. The
// code adds word 6 to 0x40000000 for the variable base.
std::vector<uint16_t> arm7_board_table() { return test_table(1950, 0x40000100); }

std::vector<uint16_t> board_table(const std::string &name) {
  if (name == "cortex" || name == "thumb") return cortex_board_table();
  if (name == "arm7" || name == "arm") return arm7_board_table();
  return {};
}

std::string table_download_text(const std::vector<uint16_t> &table) {
  std::string s = "?\n";
  char buf[8];
  for (uint16_t w : table) {
    snprintf(buf, sizeof buf, "%04X\n", w);
    s += buf;
  }
  return s;
}

namespace {

// The compiler's own facts about a table: its firmware table and facts are
// set to the table's while they are worked out, and put back afterwards.
class TableFacts {
 public:
  explicit TableFacts(const std::vector<uint16_t> &table) : saved_facts_(firmware) {
    memcpy(saved_table_, f_table, sizeof f_table);
    memset(f_table, 0, sizeof f_table);
    memcpy(f_table, table.data(), std::min(table.size(), static_cast<size_t>(F_TABLE_WORDS)) * sizeof(uint16_t));
    firmware = FirmwareFacts{};
    layout_from_table();
    compute_firmware_facts();
    facts = firmware;
    variable_words = table_variable_words();
  }
  ~TableFacts() {
    memcpy(f_table, saved_table_, sizeof f_table);
    firmware = saved_facts_;
  }
  FirmwareFacts facts;
  int32_t variable_words = 0;

 private:
  uint16_t saved_table_[F_TABLE_WORDS];
  FirmwareFacts saved_facts_;
};

}  // namespace

bool make_board(const std::vector<uint16_t> &table, Board &b, std::string &error) {
  b = Board{};
  if (table.size() < 2 || table.size() < static_cast<size_t>(table[1]) + 3 || table[1] < LAST_LAYOUT_WORD - 2 ||
      table.size() > F_TABLE_WORDS) {
    error = "the firmware table has " + std::to_string(table.size()) +
            " words; a simulated board needs a full table (a count of 95 to 160 and its words)";
    return false;
  }
  TableFacts t(table);
  if (t.facts.kind == TargetKind::OldArm || !t.facts.supported) {
    error = "firmware version " + std::to_string(table[0]) +
            " calls and returns through firmware routines the simulator does not have; it runs firmware "
            "from 1824 on";
    return false;
  }
  b.table = table;
  b.version = table[0];
  b.isa = t.facts.kind == TargetKind::Thumb ? Isa::Thumb : Isa::Arm;
  b.name = b.arm() ? "arm7" : "cortex";
  b.part = table[2];
  b.data_start = static_cast<uint32_t>(t.facts.DATAstart);
  b.code_start = static_cast<uint32_t>(t.facts.codeStart);
  b.hex_upper_offset = table[5];
  b.scrambled = t.facts.scrambled;
  b.var_base = t.facts.variable_base;
  b.var_words = static_cast<uint32_t>(t.variable_words != 0 ? t.variable_words : FirmwareFacts{}.varSpace);
  b.flash_end = t.facts.string_area_top;
  b.block_size = table[58];

  const size_t words = static_cast<size_t>(table[1]) + 3;
  for (size_t n = 0; n < words; n++) {
    uint32_t a = b.entry_address(static_cast<int>(n));
    if (a != 0) b.entries.emplace(a, static_cast<int>(n));
  }
  if (b.entries.empty()) {
    error = "the firmware table gives no routine addresses";
    return false;
  }
  uint32_t top_entry = b.entries.rbegin()->first + 4;
  if (b.code_start < top_entry) {
    error = "the firmware table puts the code start " + hex32(b.code_start) + " below firmware entry " +
            std::to_string(b.entries.rbegin()->second) + " at " + hex32(b.entries.rbegin()->first);
    return false;
  }

  // Flash holds the code, the constant strings below flash_end and the
  // symbol page at it.
  b.flash_size = round_up(std::max({b.flash_end + PAGE, b.code_start + PAGE, top_entry}), REGION);
  b.ram_base = b.var_base & ~(REGION - 1);
  b.ram_size = round_up(b.string_accumulator() + PAGE - b.ram_base, PAGE);
  b.stack_size = REGION;
  // The register-machine registers: accumulator, operand, index, next,
  // string scratch, variable base.
  struct Roles {
    int accum, operand, lindex, next, strscratch, varbase;
  };
  constexpr Roles thumb_roles{UC_ARM_REG_R7, UC_ARM_REG_R6, UC_ARM_REG_R4,
                              UC_ARM_REG_R9, UC_ARM_REG_R11, UC_ARM_REG_R5};
  constexpr Roles arm_roles{UC_ARM_REG_R7, UC_ARM_REG_R6, UC_ARM_REG_R8, UC_ARM_REG_R9, UC_ARM_REG_R5, UC_ARM_REG_R11};
  const Roles &roles = b.arm() ? arm_roles : thumb_roles;
  b.accum = roles.accum;
  b.operand = roles.operand;
  b.lindex = roles.lindex;
  b.next = roles.next;
  b.strscratch = roles.strscratch;
  b.varbase = roles.varbase;
  if (b.arm()) {
    b.gpio_base = 0x3FFFC000;
    b.gpio_ports = 2;
    b.timer_base = 0xE0004000;
    b.cycles_per_ms = 60000;
    // Apart from the variables, so that a stack running over its end
    // faults instead of writing into them.
    b.stack_base = b.ram_base + 0x30000;
  } else {
    b.gpio_base = 0x2009C000;
    b.gpio_ports = 6;
    b.cycles_per_ms = 100000;
    b.stack_base = 0x20000000;
  }
  Area flash{"the flash", 0, b.flash_size}, ram{"the variables", b.ram_base, b.ram_size},
      gpio{"the GPIO ports", b.gpio_base, PAGE}, timer{"the timer", b.timer_base, b.timer_base ? PAGE : 0};
  auto stack_at = [&](uint32_t base) { return Area{"the stack", base, b.stack_size}; };
  for (const Area &fixed : {flash, gpio, timer})
    if (overlap(ram, fixed)) {
      error = "the firmware table puts the variables at " + hex32(b.var_base) + " inside " + fixed.what;
      return false;
    }
  // The preferred stack place, else a gap's width above the variables.
  if (overlap(stack_at(b.stack_base), flash) || overlap(stack_at(b.stack_base), ram) ||
      overlap(stack_at(b.stack_base), gpio) || overlap(stack_at(b.stack_base), timer))
    b.stack_base = round_up(b.ram_base + b.ram_size, REGION) + REGION;
  if (b.arm()) {
    b.irq_stack_size = 0x4000;
    b.irq_stack_base = b.stack_base + b.stack_size + REGION;
  }

  // END's return address and the return of a called interrupt handler: an
  // unused slot below the code, outside every firmware entry.
  for (uint32_t slot = std::min<uint32_t>(0x0F00, b.code_start - 16);; slot -= 16) {
    auto hit = b.entries.lower_bound(slot);
    if (hit == b.entries.end() || hit->first >= slot + 16) {
      b.exit_address = slot;
      b.handler_return = slot + 8;
      break;
    }
    if (slot < 16) {
      error = "no room below the code start " + hex32(b.code_start) + " for the simulator's return addresses";
      return false;
    }
  }
  return true;
}

}  // namespace sim
