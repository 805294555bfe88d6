#!/usr/bin/env bash
# Runs one fuzzing campaign and prints its figures:
#
#   scripts/fuzz.sh TARGET SECONDS     fuzz TARGET for SECONDS seconds
#   scripts/fuzz.sh list               the harnesses there are
#
# TARGET is a harness registered with ombrik_add_fuzzer in
# fuzz/CMakeLists.txt. In-process harnesses run under libFuzzer in
# build-fuzz (clang, -fsanitize=fuzzer); whole programs run under AFL++ in
# build-afl (afl-clang-fast). Both builds have AddressSanitizer and
# UndefinedBehaviorSanitizer and bound RUN by an operation budget.
#
# Each campaign goes on from where the last one of the same TARGET stopped
# (build-fuzz/campaigns/TARGET or build-afl/campaigns/TARGET) and adds a
# line to the history file there; the totals are printed at the end.
# Inputs that make the harness fail are kept in the campaign's findings
# folder: once the fault is fixed, copy them into the harness's regressions
# folder, which the replay tests then run in every build.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() {
  echo "usage: scripts/fuzz.sh TARGET SECONDS | scripts/fuzz.sh list" >&2
  exit 2
}

budget=1000000  # interpreter steps one RUN may take in a fuzzing build

configure() {  # build-dir engine c-compiler c++-compiler
  if [ ! -f "$1/build.ninja" ]; then
    CC=$3 CXX=$4 cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBRIK_TESTS=OFF \
      -DOMBRIK_SANITIZE=ON -DOMBRIK_FUZZ_ENGINE="$2" -DOMBRIK_FUZZ_BUDGET=$budget > /dev/null
  else
    cmake "$1" > /dev/null  # picks up harnesses added since
  fi
}

bash scripts/install-deps.sh > /dev/null
configure build-fuzz libfuzzer clang clang++

if [ "${1:-}" = list ]; then
  for env in build-fuzz/fuzz/targets/*.env; do
    kind=$(sed -n 's/^KIND=//p' "$env")
    echo "$(basename "$env" .env) ($kind)"
  done
  exit 0
fi
[ $# -eq 2 ] || usage
target=$1 seconds=$2
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || usage
description=build-fuzz/fuzz/targets/$target.env
if [ ! -f "$description" ]; then
  echo "no harness named '$target'; there are: $(cd build-fuzz/fuzz/targets && ls | sed 's/\.env$//' | tr '\n' ' ')" >&2
  exit 2
fi
kind=$(sed -n 's/^KIND=//p' "$description")
jobs=$(nproc)

if [ "$kind" = libfuzzer ]; then
  build=build-fuzz
else
  build=build-afl
  configure build-afl afl afl-clang-fast afl-clang-fast++
fi
# The description in the engine's own build names its binary.
# shellcheck disable=SC1090
source "$build/fuzz/targets/$target.env"
cmake --build "$build" -j "$jobs" --target "fuzz_$target"

work=$root/$build/campaigns/$target
mkdir -p "$work/findings"
history=$work/history
start=$(date +%s)

if [ "$kind" = libfuzzer ]; then
  mkdir -p "$work/corpus"
  args=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048
        -artifact_prefix="$work/findings/")
  [ -n "$DICT" ] && args+=(-dict="$DICT")
  dirs=("$work/corpus" "$CORPUS")
  [ -d "$REGRESSIONS" ] && dirs+=("$REGRESSIONS")
  # A finding ends a libFuzzer run early; the figures are read all the same.
  "$BINARY" "${args[@]}" "${dirs[@]}" 2>&1 | tee "$work/last.log" | grep -E '^#[0-9]+ +(INITED|DONE)|ERROR|SUMMARY' || true
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/last.log" | tail -1)
  edges=$(grep -oE 'cov: [0-9]+' "$work/last.log" | tail -1 | cut -d' ' -f2)
  findings=$(find "$work/findings" -type f | wc -l)
else
  out=$work/out
  if [ -f "$out/default/fuzzer_stats" ]; then
    input=-  # resume the queue of the last campaign
    before=$(sed -n 's/^execs_done *: *//p' "$out/default/fuzzer_stats")
  else
    input=$work/seeds
    rm -rf "$input" && mkdir -p "$input"
    cp "$CORPUS"/* "$input"/
    [ -d "$REGRESSIONS" ] && find "$REGRESSIONS" -type f -exec cp {} "$input"/ \;
    before=0
  fi
  dictionary=()
  [ -n "$DICT" ] && dictionary=(-x "$DICT")
  # Sanitizer reports must end the program with a signal to count as
  # crashes; the fuzzer shares the machine, so it binds to no core.
  AFL_NO_UI=1 AFL_SKIP_CPUFREQ=1 AFL_NO_AFFINITY=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 \
    AFL_AUTORESUME=1 \
    ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=0:allocator_may_return_null=1 \
    UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1 \
    afl-fuzz -i "$input" -o "$out" "${dictionary[@]}" -V "$seconds" -m none -t 2000 -- "$BINARY" \
    > "$work/last.log" 2>&1 || { tail -20 "$work/last.log"; exit 1; }
  stats=$out/default/fuzzer_stats
  total=$(sed -n 's/^execs_done *: *//p' "$stats")
  executions=$((total - before))
  edges=$(sed -n 's/^edges_found *: *//p' "$stats")
  edges="$edges of $(sed -n 's/^total_edges *: *//p' "$stats")"
  for kind_of in crashes hangs; do
    find "$out/default/$kind_of" -type f -name 'id:*' -exec cp -n {} "$work/findings/" \; 2>/dev/null || true
  done
  findings=$(find "$out/default/crashes" -type f -name 'id:*' | wc -l)
  hangs=$(find "$out/default/hangs" -type f -name 'id:*' | wc -l)
  findings="$findings crashes, $hangs hangs"
fi

elapsed=$(($(date +%s) - start))
printf '%s\t%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$elapsed" "${executions:-0}" "${edges:-?}" "$findings" >> "$history"
echo
echo "campaign of $target: $elapsed s, ${executions:-0} executions, coverage ${edges:-?} edges, findings: $findings"
awk -F'\t' '{ s += $2; e += $3; n++ } END { printf "all %d campaigns of this target: %d s, %d executions\n", n, s, e }' "$history"
echo "findings (if any): $work/findings"
