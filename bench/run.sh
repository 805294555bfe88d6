#!/usr/bin/env bash
# Times three small programs, each as a whole process, in ombrik (RUN on
# the PC), yabasic, Brandy and C compiled with -O2, and prints the loop
# iterations per second and each one's time relative to ombrik.
# Needs: a built ombrik (build/compiler/ombrik) and Debian's yabasic and
# brandy (apt-get install yabasic brandy). Not part of the test suite.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ombrik=${OMBRIK:-$here/../build/compiler/ombrik}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-3}

# Best of several runs, in seconds.
best_time() {
  local best=""
  for _ in $(seq "$runs"); do
    local start end t
    start=$(date +%s.%N)
    "$@" > "$work/out" 2>/dev/null
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

declare -A iterations=([count]=10000000 [sieve]=819100 [strings]=200000)
printf '%-8s %-8s %10s %14s %8s  %s\n' program runner seconds iterations/s vs-ombrik output
for prog in count sieve strings; do
  { printf 'RUN\nQUIT\n'; } > "$work/tail"
  cat "$here/programs/$prog.bas" "$work/tail" > "$work/$prog.session"
  gcc -O2 -o "$work/$prog" "$here/programs/$prog.c"
  t_ombrik=$(best_time sh -c "'$ombrik' < '$work/$prog.session'")
  out_ombrik=$(grep -v -e '^"' -e '^$' -e 'on the PC' "$work/out" | tr -d '\r' | head -1)
  for runner in ombrik yabasic brandy c; do
    case $runner in
      ombrik) t=$t_ombrik; out=$out_ombrik ;;
      yabasic) t=$(best_time yabasic "$here/programs/$prog.yab"); out=$(head -1 "$work/out") ;;
      # Brandy prints into its own window, which the dummy video driver drops.
      # Brandy prints into its own window, which the dummy video driver drops.
      brandy) t=$(best_time env SDL_VIDEODRIVER=dummy brandy -quit "$here/programs/$prog.bbc"); out='(in its window)' ;;
      c) t=$(best_time "$work/$prog"); out=$(head -1 "$work/out") ;;
    esac
    rate=$(echo "${iterations[$prog]} / $t" | bc -l)
    ratio=$(echo "$t / $t_ombrik" | bc -l)
    printf '%-8s %-8s %10.3f %14.0f %8.2f  %s\n' "$prog" "$runner" "$t" "$rate" "$ratio" "$out"
  done
done
