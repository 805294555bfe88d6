#include "tool_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "image/elf_writer.h"

namespace image_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ombrik_image_XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

Result run(const std::string &command) {
  Result r;
  FILE *f = popen((command + " 2>&1").c_str(), "r");
  if (!f) return r;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) r.out.append(buffer, n);
  int w = pclose(f);
  r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
  return r;
}

std::string quote(const std::string &word) {
  std::string q = "'";
  for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

ByteMap parse_vmem(const std::string &text) {
  ByteMap bytes;
  std::istringstream in(text);
  std::string token;
  uint32_t address = 0;
  bool in_comment = false;
  while (in >> token) {
    if (in_comment) {
      if (token.size() >= 2 && token.compare(token.size() - 2, 2, "*/") == 0) in_comment = false;
      continue;
    }
    if (token.rfind("/*", 0) == 0) {
      in_comment = token.size() < 4 || token.compare(token.size() - 2, 2, "*/") != 0;
      continue;
    }
    if (token[0] == '@') {
      address = static_cast<uint32_t>(std::stoul(token.substr(1), nullptr, 16));
      continue;
    }
    bytes[address++] = static_cast<uint8_t>(std::stoul(token, nullptr, 16));
  }
  return bytes;
}

ByteMap read_hex_with_srec_cat(const std::string &hex_file) {
  Result r = run(std::string(OMBRIK_SREC_CAT) + " " + quote(hex_file) + " -Intel -o - -VMem 8");
  if (r.status != 0) throw std::runtime_error("srec_cat: " + r.out);
  return parse_vmem(r.out);
}

ByteMap read_hex_with_objcopy(const std::string &hex_file, const std::string &work_file) {
  Result r = run(std::string(OMBRIK_OBJCOPY) + " -I ihex -O verilog " + quote(hex_file) + " " + quote(work_file));
  if (r.status != 0) throw std::runtime_error("objcopy: " + r.out);
  return parse_vmem(read_file(work_file));
}

ByteMap read_hex_with_intelhex(const std::string &hex_file) {
  Result r = run(std::string(OMBRIK_PYTHON3) +
                 " -c 'import sys\nfrom intelhex import IntelHex\nh = IntelHex(sys.argv[1])\n"
                 "print(\"\\n\".join(\"@%08X %02X\" % (a, h[a]) for a in h.addresses()))' " +
                 quote(hex_file));
  if (r.status != 0) throw std::runtime_error("intelhex: " + r.out);
  return parse_vmem(r.out);
}

std::string write_elf_file(const image::Program &p, const std::string &path) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return "cannot open " + path;
  std::string error = image::write_elf(p, fd, "ombrik test");
  close(fd);
  return error;
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

std::string tool(const char *program, const std::string &arguments) {
  Result r = run(std::string(program) + " " + arguments);
  EXPECT_EQ(r.status, 0) << program << " " << arguments << ":\n" << r.out;
  return r.out;
}

std::vector<std::string> objdump_instructions(const std::string &elf) {
  std::vector<std::string> found;
  static const std::regex instruction(R"(^\s+[0-9a-f]+:\t)");
  for (const std::string &l : lines_of(tool(OMBRIK_OBJDUMP, "-d -z " + quote(elf)))) {
    if (!std::regex_search(l, instruction)) continue;
    std::string single;
    std::istringstream words(l);
    for (std::string w; words >> w;) single += (single.empty() ? "" : " ") + w;
    found.push_back(single);
  }
  return found;
}

}  // namespace image_test
