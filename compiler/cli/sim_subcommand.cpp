#include "cli/sim_subcommand.h"

#include <cstdio>

#include "cli/build_images.h"
#include "cli/compile_options.h"
#include "cli/exit_status.h"
#include "core/firmware.h"
#include "sim/command.h"

namespace ombrik::cli {

namespace {

// A table as the lines a board sends after '?'.
FirmwareTable table_of(const std::vector<uint16_t> &words, const std::string &name) {
  FirmwareTable t;
  t.name = name;
  char line[8];
  for (uint16_t w : words) {
    snprintf(line, sizeof line, "%04X", w);
    t.lines.push_back(line);
  }
  return t;
}

// The table's words as the compiler's own download reads them (with its
// checks and messages): the download of an empty program.
int table_words(const std::string &path, DiagnosticFormat format, std::vector<uint16_t> &words) {
  CompileInputs inputs;
  std::string error;
  if (!read_firmware_table(path, inputs.table, error)) return usage_error(error);
  inputs.has_table = true;
  inputs.format = format;
  inputs.source_path = path;
  inputs.source = preprocess(path, "", PreprocessOptions{});
  int status;
  compile_and_report(inputs, CompileAction::Check, status);
  if (status != EXIT_OK) return status;
  words.assign(f_table, f_table + f_table[1] + 3);
  return EXIT_OK;
}

}  // namespace

std::vector<OptionDef> sim_options() {
  std::vector<OptionDef> options = compile_options();
  options[0].help =
      "firmware table the program is compiled with (a source file) or was built\n"
      "with (an image); without it the simulated board's own table applies";
  for (const sim::SimOptionHelp &h : sim::sim_option_help)
    options.insert(options.end() - 1, {h.name, 0, h.argument, h.help});
  return options;
}

std::string sim_description() {
  return "Runs a program on a simulated board: FILE.bas is compiled first (for the\n"
         "table given, else for the simulated board's own), an image (the board's\n"
         "Intel HEX, a standard Intel HEX or an ELF) runs as it is. The program's\n"
         "output goes to standard output and its text input comes from standard\n"
         "input; every pin operation is reported on standard error in the words RUN\n"
         "prints for it. Faults, limits and statistics are reported on standard error.\n"
         "Besides the statuses below, sim ends with:\n" +
         sim::sim_status_help();
}

int run_sim(const ParsedOptions &options) {
  sim::SimOptions o;
  o.file = options.operands.at(0);
  o.table = options.value("table");
  for (const sim::SimOptionHelp &h : sim::sim_option_help) {
    if (!options.has(h.name)) continue;
    std::string error;
    if (!sim::set_sim_option(o, h.name, options.value(h.name), error)) return usage_error(error);
  }
  DiagnosticFormat format = DiagnosticFormat::Text;
  sim::SimHost host;
  host.read_table = [&](const std::string &path, std::vector<uint16_t> &words) {
    return table_words(path, format, words);
  };
  host.compile = [&](const std::string &, const sim::Board &board, sim::Program &program) {
    CompileInputs inputs;
    if (int s = read_compile_inputs(options, inputs)) return s;
    inputs.table = table_of(board.table, o.table.empty() ? "the " + board.name + " board's table" : o.table);
    inputs.has_table = true;
    // The line table comes from the compiler's own source-line positions,
    // as an ELF build writes them.
    image::ImageCapture capture;
    int status;
    CompileResult result = compile_and_report(inputs, CompileAction::Build, status);
    if (status != EXIT_OK) return status;
    std::string error;
    image::Program p;
    if (!sim::parse_hex(result.image, program.image, error, board.hex_upper_offset, board.hex_key()) ||
        !gather_build(inputs, result, capture, p, error)) {
      fprintf(stderr, "ombrik: error: the compiled image does not read back: %s\n", error.c_str());
      return sim::SIM_BAD_IMAGE;
    }
    for (const image::LinePosition &l : image::code_lines(p)) program.lines.add(l.address, p.files[l.file], l.line);
    for (const image::Span &s : p.spans)
      if (image::is_code(s.contents)) program.lines.end_at(image::code_end(p, s));
    return 0;
  };
  return sim::run_sim(o, host, stdout, stderr, stdin);
}

}  // namespace ombrik::cli
