#!/usr/bin/env bash
# Replays the inputs of a program fuzzed through its standard input:
#   replay_stdin.sh PROGRAM LOW HIGH DIR_OR_FILE...
# Each input goes to PROGRAM's standard input. The run must end within
# REPLAY_SECONDS (10 unless set), with an exit status from LOW to HIGH and
# without a sanitizer report on standard error. Missing folders are skipped
# (a harness without past faults has no regressions folder).
set -uo pipefail
program=$1 low=$2 high=$3
shift 3
seconds=${REPLAY_SECONDS:-10}
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
count=0 failed=0
for place in "$@"; do
  [ -e "$place" ] || continue
  while IFS= read -r -d '' input; do
    count=$((count + 1))
    timeout "$seconds" "$program" < "$input" > /dev/null 2> "$errors"
    status=$?
    if [ "$status" -eq 124 ]; then
      echo "FAIL $input: still running after $seconds s"
      failed=$((failed + 1))
    elif [ "$status" -lt "$low" ] || [ "$status" -gt "$high" ]; then
      echo "FAIL $input: exit status $status, not $low to $high"
      failed=$((failed + 1))
    elif grep -qE '^==[0-9]+==ERROR: |runtime error: |^SUMMARY: [A-Za-z]+Sanitizer' "$errors"; then
      echo "FAIL $input: sanitizer report"
      cat "$errors"
      failed=$((failed + 1))
    fi
  done < <(find "$place" -type f -print0 | sort -z)
done
echo "replayed $count inputs, $failed failed"
[ "$failed" -eq 0 ]
