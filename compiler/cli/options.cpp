#include "cli/options.h"

#include <getopt.h>

#include <algorithm>

namespace ombrik::cli {

std::string ParsedOptions::value(const std::string &name, const std::string &fallback) const {
  auto it = values.find(name);
  return it == values.end() || it->second.empty() ? fallback : it->second.back();
}

const std::vector<std::string> &ParsedOptions::all(const std::string &name) const {
  static const std::vector<std::string> none;
  auto it = values.find(name);
  return it == values.end() ? none : it->second;
}

namespace {

std::string display_name(const OptionDef &s) {
  return s.short_name ? std::string("-") + s.short_name : "--" + s.long_name;
}

}  // namespace

bool parse_options(const std::vector<OptionDef> &defs, const std::vector<std::string> &args, ParsedOptions &out,
                   std::string &error) {
  // getopt_long works on a mutable argv; "-" first hands back operands in
  // order (whatever POSIXLY_CORRECT says) and ":" reports a missing argument.
  std::string shorts = "-:";
  std::vector<option> longs;
  for (size_t i = 0; i < defs.size(); i++) {
    const OptionDef &s = defs[i];
    int has_arg = s.argument.empty() ? no_argument : required_argument;
    longs.push_back({s.long_name.c_str(), has_arg, nullptr, 256 + static_cast<int>(i)});
    if (s.short_name) {
      shorts += s.short_name;
      if (has_arg == required_argument) shorts += ':';
    }
  }
  longs.push_back({nullptr, 0, nullptr, 0});

  std::vector<std::string> words;
  words.push_back("ombrik");
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(words.size());

  opterr = 0;
  optind = 0;  // a full reset, so that the parser can run more than once
  out = {};
  for (;;) {
    int long_index = -1;
    int c = getopt_long(argc, argv.data(), shorts.c_str(), longs.data(), &long_index);
    if (c == -1) break;
    if (c == 1) {
      out.operands.push_back(optarg);
      continue;
    }
    if (c == '?' || c == ':') {
      // optopt names a short option; for a long one the word itself is the
      // one before optind.
      std::string word = optopt > 0 && optopt < 256 ? std::string("-") + static_cast<char>(optopt) : argv[optind - 1];
      if (optopt >= 256) word = "--" + defs[static_cast<size_t>(optopt - 256)].long_name;
      word = word.substr(0, word.find('='));
      if (c == '?' && optopt >= 256)
        error = "option '" + word + "' takes no argument";
      else if (c == '?')
        error = "unknown option '" + word + "'";
      else
        error = "option '" + word + "' needs an argument";
      return false;
    }
    const OptionDef *def = nullptr;
    if (c >= 256) {
      def = &defs[static_cast<size_t>(c - 256)];
    } else {
      for (const OptionDef &s : defs)
        if (s.short_name == c) def = &s;
    }
    std::vector<std::string> &values = out.values[def->long_name];
    if (!values.empty() && !def->repeatable) {
      error = "option '" + display_name(*def) + "' given more than once";
      return false;
    }
    values.push_back(def->argument.empty() ? "" : optarg);
  }
  for (int i = optind; i < argc; i++) out.operands.push_back(argv[i]);
  return true;
}

std::string options_help(const std::vector<OptionDef> &defs) {
  std::vector<std::string> forms;
  size_t width = 0;
  for (const OptionDef &s : defs) {
    std::string form = s.short_name ? std::string("-") + s.short_name + ", " : "    ";
    form += "--" + s.long_name;
    if (!s.argument.empty()) form += "=" + s.argument;
    width = std::max(width, form.size());
    forms.push_back(form);
  }
  std::string out;
  for (size_t i = 0; i < defs.size(); i++) {
    out += "  " + forms[i] + std::string(width - forms[i].size() + 2, ' ');
    // Continuation lines of a long help text line up under its start.
    std::string indent(2 + width + 2, ' ');
    std::string help = defs[i].help;
    size_t pos;
    while ((pos = help.find('\n')) != std::string::npos) {
      out += help.substr(0, pos) + "\n" + indent;
      help = help.substr(pos + 1);
    }
    out += help + "\n";
  }
  return out;
}

}  // namespace ombrik::cli
