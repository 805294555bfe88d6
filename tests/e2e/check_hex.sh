#!/usr/bin/env bash
# Reads back every block of Intel HEX in the expected output of an end-to-end
# case with srec_cat (each block ends with its own end-of-file record) and
# compares the bytes srec_cat reports with the data fields of the records.
# Block markers of the 1792..2100 firmware (":00AAAA02EE") are not Intel HEX
# and are left out.
set -u -o pipefail
srec_cat=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One "address byte" line per data byte, as written in the records.
HEXNUM='function hexnum(s,  v, k) { v = 0; for (k = 1; k <= length(s); k++) v = v * 16 + index("0123456789ABCDEF", substr(s, k, 1)) - 1; return v }'

record_bytes() {
  awk "$HEXNUM"'/^:/ && substr($0, 8, 2) == "00" {
    n = hexnum(substr($0, 2, 2)); a = hexnum(substr($0, 4, 4))
    for (k = 0; k < n; k++) printf "%08X %s\n", a + k, substr($0, 10 + 2 * k, 2)
  }' "$1" | sort
}

# The same from srec_cat's hex dump: a byte per three columns after "AAAAAAAA: ".
reader_bytes() {
  "$srec_cat" "$1" -Intel -o - -HEX_Dump | awk "$HEXNUM"'{
    a = hexnum(substr($0, 1, 8))
    for (k = 0; k < 16; k++) { b = substr($0, 11 + 3 * k, 2); if (b ~ /^[0-9A-F][0-9A-F]$/) printf "%08X %s\n", a + k, b }
  }' | sort
}

grep '^:' "$out" | grep -v -E '^:00[0-9A-F]{4,}02EE$' | awk -v dir="$work" '
  { file = sprintf("%s/block%03d.hex", dir, n); print > file }
  $0 == ":00000001FF" { close(file); n++ }'

failed=0
for block in "$work"/block*.hex; do
  [ -e "$block" ] || continue
  if ! tail -n 1 "$block" | grep -qx ':00000001FF'; then
    echo ":00000001FF" >> "$block"
  fi
  if ! reader_bytes "$block" > "$work/read"; then
    echo "srec_cat refuses block $(basename "$block") of $out"
    failed=1
  elif ! diff <(record_bytes "$block") "$work/read" > "$work/diff"; then
    echo "block $(basename "$block") of $out reads back differently:"
    cat "$work/diff"
    failed=1
  fi
done
exit $failed
