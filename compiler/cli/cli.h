// The command line of ombrik: subcommands that compile files. Reached only
// when the first argument names one (or asks for help or the version);
// everything else keeps the standard-input protocol.
#pragma once

namespace ombrik::cli {

// True when argv asks for the command line rather than the protocol.
bool wants_command_line(int argc, char **argv);

// Runs the command line; returns the exit status.
int main(int argc, char **argv);

}  // namespace ombrik::cli
