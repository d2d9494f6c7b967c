#!/usr/bin/env bash
# The data generator: same arguments, same bytes; another seed or another day, other data;
# bad arguments refused with a message.
#
#   check-generator.sh GENERATOR
set -uo pipefail
gen=${1:?usage: $0 GENERATOR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {
  if [ "$2" = 0 ]; then passed=$((passed + 1)); echo "ok   $1"; else failed=$((failed + 1)); echo "FAIL $1"; fi
}
run() { "$gen" "$@" >"$work/$1-$2-${4:-now}.sql" 2>"$work/err"; }

run 300 7 --today 2025-01-31 && mv "$work/300-7-2025-01-31.sql" "$work/a.sql"
run 300 7 --today 2025-01-31
check "same seed and day give the same data" "$(cmp -s "$work/a.sql" "$work/300-7-2025-01-31.sql"; echo $?)"
run 300 8 --today 2025-01-31
check "another seed gives other data" "$(! cmp -s "$work/a.sql" "$work/300-8-2025-01-31.sql"; echo $?)"
run 300 7 --today 2025-02-28
check "another day moves the dates" "$(! cmp -s "$work/a.sql" "$work/300-7-2025-02-28.sql"; echo $?)"
check "dates follow the day: debits on the 5th of the two months before" \
  "$(grep -q "'2024-12-05'" "$work/a.sql" && grep -q "'2025-01-05'" "$work/300-7-2025-02-28.sql"; echo $?)"
n=$(grep -c 'INSERT INTO CLIENTS ' "$work/a.sql")
check "one row per client" "$([ "$n" = 300 ]; echo $?)"
run 0 1 --today 2025-01-31
check "no client: reference rows only" "$(grep -q 'INSERT INTO MODE_PAIEMENT' "$work/0-1-2025-01-31.sql" && ! grep -q 'INSERT INTO CLIENTS ' "$work/0-1-2025-01-31.sql"; echo $?)"
# The overlap cases and series come after the data: every generated row stays as it was.
"$gen" 300 7 --today 2025-01-31 --cas-doublons --chevauchements 25 >"$work/b.sql" 2>"$work/err"
head -n -4 "$work/a.sql" >"$work/a-data.sql"
check "overlap cases and series only added after the data" \
  "$(cmp -s "$work/a-data.sql" <(head -c "$(stat -c %s "$work/a-data.sql")" "$work/b.sql") \
     && grep -q "VALUES (9007199254740993, 'Chevauchement'" "$work/b.sql"; echo $?)"
for bad in "-5 1" "abc 1" "10 x" "10 1 --today 2025-02-30" "10 1 --demain 2025-01-01" "10" "10 1 --chevauchements x" "10 1 --today"; do
  # shellcheck disable=SC2086
  "$gen" $bad >/dev/null 2>"$work/err"
  rc=$?
  check "refused: $bad" "$([ $rc = 2 ] && grep -q usage "$work/err"; echo $?)"
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
