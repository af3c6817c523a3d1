#!/bin/sh
# Checks `sparestock print` end to end on a fresh demo database: a filtered stock list becomes
# a PDF with the rows of the filter only, copies and page range reach the file, and bad options
# (page range, copies, label sheet, filter) exit 1 with a reason and write nothing.
# Usage: check_print_cli.sh path/to/sparestock
set -u
bin=${1:?usage: check_print_cli.sh path/to/sparestock}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
db="$dir/demo.db"
"$bin" init --db "$db" --demo --parts 300 --today 2026-12-08 >/dev/null || { echo "FAIL init"; exit 1; }
fail=0
check() {  # check NAME CONDITION-RESULT
  if [ "$2" -ne 0 ]; then echo "FAIL $1"; fail=$((fail + 1)); fi
}
pages() { pdfinfo "$1" 2>/dev/null | awk '/^Pages:/ {print $2}'; }

out=$("$bin" print --db "$db" --grid d_bj704_004 --filter "dbj030_ckh = '02'" --out "$dir/list.pdf")
check "exit code of a good run" $?
case "$out" in "printed "*" rows on "*" pages to $dir/list.pdf") true ;; *) false ;; esac
check "the summary line: $out" $?
text=$(pdftotext -layout "$dir/list.pdf" - | tr -d ' ')
printf '%s' "$text" | grep -q '库存清单' && printf '%s' "$text" | grep -q '金额合计'
check "title and total printed" $?
groups=$(printf '%s\n' "$text" | grep -c '^库号：')
[ "$groups" -eq 1 ]; check "one warehouse group after the filter ($groups)" $?
n=$(pages "$dir/list.pdf")

"$bin" print --db "$db" --grid d_bj704_004 --filter "dbj030_ckh = '02'" --copies 2 --pages 1 \
  --out "$dir/two.pdf" >/dev/null
[ "$(pages "$dir/two.pdf")" -eq 2 ]; check "two copies of page 1 of $n" $?

for bad in "--pages 2-1" "--pages x" "--copies 0" "--label-sheet columns=0" "--filter x="; do
  # shellcheck disable=SC2086
  err=$("$bin" print --db "$db" --grid d_bj704_004 $bad --out "$dir/bad.pdf" 2>&1 >/dev/null)
  code=$?
  [ "$code" -eq 1 ] && [ ! -e "$dir/bad.pdf" ] && case "$err" in "sparestock print: "*) true ;; *) false ;; esac
  check "$bad exits 1 with a reason and writes nothing: $err" $?
done

"$bin" print --db "$db" --grid r_bj606_001 --arg gsh=01 --arg rq=2026/11/30 --out "$dir/r.pdf" >/dev/null
rows=$(pdftotext -layout "$dir/r.pdf" - | grep -c '^ *0[0-9] ')
[ "$rows" -gt 0 ]; check "the gain and loss table of company 01's stocktaking day has rows" $?

[ "$fail" -eq 0 ] && echo "print cli: all checks passed"
exit "$fail"
