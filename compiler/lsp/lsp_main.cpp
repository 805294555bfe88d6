#include "lsp/lsp_main.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "lsp/compile.h"
#include "lsp/json_rpc.h"
#include "lsp/server.h"

namespace lsp {

int run_language_server() {
  // A vanished editor must end the server through a failed write, not a
  // signal.
  signal(SIGPIPE, SIG_IGN);
  // The protocol owns standard input and output. The compiler and whatever
  // it runs get neither: a stray read would take the editor's bytes and a
  // stray print would break a frame. Their output goes to standard error,
  // which editors show as the server's log.
  fflush(stdout);
  int in = dup(STDIN_FILENO), out = dup(STDOUT_FILENO);
  int null = open("/dev/null", O_RDONLY);
  if (in < 0 || out < 0 || null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    perror("ombrik lsp");
    return 1;
  }
  close(null);
  FdSource source(in);
  FdSink sink(out);
  return serve(source, sink, compile_for_editor);
}

}  // namespace lsp
