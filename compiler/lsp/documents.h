// The documents the editor has open, by URI, with the text it last sent:
// what the server compiles instead of the files on disk.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lsp {

struct Document {
  std::string uri;
  std::optional<std::string> path;  // for file: URIs
  std::string text;
  int64_t version = 0;
};

// An edit of part of a document, by LSP positions.
struct Range {
  uint32_t start_line = 0, start_character = 0;
  uint32_t end_line = 0, end_character = 0;
};

class DocumentStore {
 public:
  // Opening an open document again replaces it, as a reload would.
  void open(std::string uri, int64_t version, std::string text);
  // False when the document is not open.
  bool replace(std::string_view uri, int64_t version, std::string text);
  bool edit(std::string_view uri, int64_t version, const Range &range, std::string_view text);
  bool close(std::string_view uri);

  const Document *find(std::string_view uri) const;
  // The open document whose file is path, if any (for included files).
  const Document *find_path(std::string_view path) const;
  const std::map<std::string, Document, std::less<>> &all() const { return documents_; }

 private:
  std::map<std::string, Document, std::less<>> documents_;
};

}  // namespace lsp
