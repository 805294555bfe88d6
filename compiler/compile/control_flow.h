// The statements that fit on one line and may follow THEN: jumps and calls
// (GOTO, GOSUB, RETURN, END, EXIT), PRINT and PRINTF, the built-in
// procedures and assignments.
#pragma once
#include <cstdint>

int simple_statement(int32_t exitHandle);
int do_gotosubjz(uint16_t knownOp, uint16_t forwardOp);
int do_cmd_return();
int do_cmd_end();
// The tokens that end a PRINT item or a one-line statement.
bool next_token_seperator(uint16_t t);
