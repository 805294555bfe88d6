// Shrinks a program while a property holds: drops statements, replaces
// compound statements by their bodies, and replaces expressions by a
// literal or by one of their operands, until no single step keeps the
// property.
#pragma once
#include <functional>

#include "program.h"

namespace difftest {

struct ReduceStats {
  int tests = 0;     // candidates tried
  int accepted = 0;  // steps kept
};

// keeps(candidate) tells whether a candidate still shows the fault. At most
// max_tests candidates are tried.
Node reduce(Node program, const std::function<bool(const Node &)> &keeps, int max_tests, ReduceStats &stats);

}  // namespace difftest
