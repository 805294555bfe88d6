// Operations without an operand still carry one into the host stream: the
// compilers pass a small number that tells, in a recorded stream, which
// construct emitted the operation. No code depends on it. 0 is no tag.
#pragma once
#include <cstdint>

namespace tag {}  // namespace tag
