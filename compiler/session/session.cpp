#include "session/session.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/hooks.h"
#include "driver/driver.h"
#include "core/firmware.h"
#include "frontend/keywords.h"
#include "preprocess/line_lexer.h"

namespace ombrik {

namespace {

// Thrown by the fatal-exit hook: unwinds the core's frames back into
// compile_program with the status the process would have ended with.
struct FatalExit {
  int status;
};

[[noreturn]] void throw_fatal_exit(int status) { throw FatalExit{status}; }

// One line the compiler reads, and where it came from.
struct FedLine {
  enum Kind { Table, Source, Command } kind;
  std::string_view text;
  size_t index;  // into FirmwareTable::lines or PreprocessResult::lines
};

// The line source: hands the compiler its lines one character at a time.
class Feeder {
 public:
  void start(std::vector<FedLine> lines, bool empty_lines_after) {
    lines_ = std::move(lines);
    empty_lines_after_ = empty_lines_after;
    begun_ = 0;
    pos_ = 0;
    in_line_ = false;
  }

  int next_char() {
    if (!in_line_) {
      if (begun_ >= lines_.size() && !empty_lines_after_) return EOF;
      begun_++;
      in_line_ = true;
      pos_ = 0;
    }
    if (begun_ <= lines_.size()) {
      std::string_view t = lines_[begun_ - 1].text;
      if (pos_ < t.size()) return static_cast<unsigned char>(t[pos_++]);
    }
    in_line_ = false;
    return '\n';
  }

  // The line the compiler read last; null past the end.
  const FedLine *current() const { return begun_ >= 1 && begun_ <= lines_.size() ? &lines_[begun_ - 1] : nullptr; }
  size_t lines_begun() const { return begun_; }
  size_t size() const { return lines_.size(); }

 private:
  std::vector<FedLine> lines_;
  bool empty_lines_after_ = false;
  size_t begun_ = 0;
  size_t pos_ = 0;
  bool in_line_ = false;
};

class Session {
 public:
  Session(const PreprocessResult &source, const FirmwareTable *table) : source_(source), table_(table) {}

  CompileResult compile(CompileAction action) {
    result_.diagnostics = source_.diagnostics;
    if (source_.has_errors() || !check_no_session_commands()) {
      result_.status = CompileStatus::Errors;
      return std::move(result_);
    }
    char *image = nullptr, *text = nullptr;
    size_t image_size = 0, text_size = 0;
    FILE *image_out = open_memstream(&image, &image_size);
    FILE *text_out = open_memstream(&text, &text_size);
    CoreHooks saved = core_hooks;
    core_hooks.line_source = {[](void *self) { return static_cast<Session *>(self)->feeder_.next_char(); }, this};
    core_hooks.diagnostics_sink = {[](void *self, const char *file, uint32_t line, uint32_t column,
                                      DiagnosticSeverity severity, const char *message) {
                                     static_cast<Session *>(self)->report(file, line, column, severity, message);
                                   },
                                   this};
    core_hooks.fatal_exit = throw_fatal_exit;
    core_hooks.image_out = image_out;
    core_hooks.text_out = text_out;

    if (load_table()) finish(action);

    core_hooks = saved;
    fclose(image_out);
    fclose(text_out);
    if (action == CompileAction::Build) result_.image.assign(image, image_size);
    result_.text.assign(text, text_size);
    free(image);
    free(text);
    return std::move(result_);
  }

 private:
  // The words RUN, QUIT, QUITNOW, QUITDUMP and CLEAR and the lines that start
  // with '?' or ':' are commands of the standard-input session: in a file
  // they would end it, restart it or read the lines after them as a table.
  bool check_no_session_commands() {
    static const uint16_t commands[] = {tok::RUN, tok::QUIT, tok::QUITNOW, tok::QUITDUMP, tok::CLEAR};
    bool ok = true;
    for (const OutputLine &l : source_.lines) {
      if (l.file < 0) continue;
      std::string_view text = l.text;
      std::string what;
      uint32_t column = 1;
      if (!text.empty() && (text[0] == '?' || text[0] == ':')) {
        what = std::string("a line starting with '") + text[0] + "'";
      } else {
        bool statement_start = true;
        for (const Span &s : scan_line(text)) {
          if (s.kind == SpanKind::Blank) continue;
          if (s.kind == SpanKind::Word && statement_start) {
            std::string word = fold_name(text.substr(s.begin, s.end - s.begin));
            int k = is_keyword(word.c_str(), static_cast<int>(word.size()));
            for (uint16_t c : commands)
              if (k && keyword_table[k].code == c && what.empty()) {
                what = "'" + word + "'";
                column = static_cast<uint32_t>(s.begin) + 1;
              }
          }
          statement_start = s.kind == SpanKind::Other && text[s.begin] == ':';
        }
      }
      if (what.empty()) continue;
      result_.diagnostics.push_back({source_.file_names[static_cast<size_t>(l.file)], l.line, l.written_column(column),
                                     Severity::Error,
                                     what + " is a command of the editor's session, not of a program; "
                                            "build, run and check give the commands themselves",
                                     l.source()});
      ok = false;
    }
    return ok;
  }

  // Resets the compiler to the built-in table, then downloads the given one
  // through the core's own download. False when the table was refused.
  bool load_table() {
    phase_ = Phase::Table;
    try {
      reset_compiler();
      if (!table_) return true;
      std::vector<FedLine> lines;
      for (size_t i = 0; i < table_->lines.size(); i++) lines.push_back({FedLine::Table, table_->lines[i], i});
      // Past its end the table reads as empty lines, which end a download.
      feeder_.start(std::move(lines), true);
      download_firmware_table();
    } catch (const FatalExit &e) {
      if (e.status == 6 && !result_.diagnostics.empty()) {
        // The download judges the version once it has read every word; the
        // version is the first line.
        result_.diagnostics.back().line = table_->first_line;
        result_.diagnostics.back().source_line = table_->lines.empty() ? "" : table_->lines[0];
      }
      result_.status = e.status == 6 ? CompileStatus::FirmwareTooOld : CompileStatus::BadTable;
      return false;
    }
    for (size_t i = feeder_.lines_begun(); i < table_->lines.size(); i++) {
      result_.diagnostics.push_back(
          {table_->name, table_->first_line + static_cast<uint32_t>(i), 0, Severity::Error,
           "line after the table's last word: the count (line " + std::to_string(table_->first_line + 1) + ") gives " +
               std::to_string(f_table[1] + 1) + " words, and an empty line ends the table",
           table_->lines[i]});
      result_.status = CompileStatus::BadTable;
      return false;
    }
    return true;
  }

  void finish(CompileAction action) {
    phase_ = Phase::Program;
    std::vector<FedLine> lines;
    for (size_t i = 0; i < source_.lines.size(); i++) lines.push_back({FedLine::Source, source_.lines[i].text, i});
    // QUIT ends the compile as RUN would (open blocks give way to both);
    // the run itself is started below, where its outcome can be seen.
    lines.push_back({FedLine::Command, action == CompileAction::Run ? "QUIT" : "QUITDUMP", 0});
    feeder_.start(std::move(lines), false);
    int status = 0;
    try {
      command_loop();
    } catch (const FatalExit &e) {
      status = e.status;
    }
    if (feeder_.lines_begun() > feeder_.size() && status == 0) {
      // The last statement read on for more lines and took the command.
      report_here("the program ends inside a statement that is not complete");
      result_.status = CompileStatus::Errors;
      return;
    }
    if (action != CompileAction::Run) {
      static const CompileStatus by_exit_status[] = {
          CompileStatus::Ok,        CompileStatus::Errors,      CompileStatus::UndefinedLabels,
          CompileStatus::ProcedureNotJumpedAround, CompileStatus::CodeSpace, CompileStatus::StringSpace};
      result_.status = status >= 0 && status <= 5 ? by_exit_status[status] : CompileStatus::Errors;
      return;
    }
    if (status != 0) {
      result_.status = status == 4 ? CompileStatus::CodeSpace : status == 5 ? CompileStatus::StringSpace
                                                                          : CompileStatus::Errors;
      return;
    }
    if (errors_reported_) {
      result_.status = CompileStatus::Errors;
      return;
    }
    // RUN refuses a program with undefined labels, reporting each: the only
    // errors it reports.
    phase_ = Phase::Run;
    try {
      run_on_host();
    } catch (const FatalExit &e) {
      result_.status = CompileStatus::Errors;
      return;
    }
    result_.status = errors_reported_ ? CompileStatus::UndefinedLabels : CompileStatus::Ok;
  }

  void report_here(const std::string &message) {
    result_.diagnostics.push_back({main_file(), 0, 0, Severity::Error, message, ""});
  }

  const std::string &main_file() const {
    static const std::string none;
    return source_.file_names.empty() ? none : source_.file_names[0];
  }

  // The core's message, placed by the line it was reading: the core's own
  // file and line would be the same for source lines, but a table line or a
  // command the session added has no place in the source.
  void report(const char *, uint32_t, uint32_t column, DiagnosticSeverity severity, const char *message) {
    Diagnostic d;
    d.severity = severity == DiagnosticSeverity::Error ? Severity::Error : Severity::Warning;
    d.message = message;
    const FedLine *at = phase_ == Phase::Run ? nullptr : feeder_.current();
    if (at && at->kind == FedLine::Table) {
      d.file = table_->name;
      d.line = table_->first_line + static_cast<uint32_t>(at->index);
      d.source_line = table_->lines[at->index];
    } else if (at && at->kind == FedLine::Source && source_.lines[at->index].file >= 0) {
      const OutputLine &l = source_.lines[at->index];
      d.file = source_.file_names[static_cast<size_t>(l.file)];
      d.line = l.line;
      d.column = l.written_column(column);
      d.source_line = l.source();
    } else {
      d.file = main_file();
    }
    if (d.severity == Severity::Error) errors_reported_ = true;
    result_.diagnostics.push_back(std::move(d));
  }

  enum class Phase { Table, Program, Run };

  const PreprocessResult &source_;
  const FirmwareTable *table_;
  CompileResult result_;
  Feeder feeder_;
  Phase phase_ = Phase::Table;
  bool errors_reported_ = false;
};

}  // namespace

CompileResult compile_program(const PreprocessResult &source, const FirmwareTable *table, CompileAction action) {
  return Session(source, table).compile(action);
}

std::string display_lines(const std::string &text) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string l = text.substr(start, end - start);
    start = end + 1;
    if (l.empty() || l[0] != '"') continue;
    l.erase(0, 1);
    while (!l.empty() && (l.back() == '\r' || l.back() == '"')) l.pop_back();
    if (!l.empty()) out += l + "\n";
  }
  return out;
}

}  // namespace ombrik
