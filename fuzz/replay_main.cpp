// The main of an in-process fuzz harness in an ordinary build: feeds every
// file of the folders (or the files) named on the command line to
// LLVMFuzzerTestOneInput, in name order, once each. A fault the sanitizers
// see ends the run there; otherwise it prints how many inputs it replayed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace fs = std::filesystem;

int main(int argc, char **argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; i++) {
    std::error_code error;
    const fs::path path(argv[i]);
    if (fs::is_directory(path, error)) {
      for (const fs::directory_entry &e : fs::directory_iterator(path, error))
        if (e.is_regular_file()) inputs.push_back(e.path());
    } else if (fs::is_regular_file(path, error)) {
      inputs.push_back(path);
    } else if (!fs::exists(path, error)) {
      // A harness without past faults has no regressions folder yet.
      continue;
    }
    if (error) {
      fprintf(stderr, "%s: %s\n", argv[i], error.message().c_str());
      return 2;
    }
  }
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path &path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
      fprintf(stderr, "%s: cannot read\n", path.c_str());
      return 2;
    }
    // A copy of exactly the input's size, so that a read past its end is
    // seen by AddressSanitizer as it is under the fuzzer.
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
  }
  printf("replayed %zu inputs\n", inputs.size());
  return 0;
}
