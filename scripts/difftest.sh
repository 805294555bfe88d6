#!/usr/bin/env bash
# Runs random programs with RUN and as Thumb and ARM images and compares
# their output (tests/differential/README.md):
#
#   scripts/difftest.sh COUNT [FIRST_SEED [BOARD]]
#
# COUNT programs from FIRST_SEED on (default 1000000, beyond the seeds the
# test suite runs), on BOARD (thumb, arm or both, the default). Uses the
# plain build in build/, building what it needs. A program that disagrees is
# reduced to a small reproducer in build/difftest-findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:?usage: scripts/difftest.sh COUNT [FIRST_SEED [thumb|arm|both]]}
first=${2:-1000000}
board=${3:-both}
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja > /dev/null
cmake --build build -j "$(nproc)" --target ombrik ombrik_emu ombrik_difftest > /dev/null
exec build/tests/differential/ombrik_difftest --target="$board" --out=build/difftest-findings \
  check build/compiler/ombrik build/tests/emulation/ombrik_emu "$first" "$count"
