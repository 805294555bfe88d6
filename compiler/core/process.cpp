#include "core/process.h"

#include <cstdio>
#include <cstdlib>

#include "core/hooks.h"

CoreHooks hooks;

void end_process(ExitStatus status) {
  if (hooks.end) hooks.end(status);
  fflush(stdout);
  exit(static_cast<int>(status));
}
