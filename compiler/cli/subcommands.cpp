#include "cli/subcommands.h"

#include <cstdio>

#include "cli/build_images.h"
#include "cli/compile_options.h"
#include "cli/exit_status.h"
#include "cli/output_files.h"
#include "cli/sim_subcommand.h"
#include "driver/driver.h"
#include "lsp/lsp_main.h"

namespace ombrik::cli {

namespace {

// build: the image (the board's HEX as FILE.hex, or another format) and
// the summary and map as FILE.map, with --listing the listing too, all
// written together or not at all.
int run_build(const ParsedOptions &options) {
  CompileInputs inputs;
  if (int s = read_compile_inputs(options, inputs)) return s;
  ImagePlan plan;
  std::string error;
  if (!plan_images(options, inputs.source_path, plan, error)) return usage_error(error);
  // The other formats are made from the records of the board's HEX.
  image::ImageCapture capture;
  int status;
  CompileResult result = compile_and_report(inputs, CompileAction::Build, status);
  if (status != EXIT_OK) {
    if (plan.format != ImageFormat::BoardHex)
      fprintf(stderr, "ombrik: error: no %s written: the program did not compile\n",
              format_name(plan.format).c_str());
    return status;
  }
  std::vector<OutputFile> outputs;
  std::string note;
  if (!image_outputs(plan, inputs, result, capture, outputs, note, error) || !write_outputs(outputs, error)) {
    fprintf(stderr, "ombrik: error: %s\n", error.c_str());
    return EXIT_OUTPUT_FAILED;
  }
  std::string summary = display_lines(result.text) + note;
  fwrite(summary.data(), 1, summary.size(), stdout);
  return EXIT_OK;
}

// run and check: everything they give is on the output streams.
int compile_with(const ParsedOptions &options, CompileAction action) {
  CompileInputs inputs;
  if (int s = read_compile_inputs(options, inputs)) return s;
  int status;
  compile_and_report(inputs, action, status);
  return status;
}

int run_run(const ParsedOptions &options) { return compile_with(options, CompileAction::Run); }
int run_lsp(const ParsedOptions &) { return lsp::run_language_server(); }
int run_check(const ParsedOptions &options) { return compile_with(options, CompileAction::Check); }

std::vector<OptionDef> build_options() {
  std::vector<OptionDef> options = compile_options();
  options.insert(options.begin() + 1, {"output", 'o', "OUT",
                                       "write the image to OUT (default FILE.hex beside the source)\n"
                                       "and the map beside it as OUT with .map"});
  std::vector<OptionDef> images = image_options();
  options.insert(options.begin() + 2, images.begin(), images.end());
  return options;
}

std::string exit_status_help() {
  std::string out = "Exit statuses:\n";
  for (const ExitStatusInfo &e : exit_statuses) out += "  " + std::to_string(e.status) + "  " + e.meaning + "\n";
  return out;
}

}  // namespace

const std::vector<Subcommand> &subcommands() {
  static const std::vector<Subcommand> table = {
      {"build", "FILE.bas", "compile FILE.bas into FILE.hex and FILE.map",
       "Compiles FILE.bas (after the preprocessor) and writes the program image as\n"
       "Intel HEX, byte for byte what QUITDUMP writes and the board's loader reads,\n"
       "and the size summary and symbol map beside it. Prints the size summary.\n"
       "With --format (or an -o ending in .ihex, .elf or .bin) the image is standard\n"
       "Intel HEX for flash programmers, an ELF file for debuggers and disassemblers,\n"
       "or raw bytes (whose load address is printed); --listing adds FILE.lst.\n"
       "Nothing is written when the program has errors, and an old output is only\n"
       "replaced once the new one is complete.\n",
       build_options(), 1, 1, run_build},
      {"run", "FILE.bas", "compile FILE.bas and run it on the PC",
       "Compiles FILE.bas and runs it on the PC as RUN does, with the board's\n"
       "input and output simulated. Standard output carries the program's output\n"
       "and nothing else; errors stop it before it runs.\n",
       compile_options(), 1, 1, run_run},
      {"check", "FILE.bas", "compile FILE.bas and report diagnostics only",
       "Compiles FILE.bas as build does and reports its diagnostics; writes no file.\n", compile_options(), 1, 1,
       run_check},
      {"sim", "FILE.bas|FILE.hex|FILE.elf", "run a program or an image on a simulated board", sim_description(),
       sim_options(), 1, 1, run_sim},
      {"lsp", "", "serve an editor as a language server on standard input and output",
       "Speaks the Language Server Protocol (JSON-RPC with Content-Length framing)\n"
       "on standard input and output, for VS Code, Vim, Neovim, Emacs and other\n"
       "editors: diagnostics as you type, go to definition, hover, outline and\n"
       "completion. The firmware table is the editor's setting \"table\", else\n"
       "ombrik.table in the workspace folder, else the built-in one. Ends with\n"
       "status 0 after the editor's shutdown and exit requests, 1 otherwise.\n",
       {help_option()}, 0, 0, run_lsp,
       "Exit statuses:\n"
       "  0  the editor sent shutdown, then exit\n"
       "  1  the input ended, or exit came without shutdown\n"
       "  2  usage error: an operand or an unknown option\n"},
  };
  return table;
}

const Subcommand *find_subcommand(const std::string &name) {
  for (const Subcommand &s : subcommands())
    if (s.name == name) return &s;
  return nullptr;
}

std::string version_number() { return OMBRIK_VERSION; }

std::string version_text() { return "ombrik " + version_number() + "\n"; }

std::string general_help() {
  std::string out =
      "Usage: ombrik SUBCOMMAND FILE.bas [options]\n"
      "       ombrik help SUBCOMMAND | --help | --version\n"
      "       ombrik [-demo]   the standard-input protocol of editors and boards\n"
      "\n"
      "Subcommands:\n";
  size_t width = 4;
  for (const Subcommand &s : subcommands()) width = std::max(width, s.name.size());
  for (const Subcommand &s : subcommands())
    out += "  " + s.name + std::string(width - s.name.size() + 2, ' ') + s.summary + "\n";
  out += "  help" + std::string(width - 4 + 2, ' ') + "show the options of a subcommand\n\n";
  out += "Options of build, run and check:\n" + options_help(compile_options()) + "\n";
  out +=
      "Diagnostics are printed on standard error as FILE:LINE:COLUMN: error: MESSAGE,\n"
      "with the line and a caret under the column.\n\n";
  out += exit_status_help();
  return out;
}

std::string usage_line(const Subcommand &s) {
  return "ombrik " + s.name + (s.operands.empty() ? "" : " " + s.operands) + " [options]";
}

std::string subcommand_help(const Subcommand &s) {
  return "Usage: " + usage_line(s) + "\n\n" + s.description + "\nOptions:\n" + options_help(s.options) + "\n" +
         (s.exit_help ? s.exit_help : exit_status_help());
}

}  // namespace ombrik::cli
