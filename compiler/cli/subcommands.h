// The table of subcommands. A new subcommand is one more entry in
// subcommands() (subcommands.cpp); its options, help text and dispatch all
// come from the entry.
#pragma once
#include <string>
#include <vector>

#include "cli/options.h"

namespace ombrik::cli {

struct Subcommand {
  std::string name;
  std::string operands;     // as shown in the usage line ("FILE.bas")
  std::string summary;      // one line for ombrik --help
  std::string description;  // the paragraphs of ombrik help NAME
  std::vector<OptionDef> options;
  size_t operands_min = 1;
  size_t operands_max = 1;
  // Runs the subcommand on its parsed options; returns the exit status.
  int (*run)(const ParsedOptions &options);
  // The exit statuses as help shows them; null: those of a compile.
  const char *exit_help = nullptr;
};

const std::vector<Subcommand> &subcommands();
const Subcommand *find_subcommand(const std::string &name);

// ombrik --help, and ombrik help NAME.
std::string general_help();
// "ombrik NAME OPERANDS [options]"
std::string usage_line(const Subcommand &s);
std::string subcommand_help(const Subcommand &s);
std::string version_text();
// The version alone ("9.36k"), as the banner gives it.
std::string version_number();

}  // namespace ombrik::cli
