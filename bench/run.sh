#!/usr/bin/env bash
# Speed of ombrik against other tools, each as a whole process:
#
#  - RUN: five programs (bench/programs: a counting loop, a prime sieve,
#    string building, FUNCTION calls, SINGLE arithmetic) run with RUN, against
#    the same programs in Brandy, yabasic, Lua 5.4 and C compiled with -O2;
#  - compile: a generated program of BENCH_LINES lines (100,000 by default) compiled
#    by ombrik against its C twin compiled by tcc, and the same number of lines
#    over 4,000 instead of 500 distinct variables (the cost of a line must not
#    grow with the number of symbols).
#
# Every pair (ombrik and one peer) is run alternately RUNS times; the tables
# give the medians of CPU time (user + system of the process) and of wall
# time, and the median and range of the per-round ratios. Each run's output is
# checked against the C program's. A missing peer is left out with a note.
#
# Usage: bench/run.sh [run|compile|all]     (default all)
#        bench/run.sh generate LINES VARIABLES [c]: prints the generated
#        program (an ombrik session, or its C twin)
# Environment: OMBRIK (default build/compiler/ombrik), RUNS (default 5),
#              BENCH_LINES (default 100000).
# Needs gcc; peers: apt-get install brandy yabasic lua5.4 tcc.
# Not part of the test suite.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ombrik=${OMBRIK:-$here/../build/compiler/ombrik}
runs=${RUNS:-5}
lines=${BENCH_LINES:-100000}
what=${1:-all}
case $what in run | compile | all | generate) ;; *) echo "usage: $0 [run|compile|all]" >&2; exit 2 ;; esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy   # Brandy opens no window

have() { command -v "$1" > /dev/null 2>&1; }

# time_run NAME COMMAND...: runs the command once with stdin from $work/stdin
# and stdout to $work/NAME.out; appends "wall cpu" to $work/NAME.times.
time_run() {
  local name=$1
  shift
  if ! "$work/cputime" "$work/t" "$@" < "$work/stdin" > "$work/$name.out" 2> "$work/$name.err"; then
    echo "$name failed:" >&2
    tail -5 "$work/$name.err" >&2
    exit 1
  fi
  cat "$work/t" >> "$work/$name.times"
}

median() { sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# column K of a times file: 1 wall, 2 CPU
col() { awk -v k="$2" '{print $k}' "$work/$1.times"; }
med() { col "$1" "$2" | median; }

# Per-round CPU ratios of NAME over PEER (the two files were filled in
# alternation): "median (min to max)".
ratios() {
  paste -d ' ' <(col "$1" 2) <(col "$2" 2) | awk '{print $1 / $2}' | sort -g > "$work/r"
  printf '%.2f (%.2f to %.2f)' "$(median < "$work/r")" "$(head -1 "$work/r")" "$(tail -1 "$work/r")"
}

# pair A B: runs the commands in $work/A.cmd and $work/B.cmd in alternation,
# RUNS times each, the first of the pair changing every round.
pair() {
  local a=$1 b=$2
  rm -f "$work/$a.times" "$work/$b.times"
  for r in $(seq "$runs"); do
    if [ $((r % 2)) = 1 ]; then
      source "$work/$a.cmd"; source "$work/$b.cmd"
    else
      source "$work/$b.cmd"; source "$work/$a.cmd"
    fi
  done
}

load() { cut -d ' ' -f 1-3 /proc/loadavg; }

# ---------------------------------------------------------------- RUN ----
peer_names=(brandy yabasic lua c)
declare -A peer_title=([brandy]=Brandy [yabasic]=yabasic [lua]="Lua 5.4" [c]="C -O2")
declare -A peer_tool=([brandy]=brandy [yabasic]=yabasic [lua]=lua5.4 [c]=gcc)

# The first line of a run's own output, without spaces and CRs.
result_of() {
  local runner=$1
  case $runner in
    ombrik) sed -n '/^Executing on the PC/,/Finished on the PC/p' "$work/ombrik.out" | sed '1d;$d' ;;
    # Brandy prints into its window; the program spools a copy to a file.
    brandy) cat "$work/brandy.spool" ;;
    *) cat "$work/$runner.out" ;;
  esac | tr -d '\r ' | grep -v '^$' | head -1
}

# Integers must match exactly; SINGLE results (computed in double precision
# by Brandy, yabasic and Lua) to 5 significant digits.
same_result() {
  awk -v a="$1" -v b="$2" -v exact="$3" 'BEGIN {
    if (exact) exit !(a == b)
    d = a - b; if (d < 0) d = -d; m = b < 0 ? -b : b
    exit !(a != "" && d <= 1e-5 * m)
  }'
}

check_result() {
  local prog=$1 runner=$2 expected=$3 exact=$4 got
  got=$(result_of "$runner")
  if ! same_result "$got" "$expected" "$exact"; then
    echo "$prog: $runner printed '$got', C printed '$expected'" >&2
    exit 1
  fi
}

run_benchmarks() {
  local programs=(count sieve strings calls single)
  local peers=()
  for p in "${peer_names[@]}"; do
    if have "${peer_tool[$p]}"; then peers+=("$p"); else echo "note: ${peer_tool[$p]} not installed, ${peer_title[$p]} left out" >&2; fi
  done
  echo "## RUN: CPU time (user + system), medians of $runs runs per pair; load before: $(load)"
  echo
  local header="| benchmark | ombrik \`RUN\` |" rule="|---|---|"
  for p in "${peers[@]}"; do header+=" ${peer_title[$p]} |"; rule+="---|"; done
  local cpu_table="$header"$'\n'"$rule" wall_table="$header"$'\n'"$rule"
  local ratio_header="| benchmark |" ratio_rule="|---|"
  for p in "${peers[@]}"; do ratio_header+=" ombrik / ${peer_title[$p]} |"; ratio_rule+="---|"; done
  local ratio_table="$ratio_header"$'\n'"$ratio_rule" verdicts=""
  for prog in "${programs[@]}"; do
    local src=$here/programs/$prog exact=1
    [ "$prog" = single ] && exact=0
    gcc -O2 -o "$work/$prog.c.bin" "$src.c"
    : > "$work/stdin"
    "$work/$prog.c.bin" > "$work/c.out"
    local expected
    expected=$(result_of c)
    { cat "$src.bas"; printf 'RUN\nQUIT\n'; } > "$work/$prog.session"
    { printf 'OSCLI "SPOOL %s"\n' "$work/brandy.spool"; cat "$src.bbc"; } > "$work/$prog.bbc"
    echo "cp '$work/$prog.session' '$work/stdin'; time_run ombrik '$ombrik'; check_result $prog ombrik '$expected' $exact" > "$work/ombrik.cmd"
    echo ": > '$work/stdin'; time_run brandy brandy -quit '$work/$prog.bbc'; check_result $prog brandy '$expected' $exact" > "$work/brandy.cmd"
    echo ": > '$work/stdin'; time_run yabasic yabasic '$src.yab'; check_result $prog yabasic '$expected' $exact" > "$work/yabasic.cmd"
    echo ": > '$work/stdin'; time_run lua lua5.4 '$src.lua'; check_result $prog lua '$expected' $exact" > "$work/lua.cmd"
    echo ": > '$work/stdin'; time_run c '$work/$prog.c.bin'; check_result $prog c '$expected' $exact" > "$work/c.cmd"
    local all_ombrik=() cpu_row="| $prog |" wall_row="| $prog |" ratio_row="| $prog |"
    declare -A peer_cpu=() peer_wall=()
    for p in "${peers[@]}"; do
      pair ombrik "$p"
      all_ombrik+=("$(cat "$work/ombrik.times")")
      peer_cpu[$p]=$(med "$p" 2)
      peer_wall[$p]=$(med "$p" 1)
      local r
      r=$(ratios ombrik "$p")
      ratio_row+=" $r |"
      case $p in
        brandy) verdicts+="$prog: ombrik/Brandy $r, wanted at most 0.50"$'\n' ;;
        lua) [ "$prog" = count ] || [ "$prog" = sieve ] && verdicts+="$prog: ombrik/Lua $r, wanted at most 3.00"$'\n' ;;
      esac
    done
    printf '%s\n' "${all_ombrik[@]}" > "$work/ombrik.times"
    cpu_row+=" $(printf '%.3f' "$(med ombrik 2)") s |"
    wall_row+=" $(printf '%.3f' "$(med ombrik 1)") s |"
    for p in "${peers[@]}"; do
      cpu_row+=" $(printf '%.3f' "${peer_cpu[$p]}") s |"
      wall_row+=" $(printf '%.3f' "${peer_wall[$p]}") s |"
    done
    cpu_table+=$'\n'"$cpu_row"
    wall_table+=$'\n'"$wall_row"
    ratio_table+=$'\n'"$ratio_row"
    unset peer_cpu peer_wall
  done
  echo "$cpu_table"
  echo
  echo "CPU-time ratios, median of the rounds (range):"
  echo
  echo "$ratio_table"
  echo
  echo "Wall time, medians:"
  echo
  echo "$wall_table"
  echo
  echo "Targets:"
  printf '%s' "$verdicts"
  echo "load after: $(load)"
  echo
}

# ------------------------------------------------------------ compile ----
# gen_program LINES VARIABLES KIND: a program of LINES lines over VARIABLES
# distinct variable names, as an ombrik session (KIND bas) or its C twin
# (KIND c). A program with the README's default firmware table holds a few
# thousand such lines, so the session starts a new program with CLEAR every
# CHUNK lines; the C twin puts each chunk in its own function.
gen_program() {
  awk -v lines="$1" -v n="$2" -v kind="$3" -v chunk=2000 '
    function v(k) { return "var" (k % n) }
    BEGIN {
      if (kind == "c") { for (k = 0; k < n; k++) printf "int var%d;\n", k }
      for (i = 0; i < lines; i++) {
        if (i % chunk == 0) {
          if (kind == "c") { if (i) print "}"; printf "void chunk%d(void) {\n", i / chunk }
          else if (i) print "CLEAR"
        }
        a = v(3 * i); b = v(3 * i + 1); c = v(3 * i + 2)
        m = i % 4
        if (kind == "c") {
          if (m == 0) printf "  %s = %s + %s * 3;\n", a, b, c
          else if (m == 1) printf "  %s = (%s - %s) & 255;\n", a, b, c
          else if (m == 2) printf "  if (%s > %s) %s = %s - %s;\n", a, b, c, a, b
          else printf "  %s = %s * %s - 1;\n", a, b, c
        } else {
          if (m == 0) printf "%s = %s + %s * 3\n", a, b, c
          else if (m == 1) printf "%s = (%s - %s) AND 255\n", a, b, c
          else if (m == 2) printf "IF %s > %s THEN %s = %s - %s\n", a, b, c, a, b
          else printf "%s = %s * %s - 1\n", a, b, c
        }
      }
      if (kind == "c") print "}"; else print "QUITDUMP"
    }'
}

compile_benchmarks() {
  echo "## Compile: $lines lines, CPU time (user + system), medians of $runs runs per pair; load before: $(load)"
  echo
  for n in 500 4000; do
    gen_program "$lines" "$n" bas > "$work/gen$n.in"
    gen_program "$lines" "$n" c > "$work/gen$n.c"
    echo "cp '$work/gen$n.in' '$work/stdin'; time_run ombrik$n '$ombrik'; grep -q -- '-ERROR' '$work/ombrik$n.out' && { echo 'the generated program has errors' >&2; exit 1; } || true" > "$work/ombrik$n.cmd"
    echo ": > '$work/stdin'; time_run tcc$n tcc -c '$work/gen$n.c' -o '$work/gen$n.o'" > "$work/tcc$n.cmd"
  done
  echo "| program | ombrik | tcc on the C twin | ombrik / tcc | ombrik µs per line |"
  echo "|---|---|---|---|---|"
  local per_line=()
  for n in 500 4000; do
    if have tcc; then
      pair "ombrik$n" "tcc$n"
      local o t
      o=$(med "ombrik$n" 2)
      t=$(med "tcc$n" 2)
      printf '| %d lines, %d variables | %.3f s | %.3f s | %s | %.2f |\n' "$lines" "$n" "$o" "$t" \
        "$(ratios "ombrik$n" "tcc$n")" "$(echo "$o * 1000000 / $lines" | bc -l)"
    else
      rm -f "$work/ombrik$n.times"
      for _ in $(seq "$runs"); do source "$work/ombrik$n.cmd"; done
      printf '| %d lines, %d variables | %.3f s | (no tcc) | | |\n' "$lines" "$n" "$(med "ombrik$n" 2)"
    fi
  done
  echo
  # The two ombrik programs once more, in alternation with each other.
  pair ombrik4000 ombrik500
  echo "Cost per line, 4000 against 500 variables (same number of lines), CPU-time ratio: $(ratios ombrik4000 ombrik500), wanted at most 1.50"
  if have tcc; then
    echo "Compile targets: ombrik/tcc at most 1.00 on the $lines-line program (table above)"
  else
    echo "note: tcc not installed, the comparison with tcc left out" >&2
  fi
  echo "load after: $(load)"
  echo
}

if [ "$what" = generate ]; then
  gen_program "$2" "$3" "${4:-bas}"
  exit 0
fi
[ -x "$ombrik" ] || { echo "no ombrik at $ombrik (build it first, or set OMBRIK)" >&2; exit 2; }
gcc -O2 -o "$work/cputime" "$here/cputime.c"
echo "ombrik: $ombrik"
cache=$(dirname "$(dirname "$ombrik")")/CMakeCache.txt
if [ -f "$cache" ]; then
  echo "build type: $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$cache") (the README's build is Release)"
fi
echo "machine: $(nproc) cores; $(uname -sr)"
echo
[ "$what" = compile ] || run_benchmarks
[ "$what" = run ] || compile_benchmarks
