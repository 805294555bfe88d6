// file: URIs, as editors name documents, and the paths they stand for.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace lsp {

// The absolute path of a "file://" URI with its percent escapes decoded;
// nothing for another scheme, a remote host or a malformed escape.
std::optional<std::string> uri_to_path(std::string_view uri);
// The "file://" URI of an absolute path, escaped as editors write it.
std::string path_to_uri(std::string_view path);

}  // namespace lsp
