#!/usr/bin/env bash
# Runs every unit test in one process and checks that all of them ran: a
# test that ends the process early (the compiler exits at the end of its
# input) would otherwise pass unnoticed.
set -u
binary=$1
listed=$("$binary" --gtest_list_tests | grep -c '^  ')
output=$("$binary" 2>/dev/null)
status=$?
passed=$(printf '%s\n' "$output" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p')
if [ "$status" -ne 0 ] || [ "${passed:-0}" != "$listed" ]; then
  printf '%s\n' "$output" | tail -20
  echo "expected $listed tests to pass, the run reported ${passed:-none} (status $status)"
  exit 1
fi
