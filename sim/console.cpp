#include "sim/console.h"

namespace sim {

bool StringConsole::read_line(std::string &line) {
  if (read_ >= input_.size()) return false;
  size_t end = input_.find('\n', read_);
  if (end == std::string::npos) end = input_.size();
  line = input_.substr(read_, end - read_);
  read_ = end + 1;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

int StringConsole::read_byte() {
  return read_ < input_.size() ? static_cast<unsigned char>(input_[read_++]) : -1;
}

void StreamConsole::print(const std::string &text) {
  fwrite(text.data(), 1, text.size(), out_);
  fflush(out_);
}

void StreamConsole::report(const std::string &line) {
  fflush(out_);
  fwrite(line.data(), 1, line.size(), events_);
  fflush(events_);
}

bool StreamConsole::read_line(std::string &line) {
  line.clear();
  int c;
  while ((c = fgetc(in_)) != EOF && c != '\n') line += static_cast<char>(c);
  if (c == EOF && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

int StreamConsole::read_byte() { return fgetc(in_); }

}  // namespace sim
