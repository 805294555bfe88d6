// ombrik_emu: runs the image that ombrik writes for a BASIC program on an
// emulated CPU with a simulated board firmware and compares what it prints
// with what the same program prints when ombrik runs it on the host.
//
//   ombrik_emu [--target=T] table                      the firmware-table download of the test board
//   ombrik_emu [--target=T] check OMBRIK PROGRAM.bas   compile twice (QUITDUMP, RUN), run, compare;
//                                                      then `OMBRIK sim` must print the same, on the
//                                                      source and on the ELF that `OMBRIK build` writes
//   ombrik_emu [--target=T] run OMBRIK PROGRAM.bas     print the emulated output only
//
// T is "thumb" (the Cortex-M board, the default) or "arm" (the ARM7 board);
// --table=FILE takes the board's firmware table from a file instead.
//
// The host output is cut out of the RUN session's standard output: what lies
// between the first "Executing on the PC...\n" and the last
// "\r\n... Finished on the PC in " is the program's own output; the banner,
// the size summary before it and the timing line after it are dropped.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/board.h"
#include "sim/code_check.h"
#include "sim/console.h"
#include "sim/format.h"
#include "sim/image.h"
#include "sim/machine.h"

extern char **environ;

namespace {

constexpr uint64_t INSTRUCTION_LIMIT = 200'000'000;
const char RUN_START[] = "Executing on the PC...\n";
const char RUN_END[] = "\r\n... Finished on the PC in ";

bool read_file(const std::string &path, std::string &text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

// Runs argv[0] with input on its standard input; its standard output (and
// its standard error too when both is set) in output, its exit status in
// status (-1 if it did not exit normally).
bool run_process(const std::vector<std::string> &args, const std::string &input, std::string &output, int &status,
                 bool both = false) {
  char in_name[] = "/tmp/ombrik_emu_inXXXXXX", out_name[] = "/tmp/ombrik_emu_outXXXXXX";
  int in_fd = mkstemp(in_name), out_fd = mkstemp(out_name);
  if (in_fd < 0 || out_fd < 0) return false;
  bool ok = write(in_fd, input.data(), input.size()) == static_cast<ssize_t>(input.size());
  lseek(in_fd, 0, SEEK_SET);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_fd, 0);
  posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  if (both) posix_spawn_file_actions_adddup2(&actions, out_fd, 2);
  std::vector<char *> argv;
  for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (ok && posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int w = 0;
    waitpid(pid, &w, 0);
    status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
    ok = read_file(out_name, output);
  } else {
    ok = false;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(in_fd);
  close(out_fd);
  unlink(in_name);
  unlink(out_name);
  return ok;
}

std::string base_name(const std::string &path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string session(const std::vector<uint16_t> &table, const std::string &path, const std::string &source,
                    const char *command) {
  std::string s = sim::table_download_text(table) + "# 1 \"" + base_name(path) + "\"\n" + source;
  if (!s.empty() && s.back() != '\n') s += '\n';
  return s + command + "\n";
}

bool has_error_line(const std::string &out) {
  return out.rfind("-ERROR", 0) == 0 || out.find("\n-ERROR") != std::string::npos;
}

struct Compiled {
  sim::Image image;
  sim::CodeMap map;
};

bool compile_image(const std::string &ombrik, const sim::Board &b, const std::string &path,
                   const std::string &source, Compiled &c) {
  std::string out, error;
  int status;
  if (!run_process({ombrik}, session(b.table, path, source, "QUITDUMP"), out, status)) {
    fprintf(stderr, "cannot run %s\n", ombrik.c_str());
    return false;
  }
  if (status != 0 || has_error_line(out)) {
    fprintf(stderr, "QUITDUMP ended with status %d:\n%s\n", status, out.c_str());
    return false;
  }
  if (!sim::parse_hex(out, c.image, error, b.hex_upper_offset, b.hex_key())) {
    fprintf(stderr, "Intel HEX: %s\n", error.c_str());
    return false;
  }
  c.map = sim::check_code(b, c.image);
  for (const std::string &e : c.map.errors) fprintf(stderr, "code check: %s\n", e.c_str());
  return c.map.errors.empty();
}

bool host_output(const std::string &ombrik, const sim::Board &b, const std::string &path,
                 const std::string &source, std::string &printed) {
  std::string out;
  int status;
  if (!run_process({ombrik}, session(b.table, path, source, "RUN"), out, status)) {
    fprintf(stderr, "cannot run %s\n", ombrik.c_str());
    return false;
  }
  size_t start = out.find(RUN_START), end = out.rfind(RUN_END);
  if (status != 0 || has_error_line(out) || start == std::string::npos || end == std::string::npos ||
      end < start + strlen(RUN_START)) {
    fprintf(stderr, "RUN ended with status %d, without a complete run:\n%s\n", status, out.c_str());
    return false;
  }
  printed = out.substr(start + strlen(RUN_START), end - start - strlen(RUN_START));
  return true;
}

int compare(const std::string &host, const std::string &target, const char *what) {
  if (host == target) return 0;
  size_t k = 0;
  while (k < host.size() && k < target.size() && host[k] == target[k]) k++;
  size_t line = 1 + static_cast<size_t>(std::count(host.begin(), host.begin() + static_cast<long>(k), '\n'));
  size_t from = host.rfind('\n', k == 0 ? 0 : k - 1);
  from = from == std::string::npos ? 0 : from + 1;
  fprintf(stderr, "outputs differ at byte %zu (line %zu):\n", k, line);
  fprintf(stderr, "  RUN     : %s\n", sim::visible(host.substr(from, k - from + 60)).c_str());
  fprintf(stderr, "  %-8s: %s\n", what, sim::visible(target.substr(from, k - from + 60)).c_str());
  fprintf(stderr, "RUN printed %zu bytes, %s %zu\n", host.size(), what, target.size());
  return 1;
}

// A table file: an optional "?" line, then one word per line as
// hexadecimal digits.
bool read_table_file(const std::string &path, std::vector<uint16_t> &table, std::string &error) {
  std::string text;
  if (!read_file(path, text)) {
    error = "cannot read " + path;
    return false;
  }
  std::istringstream in(text);
  std::string line;
  table.clear();
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '?') continue;
    std::string digits = line.substr(0, 4);
    char *end = nullptr;
    unsigned long w = strtoul(digits.c_str(), &end, 16);
    if (*end != 0 && *end != '\r') {
      error = path + ": not a table word: " + line;
      return false;
    }
    table.push_back(static_cast<uint16_t>(w));
  }
  return true;
}

// The ELF that `ombrik build` writes for the board's table, run by `ombrik
// sim` (which takes everything from the ELF's sections, not from the board's
// HEX); its output and pin reports in output.
bool run_elf(const std::string &ombrik, const sim::Board &b, const std::string &path,
             const std::vector<std::string> &sim_board, std::string &output) {
  char dir_name[] = "/tmp/ombrik_emu_elfXXXXXX";
  if (!mkdtemp(dir_name)) return false;
  const std::string dir = dir_name, table = dir + "/board.table", elf = dir + "/program.elf";
  bool ok = false;
  std::string built;
  int status = 0;
  bool written = false;
  {
    std::ofstream out(table);
    written = static_cast<bool>(out << sim::table_download_text(b.table));
  }  // closed before build reads it
  if (written &&
      run_process({ombrik, "build", path, "-t", table, "--format=elf", "-o", elf}, "", built, status, true)) {
    if (status != 0) {
      fprintf(stderr, "%s build --format=elf ended with status %d:\n%s\n", ombrik.c_str(), status, built.c_str());
    } else {
      std::vector<std::string> args = {ombrik, "sim", elf};
      args.insert(args.end(), sim_board.begin(), sim_board.end());
      ok = run_process(args, "", output, status, true);
      if (ok && status != 0) {
        fprintf(stderr, "%s sim on the ELF ended with status %d:\n%s\n", ombrik.c_str(), status, output.c_str());
        ok = false;
      }
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return ok;
}

int usage() {
  fprintf(stderr,
          "usage: ombrik_emu [--target=thumb|arm | --table=FILE] table | check OMBRIK PROGRAM.bas\n"
          "                  | run OMBRIK PROGRAM.bas\n");
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<uint16_t> table = sim::board_table("thumb");
  std::string error;
  // How `ombrik sim` gets the same board.
  std::vector<std::string> sim_board;
  const char TARGET_OPTION[] = "--target=", TABLE_OPTION[] = "--table=";
  if (argc > 1 && strncmp(argv[1], TARGET_OPTION, strlen(TARGET_OPTION)) == 0) {
    std::string name = argv[1] + strlen(TARGET_OPTION);
    table = name == "thumb" || name == "arm" ? sim::board_table(name) : std::vector<uint16_t>{};
    if (table.empty()) return usage();
    if (name == "arm") sim_board = {"--board", "arm7"};
    argc--;
    argv++;
  } else if (argc > 1 && strncmp(argv[1], TABLE_OPTION, strlen(TABLE_OPTION)) == 0) {
    if (!read_table_file(argv[1] + strlen(TABLE_OPTION), table, error)) {
      fprintf(stderr, "%s\n", error.c_str());
      return 2;
    }
    sim_board = {"-t", argv[1] + strlen(TABLE_OPTION)};
    argc--;
    argv++;
  }
  sim::Board b;
  if (!sim::make_board(table, b, error)) {
    fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (argc == 2 && strcmp(argv[1], "table") == 0) {
    fputs(sim::table_download_text(b.table).c_str(), stdout);
    return 0;
  }
  if (argc != 4 || (strcmp(argv[1], "check") != 0 && strcmp(argv[1], "run") != 0)) return usage();
  std::string ombrik = argv[2], path = argv[3], source;
  if (!read_file(path, source)) {
    fprintf(stderr, "cannot read %s\n", path.c_str());
    return 2;
  }
  Compiled c;
  if (!compile_image(ombrik, b, path, source, c)) return 1;
  sim::StringConsole console;
  sim::Stats stats;
  sim::Stop r = sim::run_image(b, c.image, c.map, console, sim::Limits{INSTRUCTION_LIMIT, 0}, &stats);
  bool ok = r.kind == sim::StopKind::End;
  if (strcmp(argv[1], "run") == 0) {
    fwrite(console.output().data(), 1, console.output().size(), stdout);
    if (!ok) fprintf(stderr, "%s\n", r.message.c_str());
    return ok ? 0 : 1;
  }
  std::string host;
  if (!host_output(ombrik, b, path, source, host)) return 1;
  if (!ok) {
    fprintf(stderr, "emulated run failed: %s\n", r.message.c_str());
    fprintf(stderr, "emulated output so far: %s\n", sim::visible(console.output()).c_str());
    return 1;
  }
  printf("%d blocks, %d instructions reached (%d unreached), %d literals, %llu executed\n", c.image.blocks,
         c.map.instructions, c.map.dead_instructions, c.map.literals,
         static_cast<unsigned long long>(stats.instructions));
  if (compare(host, console.output(), "emulated") != 0) return 1;

  // The same program through `ombrik sim`, its pin reports on standard
  // error among the output as RUN prints them.
  std::vector<std::string> sim_args = {ombrik, "sim", path};
  sim_args.insert(sim_args.end(), sim_board.begin(), sim_board.end());
  std::string simulated;
  int status = 0;
  if (!run_process(sim_args, "", simulated, status, true)) {
    fprintf(stderr, "cannot run %s sim\n", ombrik.c_str());
    return 1;
  }
  if (status != 0) {
    fprintf(stderr, "%s sim ended with status %d:\n%s\n", ombrik.c_str(), status, simulated.c_str());
    return 1;
  }
  if (compare(host, simulated, "ombrik sim") != 0) return 1;

  std::string from_elf;
  if (!run_elf(ombrik, b, path, sim_board, from_elf)) return 1;
  return compare(host, from_elf, "ELF, sim");
}
