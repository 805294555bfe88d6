// Writing a command's output files so that a failure never leaves a broken
// or half-written one: each is written to a temporary file beside it, and
// only when every one was written completely are they renamed over the old
// files.
#pragma once
#include <string>
#include <vector>

namespace ombrik::cli {

struct OutputFile {
  std::string path;
  std::string contents;
};

// False with a message naming the file and the reason when any file could
// not be written; then no old file has been replaced and no temporary file
// is left behind.
bool write_outputs(const std::vector<OutputFile> &files, std::string &error);

}  // namespace ombrik::cli
