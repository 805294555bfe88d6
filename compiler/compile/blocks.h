// The block statements, each construct in a file of its own: IF
// (if_statement.cpp), SELECT CASE (select_statement.cpp) and the loops
// (loops.cpp). Each is called on the line that opens it and compiles its
// body with compile_body; exitHandle is the label EXIT jumps to.
#pragma once
#include <cstdint>

#include "compile/statement.h"

LineResult compile_if(int32_t exitHandle);
LineResult compile_select(int32_t exitHandle);
// WHILE and DO WHILE.
LineResult compile_while(int32_t exitHandle);
LineResult compile_do();
LineResult compile_for();

// IF(condition, a, b) as an operand; the cursor ends on the closing ")".
int do_ternary_if();
