// Control-flow statements and the inline IF.
#pragma once

int do_ternary_if();

#include <cstdint>

int simple_statement(int32_t exitHandle);
int do_one_line_if(int32_t exitHandle);
int do_elseif(int32_t exitHandle);
int do_case(int32_t exitHandle);
int32_t do_sub_case(int32_t handle);
int do_gotosubjz(uint16_t knownOp, uint16_t forwardOp);
int do_cmd_return();
int do_cmd_end();
bool next_token_seperator(uint16_t t);
