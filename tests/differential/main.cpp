// ombrik_difftest: random programs run with RUN and as board images.
//
//   ombrik_difftest generate SEED
//       print the program of SEED
//   ombrik_difftest check [--target=thumb|arm|both] [--out=DIR] OMBRIK OMBRIK_EMU FIRST COUNT
//       run the programs of seeds FIRST to FIRST + COUNT - 1 on the boards
//       (both unless --target says) and compare each with RUN; a program
//       that disagrees is reduced and written to DIR (default
//       difftest-findings) as seed-N-BOARD.bas with the original beside it
//   ombrik_difftest reduce --target=thumb|arm OMBRIK OMBRIK_EMU SEED OUT.bas
//       reduce the program of SEED while it disagrees on the board
//
// Exit status: 0 all agree, 1 a disagreement, a program that does not
// compile or one that does not end, 2 bad usage.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "generator.h"
#include "reducer.h"
#include "runner.h"

namespace {

using namespace difftest;

constexpr int kMaxReduceTests = 3000;

int usage() {
  fprintf(stderr,
          "usage: ombrik_difftest generate SEED\n"
          "       ombrik_difftest check [--target=thumb|arm|both] [--out=DIR] OMBRIK OMBRIK_EMU FIRST COUNT\n"
          "       ombrik_difftest reduce --target=thumb|arm OMBRIK OMBRIK_EMU SEED OUT.bas\n");
  return 2;
}

bool parse_number(const char *text, unsigned long long &value) {
  if (!*text || *text == '-') return false;
  errno = 0;
  char *end = nullptr;
  value = strtoull(text, &end, 10);
  return errno == 0 && *end == 0;
}

// Writes through a temporary file and a rename, so that an existing file is
// never left half written.
bool write_file(const std::string &path, const std::string &text) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary);
    out << text;
    if (!out.flush()) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

Node reduced(Runner &runner, const std::string &target, const Node &program, ReduceStats &stats) {
  auto keeps = [&](const Node &candidate) {
    return runner.compare(target, render(candidate)).verdict == Verdict::Disagree;
  };
  return reduce(program, keeps, kMaxReduceTests, stats);
}

int check(const std::vector<std::string> &targets, const std::string &out_dir, const Tools &tools,
          unsigned long long first, unsigned long long count) {
  Runner runner(tools);
  int agree = 0, failed = 0;
  for (unsigned long long seed = first; seed < first + count; seed++) {
    const Node program = generate_program(seed);
    const std::string text = render(program);
    for (const std::string &target : targets) {
      const Outcome o = runner.compare(target, text);
      if (o.verdict == Verdict::Agree) {
        agree++;
        continue;
      }
      failed++;
      printf("seed %llu on %s: %s\n%s\n", seed, target.c_str(), verdict_name(o.verdict), o.detail.c_str());
      if (o.verdict != Verdict::Disagree) continue;
      std::error_code error;
      std::filesystem::create_directories(out_dir, error);
      const std::string base = out_dir + "/seed-" + std::to_string(seed) + "-" + target;
      ReduceStats stats;
      const Node smallest = reduced(runner, target, program, stats);
      const Outcome again = runner.compare(target, render(smallest));
      if (!write_file(base + ".original.bas", text) ||
          !write_file(base + ".bas", render(smallest) + "' " + again.detail + "\n")) {
        fprintf(stderr, "cannot write %s.bas\n", base.c_str());
        return 1;
      }
      printf("reduced in %d tries to %s.bas:\n%s\n", stats.tests, base.c_str(), render(smallest).c_str());
    }
    const unsigned long long done = seed - first + 1;
    if (done % 1000 == 0 && done < count) printf("%llu programs so far: %d runs agree, %d do not\n", done, agree, failed);
    fflush(stdout);
  }
  printf("%llu programs, %zu board(s): %d runs agree, %d do not\n", count, targets.size(), agree, failed);
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::vector<std::string> targets = {"thumb", "arm"};
  std::string out_dir = "difftest-findings";
  bool target_given = false;
  while (!args.empty() && args[0].rfind("--", 0) == 0) {
    const std::string option = args[0];
    args.erase(args.begin());
    if (option == "--target=thumb" || option == "--target=arm") {
      targets = {option.substr(9)};
      target_given = true;
    } else if (option == "--target=both") {
      target_given = true;
    } else if (option.rfind("--out=", 0) == 0 && option.size() > 6) {
      out_dir = option.substr(6);
    } else {
      return usage();
    }
  }
  unsigned long long seed = 0, count = 0;
  if (args.size() == 2 && args[0] == "generate" && parse_number(args[1].c_str(), seed)) {
    fputs(render(generate_program(seed)).c_str(), stdout);
    return 0;
  }
  if (args.size() == 5 && args[0] == "check" && parse_number(args[3].c_str(), seed) &&
      parse_number(args[4].c_str(), count))
    return check(targets, out_dir, Tools{args[1], args[2]}, seed, count);
  if (args.size() == 5 && args[0] == "reduce" && target_given && targets.size() == 1 &&
      parse_number(args[3].c_str(), seed)) {
    Runner runner(Tools{args[1], args[2]});
    const Node program = generate_program(seed);
    const Outcome o = runner.compare(targets[0], render(program));
    if (o.verdict != Verdict::Disagree) {
      fprintf(stderr, "seed %llu on %s: %s, nothing to reduce\n", seed, targets[0].c_str(), verdict_name(o.verdict));
      return 1;
    }
    ReduceStats stats;
    const std::string text = render(reduced(runner, targets[0], program, stats));
    if (!write_file(args[4], text)) {
      fprintf(stderr, "cannot write %s\n", args[4].c_str());
      return 1;
    }
    printf("reduced in %d tries (%d kept) to %s\n", stats.tests, stats.accepted, args[4].c_str());
    return 0;
  }
  return usage();
}
