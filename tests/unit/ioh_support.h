// Helpers of the I/O-handler back ends' tests: a target with a known RAM
// base, units as the image holds them, and the messages an action reported.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codegen_support.h"

using Units = std::vector<int32_t>;
using Messages = std::vector<std::string>;

// Variable word 0 at 0x400, so that small variable addresses fit the
// register-immediate form.
constexpr uint32_t SMALL_RAM_BASE = 0x400;

// A fresh Thumb-class target with the full firmware table (RAM base
// TEST_VARIABLE_BASE), inside an I/O-handler section of the given kind
// (1 IOHA, 2 IOHB), outside any routine definition.
void fresh_handler(uint8_t kind);
// Puts variable word 0 at SMALL_RAM_BASE.
void small_ram_base();

// Units from..to-1 as 16-bit halfwords, the way the image holds them.
Units halfwords(uint32_t from, uint32_t to);
// Emits one operation; returns its units as halfwords and, in *reported,
// the messages it printed.
Units emitted16(uint16_t op, int32_t operand, Messages *reported);
// Messages printed by print_error_ln while action ran, in order.
Messages messages_of(const std::function<void()> &action);
// A 32-bit word as its two halfwords, low first.
Units word_units(uint32_t w);
Units concat(std::initializer_list<Units> parts);
