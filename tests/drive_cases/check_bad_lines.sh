#!/bin/sh
# `sparestock drive` answers every line, bad bytes and malformed JSON included, and goes on:
# five lines in, five answers out, the last one a state.
set -u
program="$1"
db="${TMPDIR:-/tmp}/drive-bad-lines-$$.db"
out=$(printf '\377\376\n{"op":"\303\050"}\nnot json\n{"op":"answer","button":1e400}\n{"op":"state"}\n' |
  "$program" drive --db "$db")
status=$?
rm -f "$db"
lines=$(printf '%s\n' "$out" | wc -l)
if [ "$status" -ne 0 ] || [ "$lines" -ne 5 ]; then
  echo "drive answered $lines lines (exit $status):"; printf '%s\n' "$out"; exit 1
fi
refused=$(printf '%s\n' "$out" | head -4 | grep -c '"ok":false')
[ "$refused" -eq 4 ] || { echo "bad lines not refused:"; printf '%s\n' "$out"; exit 1; }
printf '%s\n' "$out" | tail -1 | grep -q '"ok":true' || { echo "the session did not go on:"; printf '%s\n' "$out"; exit 1; }
