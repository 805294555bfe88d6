#!/usr/bin/env bash
# Runs one board case: tests/emulation/board/NAME.bas through `ombrik sim`
# with the arguments in NAME.args (file names in them are relative to
# board/) and NAME.in on standard input (or nothing), then either
#  - NAME.run exists: compares standard output and standard error together
#    (pin reports interleaved with the program's output) with what `ombrik
#    run` prints for the same program and table, and the status with 0; or
#  - compares standard output with NAME.out, standard error with NAME.err
#    (empty when there is none) and the status with NAME.status (0 when
#    there is none).
# Usage: run_board_case.sh OMBRIK CASE
set -u
ombrik=$1
case_path=$2
boards=$(cd "$(dirname "$0")/../../boards" && pwd)
dir=$(dirname "$case_path")
name=$(basename "$case_path")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$dir" || exit 1

args=()
[ -f "$name.args" ] && read -r -a args < "$name.args"
input=/dev/null
[ -f "$name.in" ] && input="$name.in"

failed=0
if [ -f "$name.run" ]; then
  "$ombrik" sim "$name.bas" "${args[@]}" < "$input" > "$work/sim" 2>&1
  status=$?
  # RUN with the same table: -t TABLE, --board arm7, or the Cortex board's.
  table=$boards/sim-cortex.table
  for ((k = 0; k < ${#args[@]}; k++)); do
    [ "${args[k]}" = "-t" ] && table=${args[k + 1]}
    [ "${args[k]}" = "--board" ] && [ "${args[k + 1]}" = "arm7" ] && table=$boards/sim-arm7.table
  done
  "$ombrik" run "$name.bas" -t "$table" < "$input" > "$work/run" || failed=1
  if ! cmp -s "$work/run" "$work/sim"; then
    echo "sim's output and pin reports differ from RUN's (RUN vs sim):"
    diff -u <(cat -A "$work/run") <(cat -A "$work/sim")
    failed=1
  fi
  expected_status=0
else
  "$ombrik" sim "$name.bas" "${args[@]}" < "$input" > "$work/stdout" 2> "$work/stderr"
  status=$?
  if ! cmp -s "$name.out" "$work/stdout"; then
    echo "stdout differs (expected vs actual):"
    diff -u <(cat -A "$name.out") <(cat -A "$work/stdout")
    failed=1
  fi
  expected_err=/dev/null
  [ -f "$name.err" ] && expected_err="$name.err"
  if ! cmp -s "$expected_err" "$work/stderr"; then
    echo "stderr differs (expected vs actual):"
    diff -u <(cat -A "$expected_err") <(cat -A "$work/stderr")
    failed=1
  fi
  expected_status=0
  [ -f "$name.status" ] && expected_status=$(cat "$name.status")
fi
if [ "$status" != "$expected_status" ]; then
  echo "exit status: expected $expected_status, got $status"
  failed=1
fi
exit $failed
