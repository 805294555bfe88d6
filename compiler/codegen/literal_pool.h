// The literal pool: 32-bit constants that Thumb and I/O-handler code load
// from a table placed behind the code.
#pragma once
#include <cstdint>

constexpr int32_t POOL_SIZE = 128;

extern int32_t patchconst[POOL_SIZE];
extern int32_t patchaddr[POOL_SIZE];
extern int32_t dupConst[POOL_SIZE];

struct PoolState {
  // Pending constants.
  int32_t nextConst = 0;
  // Where the last placed pool ends (fCODE after it); code before this
  // position may be loaded from and must stay.
  uint32_t pool_placed_end = 0;
};
extern PoolState pool;

// Records a load at unit fCODE of value; the back end flushes a full pool
// before it asks.
void add_pool_constant(int32_t value);
int32_t look4duplicateConst(int32_t i);
void compileConstants();

void reset_literal_pool();
