#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char **environ;

namespace ombrik::test {

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

Outcome run_program(const std::vector<std::string> &argv, const std::string &input, const std::string &dir) {
  char in_name[] = "/tmp/ombrik_cli_inXXXXXX", out_name[] = "/tmp/ombrik_cli_outXXXXXX",
       err_name[] = "/tmp/ombrik_cli_errXXXXXX";
  int in_fd = mkstemp(in_name), out_fd = mkstemp(out_name), err_fd = mkstemp(err_name);
  if (in_fd < 0 || out_fd < 0 || err_fd < 0) throw std::runtime_error("mkstemp");
  if (write(in_fd, input.data(), input.size()) != static_cast<ssize_t>(input.size())) throw std::runtime_error("write");
  lseek(in_fd, 0, SEEK_SET);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_fd, 0);
  posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  posix_spawn_file_actions_adddup2(&actions, err_fd, 2);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  Outcome o;
  pid_t pid;
  if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ) == 0) {
    int w = 0;
    waitpid(pid, &w, 0);
    o.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(in_fd);
  close(out_fd);
  close(err_fd);
  o.out = read_file(out_name);
  o.err = read_file(err_name);
  unlink(in_name);
  unlink(out_name);
  unlink(err_name);
  return o;
}

}  // namespace ombrik::test
