#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "compile/reset.h"
#include "core/options.h"
#include "driver/driver.h"

static const char BANNER_COPYRIGHT[] = "  Copyright 2026 the Ombrik developers\n";

int main(int argc, char **argv) {
  // A subcommand, --help or --version; any other argument keeps the
  // protocol, as it always has.
  if (ombrik::cli::wants_command_line(argc, argv)) return ombrik::cli::main(argc, argv);
  printf("\n\n\"Ombrik[%s]%s%s\"\n", OMBRIK_VERSION, " on the PC", BANNER_COPYRIGHT);
  if (argc > 1 && strcmp(argv[1], "-demo") == 0) options.DEMOmode = 1;
  fflush(stdout);
  init_compiler();
  command_loop();
}
