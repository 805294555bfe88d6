#!/usr/bin/env bash
# Where ombrik spends its time: a CPU profile of RUN on each benchmark program
# and of compiling the generated program of bench/run.sh, with the top
# entries of each (self time). Uses perf (Debian's linux-perf); where perf
# cannot sample, valgrind's callgrind instead (much slower).
#
# Usage: bench/profile.sh [TOP]      (TOP entries per profile, default 12)
# Environment: OMBRIK (default build/compiler/ombrik), BENCH_LINES (default 100000),
#              VARIABLES (default 500): the generated program's size.
# Not part of the test suite.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ombrik=${OMBRIK:-$here/../build/compiler/ombrik}
top=${1:-12}
[ -x "$ombrik" ] || { echo "no ombrik at $ombrik (build it first, or set OMBRIK)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

use_perf=0
if command -v perf > /dev/null && perf record -q -o "$work/probe.data" true > /dev/null 2>&1; then use_perf=1; fi

# profile NAME SESSION: prints the top entries of ombrik run on SESSION.
profile() {
  local name=$1 session=$2
  echo "## $name"
  if [ "$use_perf" = 1 ]; then
    perf record -q -o "$work/$name.data" "$ombrik" < "$session" > /dev/null 2>&1
    perf report -i "$work/$name.data" --no-children --stdio --sort symbol 2> /dev/null |
      awk '/^ +[0-9.]+%/ {print "  " $1, $2, $3}' | head -"$top"
  else
    valgrind --tool=callgrind --callgrind-out-file="$work/$name.cg" "$ombrik" < "$session" > /dev/null 2>&1
    callgrind_annotate "$work/$name.cg" 2> /dev/null | grep -E '^ *[0-9,]+ \(' | head -"$top"
  fi
  echo
}

[ "$use_perf" = 1 ] && echo "(perf, self time)" || echo "(callgrind, instructions)"
for prog in count sieve strings calls single; do
  { cat "$here/programs/$prog.bas"; printf 'RUN\nQUIT\n'; } > "$work/$prog.session"
  profile "$prog" "$work/$prog.session"
done
bash "$here/run.sh" generate "${BENCH_LINES:-100000}" "${VARIABLES:-500}" > "$work/compile.session"
profile "compile-${BENCH_LINES:-100000}-lines-${VARIABLES:-500}-variables" "$work/compile.session"
