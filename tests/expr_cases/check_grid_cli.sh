#!/bin/sh
# Checks `sparestock grid` end to end on a fresh demo database: the printed shape (header of
# column names, tab-separated rows, decimals with their places, "rows: N"), the filter and sort
# options, and the refusals (bad expression, unknown grid, missing argument) with exit code 1.
# Usage: check_grid_cli.sh path/to/sparestock
set -u
bin=${1:?usage: check_grid_cli.sh path/to/sparestock}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
db="$dir/demo.db"
"$bin" init --db "$db" --demo --parts 300 --today 2026-12-08 >/dev/null || { echo "FAIL init"; exit 1; }
fail=0
check() {  # check NAME CONDITION-RESULT
  if [ "$2" -ne 0 ]; then echo "FAIL $1"; fail=$((fail + 1)); fi
}

out=$("$bin" grid --db "$db" --grid d_bj704_002 --arg gsh=01 --columns CCPH,nkcsl,ckh \
  --filter "dbj030_ckh = '01'" --sort "CCPH D")
check "exit code of a good run" $?
header=$(printf '%s\n' "$out" | head -n 1)
[ "$header" = "$(printf 'dbj030_ccph\tdbj030_nkcsl\tdbj030_ckh')" ]; check "header names the columns" $?
last=$(printf '%s\n' "$out" | tail -n 1)
n=${last#rows: }
lines=$(printf '%s\n' "$out" | wc -l)
[ "$lines" -eq $((n + 2)) ]; check "one line per row between header and count ($lines lines, $n rows)" $?
[ "$n" -gt 0 ]; check "the demo warehouse 01 has stock" $?
bad=$(printf '%s\n' "$out" | sed '1d;$d' | awk -F '\t' '$3 != "01" || $2 !~ /^-?[0-9]+\.[0-9][0-9]$/' | wc -l)
[ "$bad" -eq 0 ]; check "rows of warehouse 01 only, quantities with two places" $?
sorted=$(printf '%s\n' "$out" | sed '1d;$d' | cut -f1 | LC_ALL=C sort -r -s | tr '\n' ' ')
shown=$(printf '%s\n' "$out" | sed '1d;$d' | cut -f1 | tr '\n' ' ')
[ "$sorted" = "$shown" ]; check "sorted by part number, descending" $?

all=$("$bin" grid --db "$db" --grid d_bj704_002 --arg gsh=01 --columns ccph | tail -n 1)
none=$("$bin" grid --db "$db" --grid d_bj704_002 --arg gsh=01 --columns ccph --filter "1=2")
[ "$none" = "$(printf 'dbj030_ccph\nrows: 0')" ]; check "an empty result still prints header and count" $?
[ "${all#rows: }" -ge "$n" ]; check "no filter shows every row" $?

err=$("$bin" grid --db "$db" --grid d_bj704_002 --arg gsh=01 --filter "ccph like 'x" 2>&1 >/dev/null)
code=$?
[ "$code" -eq 1 ]; check "a bad filter exits 1" $?
[ "$err" = "sparestock grid: bad filter: unterminated text literal at position 11" ]; check "the parser's message: $err" $?
err=$("$bin" grid --db "$db" --grid d_bj704_002 --arg gsh=01 --sort "ccph X" 2>&1 >/dev/null)
[ $? -eq 1 ] && [ "$err" = "sparestock grid: bad sort: expected A or D after a sort key, found 'X' at position 6" ]
check "a bad sort exits 1 with the parser's message: $err" $?
err=$("$bin" grid --db "$db" --grid nosuch 2>&1 >/dev/null)
[ $? -eq 1 ] && case "$err" in "sparestock grid: unknown grid 'nosuch'"*) true ;; *) false ;; esac
check "an unknown grid exits 1: $err" $?
err=$("$bin" grid --db "$db" --grid d_bj704_002 2>&1 >/dev/null)
[ $? -eq 1 ] && [ "$err" = "sparestock grid: grid d_bj704_002 needs --arg gsh=VALUE" ]
check "a missing argument exits 1: $err" $?
err=$("$bin" grid --db "$db" --grid d_bj704_002 --arg gsh=01 --columns ccph,nosuch 2>&1 >/dev/null)
[ $? -eq 1 ] && [ "$err" = "sparestock grid: bad column: unknown column 'nosuch'" ]
check "an unknown column exits 1: $err" $?
echo "grid command: $fail failed"
[ "$fail" -eq 0 ]
