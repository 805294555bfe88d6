// The sim subcommand: the simulator library (sim/) on the command line,
// compiling a source file in-process first.
#pragma once
#include <string>
#include <vector>

#include "cli/options.h"

namespace ombrik::cli {

// The options of sim: those of the compile and the simulator's own.
std::vector<OptionDef> sim_options();
// What `ombrik help sim` says beside the options.
std::string sim_description();
int run_sim(const ParsedOptions &options);

}  // namespace ombrik::cli
