#include "lsp/params.h"

namespace lsp {

namespace {
[[noreturn]] void bad(std::string_view name, std::string_view what) {
  throw RequestError(ErrorCode::InvalidParams, "\"" + std::string(name) + "\" " + std::string(what));
}
}  // namespace

const json *optional_member(const json &object, std::string_view name) {
  if (!object.is_object()) return nullptr;
  auto it = object.find(name);
  if (it == object.end() || it->is_null()) return nullptr;
  return &*it;
}

const json &member(const json &object, std::string_view name) {
  if (!object.is_object()) bad(name, "is missing: its parent is not an object");
  auto it = object.find(name);
  if (it == object.end()) bad(name, "is missing");
  return *it;
}

std::string string_member(const json &object, std::string_view name) {
  const json &v = member(object, name);
  if (!v.is_string()) bad(name, "must be a string");
  return v.get<std::string>();
}

int64_t integer_member(const json &object, std::string_view name) {
  const json &v = member(object, name);
  if (!v.is_number_integer()) bad(name, "must be an integer");
  if (v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX))
    bad(name, "is out of range");
  return v.get<int64_t>();
}

uint32_t position_number(const json &object, std::string_view name) {
  int64_t n = integer_member(object, name);
  if (n < 0 || n > UINT32_MAX) bad(name, "must be a position from 0 to 4294967295");
  return static_cast<uint32_t>(n);
}

std::string document_uri(const json &params) {
  return string_member(member(params, "textDocument"), "uri");
}

Range range_of(const json &range) {
  const json &start = member(range, "start");
  const json &end = member(range, "end");
  return Range{position_number(start, "line"), position_number(start, "character"),
               position_number(end, "line"), position_number(end, "character")};
}

}  // namespace lsp
