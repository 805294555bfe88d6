#include "cli/cli.h"

#include <cstdio>
#include <string>

#include "cli/compile_options.h"
#include "cli/subcommands.h"

namespace ombrik::cli {

namespace {

bool asks_for_help(const std::string &a) { return a == "--help" || a == "-h"; }

int print(const std::string &text) {
  fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace

bool wants_command_line(int argc, char **argv) {
  if (argc < 2) return false;
  std::string first = argv[1];
  return find_subcommand(first) || first == "help" || asks_for_help(first) || first == "--version";
}

int main(int argc, char **argv) {
  std::string first = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (asks_for_help(first)) return print(general_help());
  if (first == "--version") return print(version_text());
  if (first == "help") {
    if (args.empty()) return print(general_help());
    if (args.size() > 1) return usage_error("help takes one subcommand name");
    const Subcommand *s = find_subcommand(args[0]);
    if (!s) return usage_error("no subcommand '" + args[0] + "'");
    return print(subcommand_help(*s));
  }
  const Subcommand &s = *find_subcommand(first);
  ParsedOptions options;
  std::string error;
  if (!parse_options(s.options, args, options, error)) return usage_error(error);
  if (options.has("help")) return print(subcommand_help(s));
  if (options.operands.size() < s.operands_min || options.operands.size() > s.operands_max)
    return usage_error(s.name + " takes " + (s.operands.empty() ? "no operands" : s.operands) + ": " + usage_line(s));
  return s.run(options);
}

}  // namespace ombrik::cli
