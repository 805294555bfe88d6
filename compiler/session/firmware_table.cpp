#include <string_view>

#include "preprocess/preprocess.h"
#include "session/session.h"

namespace ombrik {

bool read_firmware_table(const std::string &path, FirmwareTable &table, std::string &error) {
  FileRead r = read_source_file(path);
  if (r.status == FileRead::Missing) {
    error = "cannot open table '" + path + "': no such file";
    return false;
  }
  if (r.status == FileRead::Failed) {
    error = "cannot read table '" + path + "': " + r.error;
    return false;
  }
  table = {};
  table.name = path;
  std::string_view text = r.text;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view l = text.substr(0, end);
    // The download drops a carriage return too; dropping it here keeps the
    // empty-line test below true to what the download will see.
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    table.lines.emplace_back(l);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  if (!table.lines.empty() && table.lines.front() == "?") {
    table.lines.erase(table.lines.begin());
    table.first_line = 2;
  }
  while (!table.lines.empty() && table.lines.back().empty()) table.lines.pop_back();
  return true;
}

}  // namespace ombrik
