#!/usr/bin/env bash
# Source-level debugging of a program in two files (gdb/main.bas includes
# gdb/lib/step.bas): `ombrik build --format=elf` writes the ELF, `ombrik sim
# --gdb` runs it, and gdb-multiarch in batch mode steps from a GOSUB line
# into its label in the other file, stops at a line of each file, prints two
# variables by name, steps line by line (over a line that calls firmware
# routines too) and continues to the end; its transcript
# must be gdb/expected.gdb on both boards, and the program's output and
# status those of `ombrik run`. The source file run directly must trace the
# same lines as its ELF image.
# Usage: sim_gdb.sh OMBRIK GDB
set -u
ombrik=$1
gdb=$2
here=$(cd "$(dirname "$0")" && pwd)
boards=$(cd "$here/../../boards" && pwd)
work=$(mktemp -d)
sim_pid=
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2> /dev/null; rm -rf "$work"' EXIT
cd "$here/gdb" || exit 1
failed=0

fail() {
  echo "$1"
  failed=1
}

for board in cortex arm7; do
  table=$boards/sim-$board.table
  elf=$work/main_$board.elf
  "$ombrik" build main.bas --format=elf -t "$table" -o "$elf" > /dev/null || fail "$board: build failed"
  "$ombrik" run main.bas -t "$table" > "$work/run.out" || fail "$board: run failed"

  # Port 0: the simulator picks a free port and names it.
  "$ombrik" sim "$elf" -t "$table" --gdb 0 > "$work/sim.out" 2> "$work/sim.err" &
  sim_pid=$!
  port=
  for _ in $(seq 100); do
    port=$(sed -n 's/^gdb: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/sim.err")
    [ -n "$port" ] && break
    sleep 0.1
  done
  if [ -z "$port" ]; then
    fail "$board: the simulator did not listen:"
    cat "$work/sim.err"
    continue
  fi
  # Variables have no type in the debug information: they are words.
  timeout 60 "$gdb" -batch -nx -ex "target remote 127.0.0.1:$port" \
    -ex "break main.bas:8" -ex continue -ex step -ex step -ex "delete 1" \
    -ex "break lib/step.bas:4" -ex continue -ex "print (int) TOTAL" -ex "print (int) COUNT" -ex next \
    -ex "delete 2" -ex "break main.bas:10" -ex continue -ex "print (int) TOTAL" -ex "print (int) COUNT" \
    -ex next -ex next -ex continue "$elf" > "$work/gdb.out" 2>&1
  wait "$sim_pid"
  status=$?
  sim_pid=
  # Addresses differ between the boards and with the code; the lines,
  # functions and values do not.
  sed -E 's/0x[0-9a-f]+/ADDRESS/g' "$work/gdb.out" > "$work/gdb.txt"
  if ! cmp -s expected.gdb "$work/gdb.txt"; then
    fail "$board: gdb's transcript differs (expected vs actual):"
    diff -u expected.gdb "$work/gdb.txt"
  fi
  [ "$status" = 0 ] || fail "$board: ombrik sim --gdb ended with status $status"
  cmp -s "$work/run.out" "$work/sim.out" || fail "$board: the program's output differs from RUN's"
  printf 'gdb: listening on 127.0.0.1:%s\ngdb: connected\n' "$port" > "$work/sim.expected"
  cmp -s "$work/sim.expected" "$work/sim.err" || fail "$board: ombrik sim --gdb reported: $(cat "$work/sim.err")"

  "$ombrik" sim main.bas -t "$table" --trace=lines > /dev/null 2> "$work/trace_source" || fail "$board: sim main.bas failed"
  "$ombrik" sim "$elf" -t "$table" --trace=lines > /dev/null 2> "$work/trace_elf" || fail "$board: sim main.elf failed"
  if ! cmp -s expected.trace "$work/trace_source" || ! cmp -s expected.trace "$work/trace_elf"; then
    fail "$board: traced lines differ (expected, from the source, from the ELF):"
    cat expected.trace
    echo ---
    cat "$work/trace_source"
    echo ---
    cat "$work/trace_elf"
  fi
done
exit $failed
