#include "runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

extern char **environ;

namespace difftest {

namespace {

// Generous for a program that ends by construction; only a miscompiled
// loop runs this long.
constexpr int kHostSeconds = 30;
constexpr int kBoardSeconds = 120;

const char kRunStart[] = "Executing on the PC...\n";
const char kRunEnd[] = "\r\n... Finished on the PC in ";

// A temporary file that is removed with the object.
class TempFile {
 public:
  TempFile() {
    const char *dir = getenv("TMPDIR");
    path_ = std::string(dir && *dir ? dir : "/tmp") + "/ombrik_difftest_XXXXXX";
    fd_ = mkstemp(path_.data());
  }
  ~TempFile() {
    if (fd_ >= 0) close(fd_);
    unlink(path_.c_str());
  }
  TempFile(const TempFile &) = delete;
  TempFile &operator=(const TempFile &) = delete;
  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string &path() const { return path_; }
  bool write_all(const std::string &text) {
    return ::write(fd_, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
           lseek(fd_, 0, SEEK_SET) == 0;
  }
  std::string read_all() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  std::string path_;
  int fd_ = -1;
};

struct ProcessResult {
  bool started = false;
  bool timed_out = false;
  int status = -1;  // exit status, -1 when ended by a signal
  std::string out, err;
};

ProcessResult run_process(const std::vector<std::string> &argv, const std::string &input, int seconds) {
  ProcessResult r;
  TempFile in, out, err;
  if (!in.ok() || !out.ok() || !err.ok() || !in.write_all(input)) return r;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.fd(), 0);
  posix_spawn_file_actions_adddup2(&actions, out.fd(), 1);
  posix_spawn_file_actions_adddup2(&actions, err.fd(), 2);
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid;
  const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return r;
  r.started = true;
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  int w = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &w, WNOHANG);
    if (done == pid) break;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (now.tv_sec - start.tv_sec >= seconds) {
      kill(pid, SIGKILL);
      waitpid(pid, &w, 0);
      r.timed_out = true;
      break;
    }
    const timespec pause{0, 2'000'000};
    nanosleep(&pause, nullptr);
  }
  r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
  r.out = out.read_all();
  r.err = err.read_all();
  return r;
}

std::string error_lines(const std::string &out) {
  std::string lines;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("-ERROR", 0) == 0) lines += line + "\n";
  return lines;
}

// The first place where the outputs differ, with some context.
std::string first_difference(const std::string &host, const std::string &board) {
  size_t k = 0;
  while (k < host.size() && k < board.size() && host[k] == board[k]) k++;
  const size_t from = host.rfind('\n', k == 0 ? 0 : k - 1);
  const size_t begin = from == std::string::npos || k == 0 ? 0 : from + 1;
  auto line_at = [&](const std::string &s) {
    const size_t end = s.find('\n', k);
    return s.substr(begin, (end == std::string::npos ? s.size() : end) - begin);
  };
  return "at byte " + std::to_string(k) + "\n  RUN  : " + line_at(host) + "\n  board: " + line_at(board);
}

}  // namespace

const char *verdict_name(Verdict v) {
  switch (v) {
    case Verdict::Agree: return "agree";
    case Verdict::Disagree: return "DISAGREE";
    case Verdict::Invalid: return "INVALID";
    case Verdict::Stuck: return "STUCK";
  }
  return "?";
}

const std::string &Runner::table(const std::string &target) {
  auto it = tables_.find(target);
  if (it == tables_.end()) {
    ProcessResult r = run_process({tools_.emu, "--target=" + target, "table"}, "", kHostSeconds);
    it = tables_.emplace(target, r.status == 0 ? r.out : std::string()).first;
  }
  return it->second;
}

Outcome Runner::compare(const std::string &target, const std::string &program) {
  const std::string &download = table(target);
  if (download.empty()) return {Verdict::Invalid, "no firmware table from " + tools_.emu};

  // RUN on the host.
  const std::string session = download + "# 1 \"random.bas\"\n" + program + "RUN\n";
  ProcessResult host = run_process({tools_.ombrik}, session, kHostSeconds);
  if (!host.started) return {Verdict::Invalid, "cannot start " + tools_.ombrik};
  if (host.timed_out) return {Verdict::Stuck, "RUN did not end within " + std::to_string(kHostSeconds) + " s"};
  const std::string errors = error_lines(host.out);
  if (host.status != 0 || !errors.empty())
    return {Verdict::Invalid, "RUN session ended with status " + std::to_string(host.status) + "\n" + errors};
  const size_t start = host.out.find(kRunStart), end = host.out.rfind(kRunEnd);
  if (start == std::string::npos || end == std::string::npos || end < start + strlen(kRunStart))
    return {Verdict::Disagree, "RUN did not finish:\n" + host.out.substr(start == std::string::npos ? 0 : start)};
  const std::string host_output =
      host.out.substr(start + strlen(kRunStart), end - start - strlen(kRunStart));

  // The image on the board.
  TempFile source;
  if (!source.ok() || !source.write_all(program)) return {Verdict::Invalid, "cannot write a temporary file"};
  ProcessResult board =
      run_process({tools_.emu, "--target=" + target, "run", tools_.ombrik, source.path()}, "", kBoardSeconds);
  if (!board.started) return {Verdict::Invalid, "cannot start " + tools_.emu};
  if (board.timed_out) return {Verdict::Stuck, "the board did not end within " + std::to_string(kBoardSeconds) + " s"};
  if (board.status != 0)
    return {Verdict::Disagree, "RUN ended normally, the board did not (status " + std::to_string(board.status) +
                                   "):\n" + board.err};
  if (board.out != host_output) return {Verdict::Disagree, first_difference(host_output, board.out)};
  return {};
}

}  // namespace difftest
