#!/usr/bin/env bash
# Which sequences of operations RUN executes most: builds ombrik in its
# counting mode (build-opcount/, CMake option OMBRIK_OP_COUNTS, dense form
# without superinstructions), runs the benchmark programs and the emulation
# corpus, and lists the most frequent handlers, pairs and triples of
# handlers that follow one another without a jump. Each program weighs the
# same: a figure is the mean over the programs of its share of the
# program's executed handlers. The superinstructions of host/dense.h were
# chosen from these lists.
#
# Usage: bench/opcount.sh [TOP]    (entries per list, default 20)
# Not part of the test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
top=${1:-20}
build=$root/build-opcount
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOMBRIK_TESTS=OFF -DOMBRIK_OP_COUNTS=ON > /dev/null
cmake --build "$build" -j 2 --target ombrik > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# count_program NAME SOURCE: the counts of one program's RUN.
count_program() {
  { cat "$2"; printf 'RUN\nQUIT\n'; } | "$build/compiler/ombrik" 2> "$work/$1.counts" > /dev/null
}

for prog in count sieve strings calls single; do count_program "bench-$prog" "$root/bench/programs/$prog.bas"; done
for source in "$root"/tests/emulation/corpus/*.bas; do count_program "corpus-$(basename "$source" .bas)" "$source"; done

# report TITLE K FILES...: the top K-tuples over the files.
report() {
  local title=$1 k=$2
  shift 2
  echo "## $title"
  awk -v k="$k" '
    FNR == 1 { files++ }
    $1 == 1 { total[files] += $2 }
    $1 == k { key = $3; for (i = 4; i <= NF; i++) key = key " " $i; count[files, key] += $2; keys[key] = 1 }
    END {
      for (key in keys) {
        share = 0
        for (f = 1; f <= files; f++) if ((f, key) in count && total[f]) share += count[f, key] / total[f]
        printf "%6.2f%%  %s\n", 100 * share / files, key
      }
    }' "$@" | sort -gr | head -"$top"
  echo
}

for k in 1 2 3; do
  report "benchmarks, $k at a time" "$k" "$work"/bench-*.counts
  report "emulation corpus, $k at a time" "$k" "$work"/corpus-*.counts
done
