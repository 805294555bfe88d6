#!/usr/bin/env bash
# `ombrik sim` on image files: the board's own HEX, a standard Intel HEX
# written by srec_cat, an ELF written by objcopy or assembled with a line
# table, and broken or mismatched images and options, each with its exact
# message and exit status.
# Usage: sim_images.sh OMBRIK SREC_CAT ARM_OBJCOPY HOST_OBJCOPY ARM_AS ARM_LD
set -u
ombrik=$1
srec_cat=$2
arm_objcopy=$3
objcopy=$4
arm_as=$5
arm_ld=$6
here=$(cd "$(dirname "$0")" && pwd)
boards=$(cd "$here/../../boards" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failed=0

# expect NAME STATUS EXPECTED-STDERR-FILE EXPECTED-STDOUT-FILE -- COMMAND...
expect() {
  local name=$1 status=$2 err=$3 out=$4
  shift 5
  "$@" < /dev/null > "$name.stdout" 2> "$name.stderr"
  local got=$?
  if [ "$got" != "$status" ]; then
    echo "$name: exit status $got, expected $status"
    failed=1
  fi
  if ! cmp -s "$err" "$name.stderr"; then
    echo "$name: stderr differs (expected vs actual):"
    diff -u "$err" "$name.stderr"
    failed=1
  fi
  if ! cmp -s "$out" "$name.stdout"; then
    echo "$name: stdout differs (expected vs actual):"
    diff -u "$out" "$name.stdout"
    failed=1
  fi
}

# The board's HEX of a program, as ombrik build writes it.
board_hex() {  # BOARD PROGRAM OUT
  "$ombrik" build "$2" -t "$boards/sim-$1.table" -o "$3" > /dev/null
}

# A standard Intel HEX of the same bytes, written by srec_cat: each board
# block (its data records, then its upper-address record or 02 block
# marker, then an end-of-file record) is read on its own and moved to its
# upper address half.
standard_hex() {  # BOARD-HEX OUT
  local inputs=()
  awk -v dir="$work" '
    function hexval(s,   i, v) { v = 0; for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789ABCDEF", toupper(substr(s, i, 1))) - 1; return v }
    { type = substr($0, 8, 2) }
    type == "00" { data[n++] = $0 }
    type == "04" { upper = hexval(substr($0, 10, 4)) }
    type == "02" && substr($0, 2, 2) == "00" { upper = int(hexval(substr($0, 4, 4)) / 4096) }
    type == "01" {
      if (n > 0) {
        file = sprintf("%s/block%d.hex", dir, blocks)
        for (i = 0; i < n; i++) print data[i] > file
        print ":00000001FF" > file
        close(file)
        printf "%s %d\n", file, upper * 65536
        blocks++
      }
      n = 0; upper = 0
    }' "$1" > blocks.txt
  while read -r file offset; do inputs+=("$file" -Intel -offset "$offset"); done < blocks.txt
  "$srec_cat" "${inputs[@]}" -o "$2" -Intel -Output_Block_Size=16
}

program=$here/corpus/strings_basic.bas
"$ombrik" run "$program" -t "$boards/sim-cortex.table" > run_output.txt || failed=1
: > empty
board_hex cortex "$program" thumb.hex
board_hex arm7 "$program" arm.hex
standard_hex thumb.hex thumb_standard.hex
standard_hex arm.hex arm_standard.hex
"$arm_objcopy" -I ihex -O elf32-littlearm --set-start 0x8001 thumb_standard.hex thumb.elf
"$arm_objcopy" -I ihex -O elf32-littlearm --set-start 0x8000 arm_standard.hex arm.elf
"$objcopy" -I ihex -O elf32-i386 thumb_standard.hex i386.elf
grep -c '^:00000001FF' thumb_standard.hex | grep -qx 1 || { echo "srec_cat wrote more than one end record"; failed=1; }

expect board_hex_thumb 0 empty run_output.txt -- "$ombrik" sim thumb.hex
expect board_hex_arm 0 empty run_output.txt -- "$ombrik" sim arm.hex --board arm7
expect standard_hex_thumb 0 empty run_output.txt -- "$ombrik" sim thumb_standard.hex
expect standard_hex_arm 0 empty run_output.txt -- "$ombrik" sim arm_standard.hex --board arm7
expect elf_thumb 0 empty run_output.txt -- "$ombrik" sim thumb.elf
expect elf_arm 0 empty run_output.txt -- "$ombrik" sim arm.elf --board arm7

# The standard HEX and ELF images ombrik build writes itself.
for board in cortex arm7; do
  for format in ihex elf; do
    "$ombrik" build "$program" -t "$boards/sim-$board.table" --format=$format -o "built_$board.$format" > /dev/null ||
      failed=1
    expect "built_${format}_$board" 0 empty run_output.txt -- "$ombrik" sim "built_$board.$format" --board $board
  done
done

# A checksum changed on the second record.
sed '2s/.$/0/' thumb.hex > bad_checksum.hex
sed -n 2p bad_checksum.hex | grep -q '0$' || sed -i '2s/.$/1/' bad_checksum.hex
printf 'sim: bad_checksum.hex: line 2: checksum wrong: %s\n' "$(sed -n 2p bad_checksum.hex)" > bad_checksum.err
expect bad_checksum 10 bad_checksum.err empty -- "$ombrik" sim bad_checksum.hex

cat > arm_on_cortex.err <<'EOF'
sim: arm.hex does not start with Thumb code at 0x00008000, where the cortex board's table puts the code start (give the table the image was built with: -t TABLE)
EOF
expect arm_on_cortex 10 arm_on_cortex.err empty -- "$ombrik" sim arm.hex
echo "sim: thumb.elf holds Thumb code, but the arm7 board runs ARM code" > thumb_elf_on_arm7.err
expect thumb_elf_on_arm7 10 thumb_elf_on_arm7.err empty -- "$ombrik" sim thumb.elf --board arm7
echo "sim: i386.elf: an ELF file for machine 3, not for ARM (40)" > i386.err
expect elf_wrong_machine 10 i386.err empty -- "$ombrik" sim i386.elf

# Thumb code whose first instruction calls 0x9000, where nothing is: BL
# from 0x8000 to 0x9000 is F000 FFFE.
printf ':0880000000F0FEFF00BF00BF0D\n:00000001FF\n' > no_code.hex
cat > no_code.err <<'EOF'
sim: warning: code check: 0x00008000: BL to 0x00009000, neither code nor a firmware entry
sim: execution reached 0x00009000, where there is no code
EOF
expect jump_to_no_code 11 no_code.err empty -- "$ombrik" sim no_code.hex

# An ELF with a DWARF line table, assembled by the GNU assembler: lines
# traced and the fault's line named.
cat > lines.s <<'EOF'
    .syntax unified
    .thumb
    .equ printnum, 0x1000 + 4 * 55
    .equ divide, 0x1000 + 4 * 15
    .text
    .global _start
    .thumb_func
_start:
    .file 1 "prog.bas"
    .loc 1 1
    bl start
start:
    .loc 1 2
    movs r7, #42
    bl printnum
    .loc 1 3
    movs r7, #5
    movs r6, #0
    .loc 1 4
    bl divide
    pop {r4}
    pop {pc}
EOF
"$arm_as" lines.s -o lines.o && "$arm_ld" -Ttext=0x8000 -e _start lines.o -o lines.elf || failed=1
printf '42' > lines.out
printf 'prog.bas:1\nprog.bas:2\nprog.bas:3\nprog.bas:4\nsim: division by zero at 0x0000800E (prog.bas:4)\n' > lines.err
expect elf_line_table 11 lines.err lines.out -- "$ombrik" sim lines.elf --trace=lines

echo "sim: cannot read missing.hex: No such file or directory" > missing.err
expect missing_file 10 missing.err empty -- "$ombrik" sim missing.hex
mkdir directory.hex
echo "sim: directory.hex: no Intel HEX records" > directory.err
expect directory 10 directory.err empty -- "$ombrik" sim directory.hex
printf 'hello\n' > text.hex
echo "sim: text.hex: no Intel HEX records" > text.err
expect not_hex 10 text.err empty -- "$ombrik" sim text.hex

# Source files: compile errors and bad tables end sim as they end build.
printf 'PRINT "a"\nx = \n' > broken.bas
printf 'broken.bas:2:5: error: Expected Operand\nx = \n    ^\n' > broken.err
expect compile_error 1 broken.err empty -- "$ombrik" sim broken.bas
head -5 "$boards/sim-cortex.table" > bad.table
echo ZZZZ >> bad.table
echo "bad.table:6: error: illegal address entry --ZZZZ--" > bad_table.err
expect bad_table_source 7 bad_table.err empty -- "$ombrik" sim broken.bas -t bad.table
expect bad_table_image 7 bad_table.err empty -- "$ombrik" sim thumb.hex -t bad.table

# Options.
usage_error() {  # MESSAGE FILE
  printf "ombrik: error: %s\nRun 'ombrik --help' for the subcommands and their options.\n" "$1" > "$2"
}
usage_error "unknown option '--fast'" unknown_option.err
expect unknown_option 2 unknown_option.err empty -- "$ombrik" sim thumb.hex --fast
usage_error "--max-instructions needs a positive whole number, not 12x" bad_number.err
expect bad_number 2 bad_number.err empty -- "$ombrik" sim thumb.hex --max-instructions 12x
usage_error "--max-time needs a positive whole number of milliseconds, not 0" bad_time.err
expect bad_time 2 bad_time.err empty -- "$ombrik" sim thumb.hex --max-time=0
usage_error "--gdb needs a port number from 0 to 65535, not 70000" bad_port.err
expect bad_port 2 bad_port.err empty -- "$ombrik" sim thumb.hex --gdb 70000
usage_error "--trace takes lines, not calls" bad_trace.err
expect bad_trace 2 bad_trace.err empty -- "$ombrik" sim thumb.hex --trace=calls
usage_error "--board is cortex or arm7, not avr" bad_board.err
expect bad_board 2 bad_board.err empty -- "$ombrik" sim thumb.hex --board avr
usage_error "sim takes FILE.bas|FILE.hex|FILE.elf: ombrik sim FILE.bas|FILE.hex|FILE.elf [options]" no_program.err
expect no_program 2 no_program.err empty -- "$ombrik" sim --stats
echo "sim: the table $here/tables/arm7_1850.table is for the arm7 board (firmware version 1850), not cortex" > table_board.err
expect table_and_board 2 table_board.err empty -- "$ombrik" sim thumb.hex -t "$here/tables/arm7_1850.table" --board cortex
echo "sim: cannot read missing.pins: No such file or directory" > missing_pins.err
expect missing_pins 2 missing_pins.err empty -- "$ombrik" sim thumb.hex --pins missing.pins
printf '0 pin 5 high\n10 pin 300 low\n' > bad.pins
echo "sim: bad.pins: line 2: no pin 300 (the board has pins 0 to 191)" > bad_pins.err
expect bad_pin_number 2 bad_pins.err empty -- "$ombrik" sim thumb.hex --pins bad.pins
printf '10 pin 5 high\n5 pin 5 low\n' > backwards.pins
echo "sim: backwards.pins: line 2: the time 5 lies before the previous line's" > backwards.err
expect pins_backwards 2 backwards.err empty -- "$ombrik" sim thumb.hex --pins backwards.pins
printf '10 pin 5 maybe\n' > level.pins
echo "sim: level.pins: line 1: a pin is high, low, 1 or 0, not maybe" > level.err
expect pins_bad_level 2 level.err empty -- "$ombrik" sim thumb.hex --pins level.pins
printf '10 led 5 on\n' > kind.pins
echo "sim: kind.pins: line 1: expected pin or ad after the time, not led" > kind.err
expect pins_bad_kind 2 kind.err empty -- "$ombrik" sim thumb.hex --pins kind.pins
exit $failed
