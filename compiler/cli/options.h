// Command-line options of the subcommands, declared as data so that each
// subcommand's parser and help text come from the same list.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace ombrik::cli {

struct OptionDef {
  std::string long_name;  // without the leading "--"
  char short_name = 0;    // 0 when there is no one-letter form
  std::string argument;   // shown in help ("TABLE"); empty for a flag
  std::string help;
  bool repeatable = false;  // given more than once, every value counts
};

struct ParsedOptions {
  std::vector<std::string> operands;
  // By long name, in command-line order; a flag has one empty value per use.
  std::map<std::string, std::vector<std::string>> values;

  bool has(const std::string &name) const { return values.count(name) != 0; }
  // The value of an option given once, or fallback.
  std::string value(const std::string &name, const std::string &fallback = "") const;
  const std::vector<std::string> &all(const std::string &name) const;
};

// Parses args (the words after the subcommand's name): options before,
// between and after the operands, "--" ending them, "-tTABLE", "-t TABLE",
// "--table=TABLE" and "--table TABLE". Returns false with a message for an
// unknown option, a missing argument, or a second use of an option that is
// not repeatable.
bool parse_options(const std::vector<OptionDef> &defs, const std::vector<std::string> &args, ParsedOptions &out,
                   std::string &error);

// The options' lines of a help text, aligned.
std::string options_help(const std::vector<OptionDef> &defs);

}  // namespace ombrik::cli
