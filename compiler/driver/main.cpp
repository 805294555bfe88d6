#include <cstdio>
#include <cstring>

#include "compile/reset.h"
#include "compile/statement.h"
#include "core/options.h"
#include "driver/driver.h"

static const char BANNER_NAME[] = "Ombrik[9.36k]";
static const char BANNER_COPYRIGHT[] = "  Copyright 2026 the Ombrik developers\n";

int main(int argc, char **argv) {
  printf("\n\n\"%s%s%s\"\n", BANNER_NAME, " on the PC", BANNER_COPYRIGHT);
  if (argc > 1 && strcmp(argv[1], "-demo") == 0) options.DEMOmode = 1;
  fflush(stdout);
  init_compiler();
  for (;;) {
    driver.last_compile_ok = compile(0) ? 1 : 0;
    if (all_compilers()) continue;
    pc_commands();
  }
}
