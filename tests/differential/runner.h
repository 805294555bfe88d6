// Runs one program with RUN on the host and as the image of one board on
// the emulation tool, and compares what the two print.
#pragma once
#include <map>
#include <string>

namespace difftest {

struct Tools {
  std::string ombrik;  // the compiler
  std::string emu;     // ombrik_emu, the emulation tool
};

enum class Verdict {
  Agree,
  Disagree,  // both ran, or the host ran and the board failed, and the outputs differ
  Invalid,   // the program does not compile: a fault of the generator
  Stuck,     // a run did not end in time
};

struct Outcome {
  Verdict verdict = Verdict::Agree;
  std::string detail;  // what went wrong, for the report
};

class Runner {
 public:
  explicit Runner(Tools tools) : tools_(std::move(tools)) {}
  // target: "thumb" or "arm".
  Outcome compare(const std::string &target, const std::string &program);

 private:
  const std::string &table(const std::string &target);

  Tools tools_;
  std::map<std::string, std::string> tables_;
};

const char *verdict_name(Verdict v);

}  // namespace difftest
