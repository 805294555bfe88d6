#!/usr/bin/env bash
# Checks a fuzzing dictionary, written by a program or kept in a file:
# every line must be name="value" with only \", \\ and \xNN escapes
# (AFL++ and libFuzzer refuse the whole dictionary otherwise; a file may
# have comment lines), and each WORD must be one of the values.
#   check_dictionary.sh PROGRAM WORD...
#   check_dictionary.sh --file DICTIONARY WORD...
set -uo pipefail
if [ "$1" = --file ]; then
  dict=$(grep -v '^#' "$2") || { echo "cannot read $2"; exit 1; }
  shift 2
else
  dict=$("$1") || { echo "$1 failed"; exit 1; }
  shift
fi
bad=$(grep -vxE '[a-z_0-9]+="([^"\\]|\\["\\]|\\x[0-9A-F]{2})*"' <<< "$dict")
if [ -n "$bad" ]; then
  echo "malformed lines:"
  echo "$bad"
  exit 1
fi
for word in "$@"; do
  grep -qxF "=\"$word\"" <(sed 's/^[a-z_0-9]*//' <<< "$dict") || { echo "no entry \"$word\""; exit 1; }
done
echo "$(wc -l <<< "$dict") entries"
