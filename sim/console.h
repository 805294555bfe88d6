// Where a simulated program's text goes and comes from: what it prints
// (its serial console), the board events reported in the words RUN prints
// for them (pin operations), and its text input.
#pragma once
#include <cstdio>
#include <string>

namespace sim {

class Console {
 public:
  virtual ~Console() = default;
  // The program's own output, exactly as the board sends it.
  virtual void print(const std::string &text) = 0;
  // One board event line, such as "set OUT(5)=1\n".
  virtual void report(const std::string &line) = 0;
  // One line of input without its line end (GETSTR); false at the end of
  // the input.
  virtual bool read_line(std::string &line) = 0;
  // The next input byte (RXD), or -1 when there is none.
  virtual int read_byte() = 0;
};

// Output and board events into one string, in the order they happen (as
// RUN prints them into one stream); input from a string.
class StringConsole : public Console {
 public:
  explicit StringConsole(std::string input = {}) : input_(std::move(input)) {}
  void print(const std::string &text) override { output_ += text; }
  void report(const std::string &line) override { output_ += line; }
  bool read_line(std::string &line) override;
  int read_byte() override;
  const std::string &output() const { return output_; }

 private:
  std::string input_;
  size_t read_ = 0;
  std::string output_;
};

// The program's output on out, board events on events (flushing out first,
// so that both in one file or terminal keep their order), input from in.
class StreamConsole : public Console {
 public:
  StreamConsole(FILE *out, FILE *events, FILE *in) : out_(out), events_(events), in_(in) {}
  void print(const std::string &text) override;
  void report(const std::string &line) override;
  bool read_line(std::string &line) override;
  int read_byte() override;

 private:
  FILE *out_, *events_, *in_;
};

}  // namespace sim
