#include "core/process.h"

#include <cstdio>
#include <cstdlib>

void end_process(ExitStatus status) {
  fflush(stdout);
  exit(static_cast<int>(status));
}
