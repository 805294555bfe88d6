// `ombrik lsp`: the language server on standard input and output.
#pragma once

namespace lsp {

// Serves until the editor sends "exit" or closes standard input; the exit
// status (0 after "shutdown" and "exit").
int run_language_server();

}  // namespace lsp
