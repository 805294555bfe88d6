// Reading a request's parameters without trusting them: a missing member or
// one of the wrong type is an InvalidParams error naming it, never a crash.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "lsp/documents.h"
#include "lsp/json_rpc.h"

namespace lsp {

// Thrown by a handler to answer its request with an error.
struct RequestError : std::runtime_error {
  RequestError(ErrorCode code, const std::string &message) : std::runtime_error(message), code(code) {}
  ErrorCode code;
};

const json &member(const json &object, std::string_view name);
const json *optional_member(const json &object, std::string_view name);
std::string string_member(const json &object, std::string_view name);
int64_t integer_member(const json &object, std::string_view name);
uint32_t position_number(const json &object, std::string_view name);

// params.textDocument.uri
std::string document_uri(const json &params);
// An LSP Range object.
Range range_of(const json &range);

}  // namespace lsp
