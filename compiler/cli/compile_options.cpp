#include "cli/compile_options.h"

#include <cstddef>
#include <cstdio>

#include "cli/exit_status.h"
#include "cli/subcommands.h"

namespace ombrik::cli {

std::vector<OptionDef> compile_options() {
  return {
      {"table", 't', "TABLE",
       "firmware table of the board: the lines it sends after '?' (version,\n"
       "count, words); without it the compiler's built-in table applies"},
      {"define", 'D', "NAME[=TEXT]", "define NAME for the preprocessor (as 1 without TEXT)", true},
      {"include-dir", 'I', "DIR", "look for #include files in DIR too, after the including file's own", true},
      {"diagnostics", 0, "FORMAT",
       "how to report diagnostics on standard error: text (the default),\n"
       "json (one object per line) or sarif (a SARIF 2.1.0 log)"},
      help_option(),
  };
}

OptionDef help_option() { return {"help", 'h', "", "show this help"}; }

int usage_error(const std::string &message) {
  fprintf(stderr, "ombrik: error: %s\n", message.c_str());
  fprintf(stderr, "Run 'ombrik --help' for the subcommands and their options.\n");
  return EXIT_USAGE;
}

int read_compile_inputs(const ParsedOptions &options, CompileInputs &inputs) {
  std::string format = options.value("diagnostics", "text");
  if (format == "text")
    inputs.format = DiagnosticFormat::Text;
  else if (format == "json")
    inputs.format = DiagnosticFormat::Json;
  else if (format == "sarif")
    inputs.format = DiagnosticFormat::Sarif;
  else
    return usage_error("unknown diagnostics format '" + format + "' (text, json or sarif)");

  PreprocessOptions pp;
  pp.include_dirs = options.all("include-dir");
  for (const std::string &d : options.all("define")) {
    std::string name, text, error;
    if (!parse_define(d, name, text, error)) return usage_error("-D " + error);
    pp.defines.push_back(d);
  }

  inputs.source_path = options.operands.at(0);
  FileRead source = read_source_file(inputs.source_path);
  if (source.status == FileRead::Missing) return usage_error("cannot open '" + inputs.source_path + "': no such file");
  if (source.status == FileRead::Failed)
    return usage_error("cannot read '" + inputs.source_path + "': " + source.error);

  if (options.has("table")) {
    std::string error;
    if (!read_firmware_table(options.value("table"), inputs.table, error)) return usage_error(error);
    inputs.has_table = true;
  }
  inputs.source = preprocess(inputs.source_path, source.text, pp, source.identity);
  return EXIT_OK;
}

int exit_status_of(CompileStatus status) {
  switch (status) {
    case CompileStatus::Ok: return EXIT_OK;
    case CompileStatus::Errors: return EXIT_COMPILE_ERRORS;
    case CompileStatus::UndefinedLabels: return EXIT_UNDEFINED_LABELS;
    case CompileStatus::ProcedureNotJumpedAround: return EXIT_PROCEDURE_NOT_JUMPED_AROUND;
    case CompileStatus::CodeSpace: return EXIT_CODE_SPACE;
    case CompileStatus::StringSpace: return EXIT_STRING_SPACE;
    case CompileStatus::BadTable: return EXIT_BAD_TABLE;
    case CompileStatus::FirmwareTooOld: return EXIT_FIRMWARE_TOO_OLD;
  }
  return EXIT_COMPILE_ERRORS;
}

CompileResult compile_and_report(const CompileInputs &inputs, CompileAction action, int &status) {
  auto print = [&](std::vector<Diagnostic>::const_iterator from, std::vector<Diagnostic>::const_iterator to) {
    std::string out;
    for (auto d = from; d != to; ++d)
      out += inputs.format == DiagnosticFormat::Json ? format_json_line(*d) : format_text(*d);
    fwrite(out.data(), 1, out.size(), stderr);
  };
  // The preprocessor's messages come before anything the program prints
  // when it runs; a SARIF log holds everything at the end.
  size_t early = inputs.format == DiagnosticFormat::Sarif ? 0 : inputs.source.diagnostics.size();
  print(inputs.source.diagnostics.begin(), inputs.source.diagnostics.begin() + static_cast<ptrdiff_t>(early));
  fflush(stderr);
  CompileResult result = compile_program(inputs.source, inputs.has_table ? &inputs.table : nullptr, action);
  status = exit_status_of(result.status);
  if (inputs.format == DiagnosticFormat::Sarif) {
    std::string log = format_sarif(result.diagnostics, {"ombrik", version_number()}, status);
    fwrite(log.data(), 1, log.size(), stderr);
  } else {
    print(result.diagnostics.begin() + static_cast<ptrdiff_t>(early), result.diagnostics.end());
  }
  return result;
}

}  // namespace ombrik::cli
