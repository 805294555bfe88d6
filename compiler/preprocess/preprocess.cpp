#include "preprocess/preprocess.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "frontend/tokenizer.h"
#include "preprocess/condition.h"
#include "preprocess/line_lexer.h"
#include "preprocess/macros.h"

namespace ombrik {

namespace fs = std::filesystem;

// The compiler reads lines of at most LINE_SIZE - 1 characters; a marker is
// '# ', up to ten digits, a space and the quoted name.
const size_t MARKER_FILE_NAME_MAX = (LINE_SIZE - 1) - (sizeof "# 4294967295 \"\"" - 1);

FileRead read_source_file(const std::string &path) {
  FileRead r;
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) return r;
  r.status = FileRead::Failed;
  if (fs::is_directory(st)) {
    r.error = "is a directory";
    return r;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    r.error = std::error_code(errno, std::generic_category()).message();
    return r;
  }
  r.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    r.error = "read error";
    return r;
  }
  fs::path canonical = fs::weakly_canonical(path, ec);
  r.identity = ec ? path : canonical.string();
  r.status = FileRead::Ok;
  return r;
}

uint32_t OutputLine::written_column(uint32_t c) const {
  if (columns.empty() || c == 0) return c;
  if (c > columns.size()) return static_cast<uint32_t>(written.size()) + (c - static_cast<uint32_t>(columns.size()));
  return columns[c - 1] + 1;
}

bool PreprocessResult::has_errors() const {
  for (const Diagnostic &d : diagnostics)
    if (d.severity == Severity::Error) return true;
  return false;
}

std::string PreprocessResult::text() const {
  std::string t;
  for (const OutputLine &l : lines) {
    t += l.text;
    t += '\n';
  }
  return t;
}

bool parse_define(std::string_view argument, std::string &name, std::string &text, std::string &error) {
  size_t eq = argument.find('=');
  name = std::string(argument.substr(0, eq));
  text = eq == std::string_view::npos ? "1" : std::string(argument.substr(eq + 1));
  if (!is_name(name)) {
    error = "'" + name + "' is not a name";
    return false;
  }
  return true;
}

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The code part of a directive's argument: up to a ' comment.
std::string_view without_comment(std::string_view s) {
  for (const Span &sp : scan_line(s))
    if (sp.kind == SpanKind::Comment) return trim(s.substr(0, sp.begin));
  return trim(s);
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view l = text.substr(start, end - start);
    // The compiler drops a carriage return at a line's end.
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    lines.push_back(l);
    start = end + 1;
  }
  return lines;
}

struct Conditional {
  std::string directive;  // that opened it, for messages
  int32_t file;           // where that directive is
  uint32_t line;
  bool enclosing_active;
  bool taken;  // some branch so far was kept
  bool active;
  bool seen_else;
};

// A directive line taken apart: "#", optional blanks, the name, the rest.
struct Directive {
  std::string name;  // folded to lower case
  std::string_view rest;
  uint32_t column;  // 1-based column of the '#'
};

bool parse_directive(std::string_view line, Directive &d) {
  size_t p = 0;
  while (p < line.size() && blank(line[p])) p++;
  if (p >= line.size() || line[p] != '#') return false;
  d.column = static_cast<uint32_t>(p + 1);
  p++;
  while (p < line.size() && blank(line[p])) p++;
  size_t start = p;
  while (p < line.size() && ((line[p] >= 'a' && line[p] <= 'z') || (line[p] >= 'A' && line[p] <= 'Z'))) p++;
  d.name.clear();
  for (size_t k = start; k < p; k++) d.name += static_cast<char>(line[k] | 0x20);
  d.rest = line.substr(p);
  return true;
}

const char *const known_directives[] = {"include", "define", "undef", "ifdef", "ifndef",
                                        "if",      "elif",   "else",  "endif", "error"};

bool known(const std::string &name) {
  for (const char *k : known_directives)
    if (name == k) return true;
  return false;
}

class Preprocessor {
 public:
  explicit Preprocessor(const PreprocessOptions &options) : options_(options) {}

  PreprocessResult run(const std::string &name, std::string_view text, const std::string &identity) {
    for (const std::string &d : options_.defines) {
      std::string macro, replacement, error;
      if (parse_define(d, macro, replacement, error))
        macros_.define(macro, replacement);
      else
        report("", 0, 0, Severity::Error, "-D " + error, "");
    }
    if (check_marker_name(name, name, 0, 0, "")) process_file(name, text, identity.empty() ? name : identity);
    return std::move(result_);
  }

 private:
  struct Place {
    int32_t file;  // index in file_names of the name messages give
    uint32_t line;
    std::string_view written;
  };

  void report(const std::string &file, uint32_t line, uint32_t column, Severity severity, std::string message,
              std::string_view written) {
    result_.diagnostics.push_back({file, line, column, severity, std::move(message), std::string(written)});
  }

  void report(const Place &at, uint32_t column, Severity severity, std::string message) {
    report(result_.file_names[static_cast<size_t>(at.file)], at.line, column, severity, std::move(message), at.written);
  }

  int32_t file_index(const std::string &name) {
    for (size_t i = 0; i < result_.file_names.size(); i++)
      if (result_.file_names[i] == name) return static_cast<int32_t>(i);
    result_.file_names.push_back(name);
    return static_cast<int32_t>(result_.file_names.size() - 1);
  }

  // A name goes into line markers: it must fit in one and not end it early.
  bool check_marker_name(const std::string &name, const std::string &file, uint32_t line, uint32_t column,
                         std::string_view written) {
    std::string problem;
    if (name.size() > MARKER_FILE_NAME_MAX)
      problem = "file name '" + name + "' is longer than " + std::to_string(MARKER_FILE_NAME_MAX) + " characters";
    else if (name.find_first_of(std::string_view("\"\n\r\0", 4)) != std::string::npos)
      problem = "file name '" + name + "' contains a double quote, a line end or a NUL";
    if (problem.empty()) return true;
    report(file, line, column, Severity::Error, problem, written);
    return false;
  }

  bool emit(OutputLine l) {
    if (stopped_) return false;
    if (result_.lines.size() >= options_.output_lines_max) {
      report(result_.file_names.empty() ? "" : result_.file_names[0], 0, 0, Severity::Error,
             "preprocessed source longer than " + std::to_string(options_.output_lines_max) + " lines", "");
      stopped_ = true;
      return false;
    }
    result_.lines.push_back(std::move(l));
    return true;
  }

  void emit_marker(int32_t file, uint32_t line) {
    OutputLine m;
    m.text = "# " + std::to_string(line) + " \"" + result_.file_names[static_cast<size_t>(file)] + "\"";
    emit(std::move(m));
  }

  void emit_code(const Place &at, std::string text, std::string written, std::vector<uint32_t> columns) {
    if (at.file != next_file_ || at.line != next_line_) emit_marker(at.file, at.line);
    OutputLine l;
    l.text = std::move(text);
    l.file = at.file;
    l.line = at.line;
    l.written = std::move(written);
    l.columns = std::move(columns);
    if (emit(std::move(l))) {
      next_file_ = at.file;
      next_line_ = at.line + 1;
    }
  }

  bool active() const { return conditionals_.empty() || conditionals_.back().active; }

  void process_file(const std::string &name, std::string_view text, const std::string &identity) {
    int32_t physical = file_index(name);
    include_stack_.push_back({name, identity});
    size_t conditionals_at_start = conditionals_.size();
    int32_t display_file = physical;
    uint32_t display_line = 0;
    for (std::string_view line : split_lines(text)) {
      if (stopped_) break;
      display_line++;
      Place at{display_file, display_line, line};
      Directive d;
      bool is_directive = parse_directive(line, d);
      if (is_directive && conditional(d, at, conditionals_at_start)) continue;
      if (!active()) continue;
      if (is_directive && known(d.name)) {
        directive(d, at);
        continue;
      }
      if (line.size() >= 2 && line[0] == '#' && line[1] == ' ') {
        // The compiler's line marker: it renumbers the lines after it.
        passed_marker(line, display_file, display_line);
        continue;
      }
      if (is_directive && d.column == 1 && !d.name.empty())
        report(at, d.column, Severity::Warning,
               "unknown directive #" + d.name + ", passed to the compiler, which ignores it");
      std::string expanded, error;
      std::vector<uint32_t> columns;
      if (!macros_.expand(line, expanded, columns, error)) {
        report(at, 1, Severity::Error, error);
        continue;
      }
      if (expanded == line)
        emit_code(at, std::string(line), "", {});
      else
        emit_code(at, std::move(expanded), std::string(line), std::move(columns));
    }
    while (conditionals_.size() > conditionals_at_start) {
      const Conditional &c = conditionals_.back();
      report(result_.file_names[static_cast<size_t>(c.file)], c.line, 0, Severity::Error,
             "#" + c.directive + " without #endif", "");
      conditionals_.pop_back();
    }
    include_stack_.pop_back();
  }

  // Mirrors how the compiler reads "# N "file"": the digits from the third
  // character give N, a double quote after the second starts the name.
  void passed_marker(std::string_view line, int32_t &display_file, uint32_t &display_line) {
    uint32_t n = 0;
    for (size_t k = 2; k < line.size() && is_num(static_cast<uint8_t>(line[k])); k++)
      n = n * 10 + static_cast<uint32_t>(line[k] - '0');
    size_t quote = line.find('"', 2);
    if (quote != std::string_view::npos) {
      size_t close = line.find('"', quote + 1);
      display_file =
          file_index(std::string(line.substr(quote + 1, close == std::string_view::npos ? close : close - quote - 1)));
    } else if (next_file_ >= 0) {
      display_file = next_file_;
    }
    display_line = static_cast<uint16_t>(n - 1);
    OutputLine m;
    m.text = std::string(line);
    if (emit(std::move(m))) {
      next_file_ = display_file;
      next_line_ = display_line + 1;
    }
  }

  // Extra text after a directive that takes none (a comment may follow).
  bool nothing_after(const Directive &d, std::string_view rest, const Place &at) {
    if (without_comment(rest).empty()) return true;
    report(at, d.column, Severity::Error, "extra text after #" + d.name);
    return false;
  }

  // The directives that open, switch and close conditional regions, which
  // count even where lines are skipped. False for any other line.
  bool conditional(const Directive &d, const Place &at, size_t file_base) {
    bool opens = d.name == "if" || d.name == "ifdef" || d.name == "ifndef";
    if (opens) {
      bool enclosing = active();
      bool keep = false;
      if (enclosing) keep = condition_holds(d, at);
      conditionals_.push_back({d.name, at.file, at.line, enclosing, keep, keep, false});
      return true;
    }
    if (d.name != "elif" && d.name != "else" && d.name != "endif") return false;
    if (conditionals_.size() <= file_base) {
      report(at, d.column, Severity::Error, "#" + d.name + " without #if");
      return true;
    }
    Conditional &c = conditionals_.back();
    if (d.name == "endif") {
      nothing_after(d, d.rest, at);
      conditionals_.pop_back();
      return true;
    }
    if (c.seen_else) {
      report(at, d.column, Severity::Error, "#" + d.name + " after #else");
      c.active = false;
      return true;
    }
    if (d.name == "else") {
      nothing_after(d, d.rest, at);
      c.seen_else = true;
      c.active = c.enclosing_active && !c.taken;
    } else {
      c.active = c.enclosing_active && !c.taken && condition_holds(d, at);
    }
    c.taken = c.taken || c.active;
    return true;
  }

  bool condition_holds(const Directive &d, const Place &at) {
    if (d.name == "ifdef" || d.name == "ifndef") {
      std::string_view name = without_comment(d.rest);
      if (!is_name(name)) {
        report(at, d.column, Severity::Error, "#" + d.name + " expects one name");
        return false;
      }
      return macros_.defined(name) == (d.name == "ifdef");
    }
    int32_t value = 0;
    std::string error;
    if (!evaluate_condition(d.rest, macros_, value, error)) {
      report(at, d.column, Severity::Error, "#" + d.name + ": " + error);
      return false;
    }
    return value != 0;
  }

  void directive(const Directive &d, const Place &at) {
    if (d.name == "include") {
      include(d, at);
    } else if (d.name == "define") {
      std::string_view rest = trim(d.rest);
      size_t end = 0;
      while (end < rest.size() && !blank(rest[end])) end++;
      std::string_view name = rest.substr(0, end);
      if (!is_name(name)) {
        report(at, d.column, Severity::Error, "#define expects a name");
        return;
      }
      if (!macros_.define(name, without_comment(rest.substr(end))))
        report(at, d.column, Severity::Warning, "'" + std::string(name) + "' redefined");
    } else if (d.name == "undef") {
      std::string_view name = without_comment(d.rest);
      if (!is_name(name)) {
        report(at, d.column, Severity::Error, "#undef expects one name");
        return;
      }
      macros_.undefine(name);
    } else if (d.name == "error") {
      std::string_view text = trim(d.rest);
      report(at, d.column, Severity::Error, text.empty() ? "#error" : std::string(text));
    }
  }

  void include(const Directive &d, const Place &at) {
    std::string_view arg = without_comment(d.rest);
    if (arg.size() < 2 || arg.front() != '"' || arg.back() != '"' || arg.find('"', 1) != arg.size() - 1) {
      report(at, d.column, Severity::Error, "#include expects \"FILE\"");
      return;
    }
    std::string wanted(arg.substr(1, arg.size() - 2));
    if (include_stack_.size() > options_.include_depth_max) {
      report(at, d.column, Severity::Error,
             "#include nested more than " + std::to_string(options_.include_depth_max) + " deep");
      return;
    }
    std::vector<std::string> candidates;
    if (fs::path(wanted).is_absolute()) {
      candidates.push_back(wanted);
    } else {
      candidates.push_back((fs::path(include_stack_.back().name).parent_path() / wanted).string());
      for (const std::string &dir : options_.include_dirs) candidates.push_back((fs::path(dir) / wanted).string());
    }
    for (const std::string &path : candidates) {
      FileRead r = options_.read_file(path);
      if (r.status == FileRead::Missing) continue;
      if (r.status == FileRead::Failed) {
        report(at, d.column, Severity::Error, "cannot read '" + path + "': " + r.error);
        return;
      }
      std::string identity = r.identity.empty() ? path : r.identity;
      for (size_t k = 0; k < include_stack_.size(); k++) {
        if (include_stack_[k].identity != identity) continue;
        std::string chain;
        for (size_t j = k; j < include_stack_.size(); j++) chain += include_stack_[j].name + " -> ";
        report(at, d.column, Severity::Error, "#include cycle: " + chain + path);
        return;
      }
      if (!check_marker_name(path, result_.file_names[static_cast<size_t>(at.file)], at.line, d.column, at.written))
        return;
      process_file(path, r.text, identity);
      return;
    }
    report(at, d.column, Severity::Error, "cannot find include file '" + wanted + "'");
  }

  struct Included {
    std::string name;
    std::string identity;
  };

  const PreprocessOptions &options_;
  PreprocessResult result_;
  MacroTable macros_;
  std::vector<Conditional> conditionals_;
  std::vector<Included> include_stack_;
  // Where the compiler will take the next line to be: the file index and
  // line number that the last line marker and the lines since give.
  int32_t next_file_ = -1;
  uint32_t next_line_ = 0;
  bool stopped_ = false;
};

}  // namespace

PreprocessResult preprocess(const std::string &name, std::string_view text, const PreprocessOptions &options,
                            const std::string &identity) {
  return Preprocessor(options).run(name, text, identity);
}

}  // namespace ombrik
