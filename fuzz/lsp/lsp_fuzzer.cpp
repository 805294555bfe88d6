// The language server on arbitrary bytes from the editor: framing, JSON,
// the life cycle, every request's parameters, and the compiles of whatever
// documents the input opens. Whatever the input, the server must end (at the
// end of the input at the latest), and everything it sends must be a
// JSON-RPC message that serializes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "lsp/compile.h"
#include "lsp/json_rpc.h"
#include "lsp/server.h"

namespace {

class CheckingSink final : public lsp::MessageSink {
 public:
  bool send(const lsp::json &message) override {
    if (!message.is_object() || message.value("jsonrpc", "") != "2.0") std::abort();
    if (lsp::serialize(message).empty()) std::abort();
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  lsp::MemorySource in(std::string_view(reinterpret_cast<const char *>(data), size));
  CheckingSink out;
  int status = lsp::serve(in, out, lsp::compile_for_editor);
  if (status != 0 && status != 1) std::abort();
  return 0;
}
