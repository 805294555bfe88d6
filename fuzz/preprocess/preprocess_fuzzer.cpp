// Fuzzes the preprocessor and the diagnostic forms it feeds. One input is a
// set of files: its parts, split at NUL bytes, are main.bas, a.bas, b.bas,
// c.bas and d.bas, so that #include directives between them (cycles
// included) are reached. Every column of every output line is mapped back,
// and every diagnostic is rendered as text, JSON and SARIF.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "cli/diagnostic_formats.h"
#include "preprocess/preprocess.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const char *const names[] = {"main.bas", "a.bas", "b.bas", "c.bas", "d.bas"};
  std::map<std::string, std::string> files;
  std::string input(reinterpret_cast<const char *>(data), size);
  size_t start = 0;
  for (const char *name : names) {
    size_t end = input.find('\0', start);
    files[name] = input.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end == std::string::npos) break;
    start = end + 1;
  }

  ombrik::PreprocessOptions options;
  options.defines = {"FUZZ", "LEVEL=2"};
  options.include_dirs = {"inc"};
  options.output_lines_max = 4096;
  options.read_file = [&files](const std::string &path) {
    ombrik::FileRead r;
    std::string name = path.rfind("inc/", 0) == 0 ? path.substr(4) : path;
    auto it = files.find(name);
    if (it == files.end()) return r;
    r.status = ombrik::FileRead::Ok;
    r.text = it->second;
    r.identity = name;
    return r;
  };
  ombrik::PreprocessResult result = ombrik::preprocess("main.bas", files["main.bas"], options);

  size_t total = 0;
  for (const ombrik::OutputLine &l : result.lines) {
    if (l.file >= static_cast<int32_t>(result.file_names.size())) __builtin_trap();
    for (uint32_t c = 1; c <= l.text.size() + 1; c++)
      if (l.written_column(c) == 0) __builtin_trap();
    total += l.text.size();
  }
  if (result.text().size() != total + result.lines.size()) __builtin_trap();
  for (const ombrik::Diagnostic &d : result.diagnostics) {
    ombrik::cli::format_text(d);
    ombrik::cli::format_json_line(d);
  }
  ombrik::cli::format_sarif(result.diagnostics, {"ombrik", "fuzz"}, 1);
  return 0;
}
