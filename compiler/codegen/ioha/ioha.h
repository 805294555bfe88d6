// The IOHA back end: the I/O-handler coprocessor in its IOHA form inside
// __IOHA__ sections (inside_ezh = 1). It shares the IOHB back end's
// translation; its constants are built inline, never in a pool.
#pragma once
#include <cstdint>

// Register codes of the constant loader.
constexpr uint8_t IOHA_ACCUM = 0x80, IOHA_OPERAND = 0x40;

void add_IOHA_op(uint16_t op, int32_t operand);
// Loads value into the register selected by reg (IOHA_ACCUM or
// IOHA_OPERAND); any other code emits nothing.
void IOHAconstant(uint8_t reg, int32_t value);
