// The counting mode of a build configured with OMBRIK_OP_COUNTS (never the
// product's): how often each handler of the dense form runs, and each pair
// and triple of handlers that follow one another without a jump. The
// interpreter reports every entry it runs; at the end of a run the counts
// go to standard error, for bench/opcount.sh to choose superinstructions
// from. Such a build translates without superinstructions.
#pragma once
#include <cstdint>

void count_entry(uint32_t entry);
// Prints the counts of the run and clears them.
void report_counts();
