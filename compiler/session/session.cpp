#include "session/session.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "compile/reset.h"
#include "core/firmware.h"
#include "core/hooks.h"
#include "driver/driver.h"
#include "host/interpreter.h"
#include "preprocess/line_lexer.h"

namespace ombrik {

namespace {

// Thrown by the fatal-exit hook: unwinds the core's frames back into
// compile_program with the status the process would have ended with.
struct FatalExit {
  ExitStatus status;
};

void throw_fatal_exit(ExitStatus status) { throw FatalExit{status}; }

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

// A stdio stream that writes into memory.
class MemoryStream {
 public:
  MemoryStream() : file_(open_memstream(&data_, &size_)) {}
  ~MemoryStream() {
    if (file_) fclose(file_);
    free(data_);
  }
  MemoryStream(const MemoryStream &) = delete;
  MemoryStream &operator=(const MemoryStream &) = delete;

  FILE *file() const { return file_; }
  std::string contents() {
    fflush(file_);
    return std::string(data_, size_);
  }

 private:
  char *data_ = nullptr;
  size_t size_ = 0;
  FILE *file_;
};

class Session;

// The core's hooks pointed at a session for as long as this lives; the
// protocol's are back afterwards, however the compile ended.
class HooksInstalled {
 public:
  HooksInstalled(Session *session, FILE *image, FILE *text);
  ~HooksInstalled() { hooks = saved_; }
  HooksInstalled(const HooksInstalled &) = delete;
  HooksInstalled &operator=(const HooksInstalled &) = delete;

 private:
  CoreHooks saved_ = hooks;
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
    MemoryStream image, text;
    if (!image.file() || !text.file()) {
      result_.diagnostics.push_back({main_file(), 0, 0, Severity::Error, "out of memory", ""});
      result_.status = CompileStatus::Errors;
      return std::move(result_);
    }
    {
      HooksInstalled installed(this, image.file(), text.file());
      if (load_table()) finish(action);
    }
    if (action == CompileAction::Build) result_.image = image.contents();
    result_.text = text.contents();
    return std::move(result_);
  }

 private:
  // The words RUN, QUIT, QUITNOW, QUITDUMP and CLEAR and the lines that start
  // with '?' or ':' are commands of the standard-input session: in a file
  // they would end it, restart it or read the lines after them as a table.
  bool check_no_session_commands() {
    static const char *const commands[] = {"RUN", "QUIT", "QUITNOW", "QUITDUMP", "CLEAR"};
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
            for (const char *c : commands)
              if (word == c && what.empty()) {
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
      reset_to_startup();
      reset_host_machine();
      if (!table_) return true;
      std::vector<FedLine> lines;
      for (size_t i = 0; i < table_->lines.size(); i++) lines.push_back({FedLine::Table, table_->lines[i], i});
      // Past its end the table reads as empty lines, which end a download.
      feeder_.start(std::move(lines), true);
      download_firmware_table();
    } catch (const FatalExit &e) {
      if (e.status == ExitStatus::OldFirmware && !result_.diagnostics.empty()) {
        // The download judges the version once it has read every word; the
        // version is the first line.
        result_.diagnostics.back().line = table_->first_line;
        result_.diagnostics.back().source_line = table_->lines.empty() ? "" : table_->lines[0];
      }
      result_.status = e.status == ExitStatus::OldFirmware ? CompileStatus::FirmwareTooOld : CompileStatus::BadTable;
      return false;
    }
    for (size_t i = feeder_.lines_begun(); i < table_->lines.size(); i++) {
      result_.diagnostics.push_back({table_->name, table_->first_line + static_cast<uint32_t>(i), 0, Severity::Error,
                                     "line after the table's last word: the count (line " +
                                         std::to_string(table_->first_line + 1) + ") gives " +
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
    ExitStatus status = ExitStatus::Done;
    try {
      command_loop();
    } catch (const FatalExit &e) {
      status = e.status;
    }
    if (feeder_.lines_begun() > feeder_.size() && status == ExitStatus::Done) {
      // The last statement read on for more lines and took the command.
      report_here("the program ends inside a statement that is not complete");
      result_.status = CompileStatus::Errors;
      return;
    }
    if (action != CompileAction::Run || status != ExitStatus::Done) {
      result_.status = status_of(status);
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
      result_.status = status_of(e.status);
      return;
    }
    result_.status = errors_reported_ ? CompileStatus::UndefinedLabels : CompileStatus::Ok;
  }

  // After the table was taken, the statuses say what ended the program.
  static CompileStatus status_of(ExitStatus status) {
    switch (status) {
      case ExitStatus::Done: return CompileStatus::Ok;
      case ExitStatus::ProgramErrors: return CompileStatus::Errors;
      case ExitStatus::UndefinedLabels: return CompileStatus::UndefinedLabels;
      case ExitStatus::RoutineRunInto: return CompileStatus::ProcedureNotJumpedAround;
      case ExitStatus::NoRoom: return CompileStatus::CodeSpace;
      case ExitStatus::NoStringRoom: return CompileStatus::StringSpace;
      case ExitStatus::OldFirmware: return CompileStatus::FirmwareTooOld;
    }
    return CompileStatus::Errors;
  }

  void report_here(const std::string &message) {
    result_.diagnostics.push_back({main_file(), 0, 0, Severity::Error, message, ""});
  }

  const std::string &main_file() const {
    static const std::string none;
    return source_.file_names.empty() ? none : source_.file_names[0];
  }

 public:
  // The core's hooks (HooksInstalled) call these.
  int next_char() { return feeder_.next_char(); }

  // The core's message, placed by the line it was reading: the core's own
  // file and line would be the same for source lines, but a table line or a
  // command the session added has no place in the source.
  void report(const char *, uint32_t, uint32_t column, DiagnosticSeverity severity, const char *message) {
    Diagnostic d;
    d.severity = severity == DiagnosticSeverity::Error ? Severity::Error : Severity::Warning;
    // A few messages end in a line end of their own.
    d.message = message;
    while (!d.message.empty() && d.message.back() == '\n') d.message.pop_back();
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

 private:
  enum class Phase { Table, Program, Run };

  const PreprocessResult &source_;
  const FirmwareTable *table_;
  CompileResult result_;
  Feeder feeder_;
  Phase phase_ = Phase::Table;
  bool errors_reported_ = false;
};

HooksInstalled::HooksInstalled(Session *session, FILE *image, FILE *text) {
  hooks.next_char = [](void *self) { return static_cast<Session *>(self)->next_char(); };
  hooks.next_char_context = session;
  hooks.report = [](void *self, const char *file, uint32_t line, uint32_t column, DiagnosticSeverity severity,
                    const char *message) {
    static_cast<Session *>(self)->report(file, line, column, severity, message);
  };
  hooks.report_context = session;
  hooks.end = throw_fatal_exit;
  hooks.image = image;
  hooks.text = text;
}

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
