#include "lsp_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

int remaining_ms(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

LspProcess::LspProcess(const std::string &program, const std::vector<std::string> &args, const std::string &dir) {
  signal(SIGPIPE, SIG_IGN);
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  to_child_ = in[1];
  from_child_ = out[0];
}

LspProcess::~LspProcess() {
  close_input();
  if (from_child_ >= 0) close(from_child_);
  if (pid_ > 0) wait(5000);
}

void LspProcess::send_raw(const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(to_child_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;  // the server is gone; reading will tell
    done += static_cast<size_t>(n);
  }
}

void LspProcess::send(const lsp::json &message) { send_raw(lsp::frame(lsp::serialize(message))); }

std::optional<lsp::json> LspProcess::next(int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    // A whole frame in what has come? The server writes exactly
    // "Content-Length: N\r\n\r\n" and N bytes of JSON.
    size_t end = pending_.find("\r\n\r\n");
    if (end != std::string::npos && pending_.rfind("Content-Length: ", 0) == 0) {
      size_t length = std::stoul(pending_.substr(16, end - 16));
      if (pending_.size() >= end + 4 + length) {
        std::string body = pending_.substr(end + 4, length);
        pending_.erase(0, end + 4 + length);
        return lsp::json::parse(body);
      }
    } else if (end != std::string::npos) {
      throw std::runtime_error("the server wrote something that is not a frame: " + pending_.substr(0, 200));
    }
    pollfd p{from_child_, POLLIN, 0};
    if (poll(&p, 1, remaining_ms(deadline)) <= 0) return std::nullopt;
    char chunk[65536];
    ssize_t n = read(from_child_, chunk, sizeof chunk);
    if (n <= 0) return std::nullopt;
    pending_.append(chunk, static_cast<size_t>(n));
  }
}

std::optional<lsp::json> LspProcess::until(const std::function<bool(const lsp::json &)> &want, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::optional<lsp::json> m = next(remaining_ms(deadline));
    if (!m || want(*m)) return m;
    skipped.push_back(*m);
  }
}

std::optional<lsp::json> LspProcess::call(int id, const std::string &method, lsp::json params) {
  send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
  return until([id](const lsp::json &m) { return m.contains("id") && m["id"] == id && !m.contains("method"); });
}

void LspProcess::close_input() {
  if (to_child_ >= 0) close(to_child_);
  to_child_ = -1;
}

int LspProcess::wait(int timeout_ms) {
  if (pid_ <= 0) return -1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  int status = 0;
  for (;;) {
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) break;
    if (r < 0 || remaining_ms(deadline) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    usleep(10000);
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
