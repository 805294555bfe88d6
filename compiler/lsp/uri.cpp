#include "lsp/uri.h"

namespace lsp {

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Characters a path keeps unescaped in a URI: the unreserved ones and the
// separators editors leave alone.
bool keeps(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~' || c == '/';
}

}  // namespace

std::optional<std::string> uri_to_path(std::string_view uri) {
  constexpr std::string_view scheme = "file://";
  if (uri.size() < scheme.size()) return std::nullopt;
  for (size_t i = 0; i < scheme.size(); i++) {
    char c = (uri[i] >= 'A' && uri[i] <= 'Z') ? static_cast<char>(uri[i] - 'A' + 'a') : uri[i];
    if (c != scheme[i]) return std::nullopt;
  }
  uri.remove_prefix(scheme.size());
  // "file://localhost/x" names the same file as "file:///x".
  if (uri.substr(0, 9) == "localhost") uri.remove_prefix(9);
  if (uri.empty() || uri[0] != '/') return std::nullopt;
  size_t cut = uri.find_first_of("?#");
  if (cut != std::string_view::npos) uri = uri.substr(0, cut);
  std::string path;
  for (size_t i = 0; i < uri.size(); i++) {
    if (uri[i] != '%') {
      path += uri[i];
      continue;
    }
    if (i + 2 >= uri.size()) return std::nullopt;
    int hi = hex_value(uri[i + 1]), lo = hex_value(uri[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    char c = static_cast<char>(hi * 16 + lo);
    if (c == 0) return std::nullopt;
    path += c;
    i += 2;
  }
  return path;
}

std::string path_to_uri(std::string_view path) {
  static const char digits[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (char c : path) {
    if (keeps(c)) {
      uri += c;
    } else {
      auto b = static_cast<unsigned char>(c);
      uri += '%';
      uri += digits[b >> 4];
      uri += digits[b & 15];
    }
  }
  return uri;
}

}  // namespace lsp
