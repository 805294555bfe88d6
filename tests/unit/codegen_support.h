// Helpers of the code generator's tests: a known target, the units an
// operation appends, and captured standard output.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codegen/emit.h"
#include "codegen/links.h"
#include "codegen/literal_pool.h"
#include "codegen/operations.h"
#include "compile/expression.h"
#include "compile/reset.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"

// Code starts at 0x3000 in these tests.
constexpr int32_t TEST_CODE_START = 0x3000;

// Thumb-class firmware with the short built-in table layout (every
// firmware entry reads as 1) and an empty program.
void fresh_target(uint16_t version = 2054, uint16_t format = 4);

// A full firmware table (format 95) in which entry n holds the odd Thumb
// address 0x101 + 4n, so that a call shows which entry it used. Words 6
// and 7 put variable word 0 at 0x10000040.
void full_firmware_table();
constexpr int32_t entry_address(int n) { return 0x101 + 4 * n; }
constexpr uint32_t TEST_VARIABLE_BASE = 0x10000040;

std::vector<int32_t> units(uint32_t from, uint32_t to);
// Emits one operation and returns the units it appended.
std::vector<int32_t> emitted(uint16_t op, int32_t operand = 0);

// BL pair at unit p to code unit x, by the rule: offset in halfwords from
// the pair's address plus 4, split into 11-bit halves.
std::vector<int32_t> bl_pair_to_unit(int64_t p, int64_t x);

std::string capture_stdout(const std::function<void()> &action);
