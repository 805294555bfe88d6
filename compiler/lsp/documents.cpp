#include "lsp/documents.h"

#include <filesystem>

#include "lsp/text.h"
#include "lsp/uri.h"

namespace lsp {

void DocumentStore::open(std::string uri, int64_t version, std::string text) {
  Document doc;
  if (auto path = uri_to_path(uri)) doc.path = std::filesystem::path(*path).lexically_normal().string();
  doc.uri = uri;
  doc.version = version;
  doc.text = std::move(text);
  documents_[std::move(uri)] = std::move(doc);
}

bool DocumentStore::replace(std::string_view uri, int64_t version, std::string text) {
  auto it = documents_.find(uri);
  if (it == documents_.end()) return false;
  it->second.text = std::move(text);
  it->second.version = version;
  return true;
}

bool DocumentStore::edit(std::string_view uri, int64_t version, const Range &range,
                         std::string_view text) {
  auto it = documents_.find(uri);
  if (it == documents_.end()) return false;
  std::string &doc = it->second.text;
  size_t start = text_offset(doc, range.start_line, range.start_character);
  size_t end = text_offset(doc, range.end_line, range.end_character);
  if (end < start) std::swap(start, end);
  doc.replace(start, end - start, text);
  it->second.version = version;
  return true;
}

bool DocumentStore::close(std::string_view uri) {
  auto it = documents_.find(uri);
  if (it == documents_.end()) return false;
  documents_.erase(it);
  return true;
}

const Document *DocumentStore::find(std::string_view uri) const {
  auto it = documents_.find(uri);
  return it == documents_.end() ? nullptr : &it->second;
}

const Document *DocumentStore::find_path(std::string_view path) const {
  std::string normal = std::filesystem::path(path).lexically_normal().string();
  for (const auto &[uri, doc] : documents_)
    if (doc.path && *doc.path == normal) return &doc;
  return nullptr;
}

}  // namespace lsp
