// The statement compiler: compiles lines until one it does not handle.
#pragma once
#include <cstdint>

constexpr int32_t BASIC_CONST_SIZE = 131072;

// Staging area of one constant table while it is read, and its fill count.
extern uint8_t BASIC_const[BASIC_CONST_SIZE];
extern int32_t BC_index;

int compile(int32_t exitHandle);

// Bounds the nesting of blocks (and of ELSEIF and CASE chains), which
// recurse on the machine stack. enter_nesting reports "Nesting too deep"
// and returns false past the limit; each successful enter is matched by
// leave_nesting.
bool enter_nesting();
void leave_nesting();

struct NestingGuard {
  bool ok;
  NestingGuard() : ok(enter_nesting()) {}
  ~NestingGuard() {
    if (ok) leave_nesting();
  }
};

// The body of a block, compiled by a nested call. A CLEAR inside it reset
// the compiler: the construct that opened the block then has nothing left
// to finish, and gives way as after an error (0).
int compile_body(int32_t exitHandle);
