#!/usr/bin/env bash
# Runs one end-to-end case: feeds CASE.in to ombrik and compares the whole
# stdout, the exit status and (when CASE.err exists) stderr with the
# expected ones. A mismatch prints a readable diff.
set -u
ombrik=$1
case_path=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

args=()
if [ -f "$case_path.args" ]; then
  read -r -a args < "$case_path.args"
fi

"$ombrik" "${args[@]}" < "$case_path.in" > "$work/stdout" 2> "$work/stderr"
status=$?
# A run's duration differs from run to run; the cases write it as N.
sed -i -E 's/Finished on the PC in [0-9]+ ms/Finished on the PC in N ms/' "$work/stdout"

failed=0
if ! cmp -s "$case_path.out" "$work/stdout"; then
  echo "stdout differs (expected vs actual; cat -A shows line ends):"
  diff -u <(cat -A "$case_path.out") <(cat -A "$work/stdout")
  failed=1
fi
if [ -f "$case_path.err" ] && ! cmp -s "$case_path.err" "$work/stderr"; then
  echo "stderr differs (expected vs actual):"
  diff -u <(cat -A "$case_path.err") <(cat -A "$work/stderr")
  failed=1
fi
expected_status=$(cat "$case_path.status")
if [ "$status" != "$expected_status" ]; then
  echo "exit status: expected $expected_status, got $status"
  failed=1
fi
exit $failed
