// `ombrik lsp` as a child process on two pipes, as an editor runs it: the
// test writes frames (or raw bytes) to its standard input and reads its
// messages, each wait bounded so that a server that stops answering fails
// the test instead of hanging it.
#pragma once
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lsp/json_rpc.h"

class LspProcess {
 public:
  LspProcess(const std::string &program, const std::vector<std::string> &args, const std::string &dir);
  ~LspProcess();

  void send(const lsp::json &message);
  void send_raw(const std::string &bytes);
  // The next message, or nothing when none came within the time limit or
  // the server closed its output.
  std::optional<lsp::json> next(int timeout_ms = 20000);
  // Messages until one satisfies want (returned); the others are kept in
  // skipped. Nothing when the server stopped or went quiet first.
  std::optional<lsp::json> until(const std::function<bool(const lsp::json &)> &want, int timeout_ms = 20000);
  // Sends a request and waits for the answer with its id.
  std::optional<lsp::json> call(int id, const std::string &method, lsp::json params);
  void close_input();
  // The exit status once the server has ended, or -1 when it did not end
  // within the time limit (it is then killed) or ended by a signal.
  int wait(int timeout_ms = 20000);

  std::vector<lsp::json> skipped;

 private:
  pid_t pid_ = -1;
  int to_child_ = -1;
  int from_child_ = -1;
  std::string pending_;  // bytes read but not yet a whole frame
};
