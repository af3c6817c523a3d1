#!/bin/sh
# Runs every case of variant_a.txt and variant_b.txt through `sparestock gg` and compares the
# printed filter with the expected expression. Usage: check_cli.sh path/to/sparestock
set -u
bin=${1:?usage: check_cli.sh path/to/sparestock}
dir=$(dirname "$0")
fail=0
count=0
for file in "$dir"/variant_a.txt "$dir"/variant_b.txt; do
  while IFS='|' read -r variant mode text popup warehouse rule common via expected; do
    case "$variant" in ''|'#'*) continue ;; esac
    count=$((count + 1))
    got=$("$bin" gg --variant "$variant" --mode "$mode" --text "$text" --popup "$popup" \
      --warehouse "$warehouse" --rule "$rule" --common "$common")
    if [ "$got" != "filter: $expected" ]; then
      echo "FAIL $file: $variant|$mode|$text|$popup|$warehouse|$rule|$common"
      echo "  expected: filter: $expected"
      echo "  got:      $got"
      fail=$((fail + 1))
    fi
  done < "$file"
done
echo "$count cases, $fail failed"
[ "$fail" -eq 0 ]
