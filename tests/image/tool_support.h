// Running the independent tools that read the images back, and reading
// what they print.
#pragma once
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "../cli/process.h"
#include "image/program.h"

namespace image_test {

// A fresh directory, removed with everything in it at the end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  std::string path(const std::string &name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

struct Result {
  int status = -1;
  std::string out;  // standard output and standard error together
};
// Runs a shell command line.
Result run(const std::string &command);

using ombrik::test::read_file;
using ombrik::test::write_file;

// Shell quoting of one word.
std::string quote(const std::string &word);

using ByteMap = std::map<uint32_t, uint8_t>;

// Bytes from "@ADDRESS" lines followed by hexadecimal bytes, the form of
// srec_cat's -VMem 8 output and objcopy's -O verilog (comments skipped).
ByteMap parse_vmem(const std::string &text);

// The bytes of an Intel HEX file as each independent reader sees them.
ByteMap read_hex_with_srec_cat(const std::string &hex_file);
ByteMap read_hex_with_objcopy(const std::string &hex_file, const std::string &work_file);
ByteMap read_hex_with_intelhex(const std::string &hex_file);

// Writes p as an ELF file; "" or the writer's error.
std::string write_elf_file(const image::Program &p, const std::string &path);

std::vector<std::string> lines_of(const std::string &text);

// Runs program with arguments; a failure is a test failure.
std::string tool(const char *program, const std::string &arguments);

// The instruction and data lines of objdump -d -z (zeros shown), white
// space made single:
// "8004: 2705 movs r7, #5".
std::vector<std::string> objdump_instructions(const std::string &elf);

}  // namespace image_test
