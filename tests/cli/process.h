// Runs a program for the end-to-end tests: arguments, standard input and
// working directory in; exit status, standard output and standard error
// out.
#pragma once
#include <string>
#include <vector>

namespace ombrik::test {

struct Outcome {
  int status = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

Outcome run_program(const std::vector<std::string> &argv, const std::string &input, const std::string &dir);

std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &text);

}  // namespace ombrik::test
