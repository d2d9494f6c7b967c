#!/usr/bin/env bash
# The preview of a simulation's row changes at scale: builds the club test database with
# CLIENTS clients (default 2,500, about 100,000 lines of preview for the six operations), runs
# the same "--batch --simuler" on it twice, without and then with "--apercu FILE", and prints
# measured in one run each process's peak memory (GNU time), their difference (the preview's
# own growth; target at most 40 MB for 100,000 lines), the lines written and the time ratio.
# Embedded access: the engine's cache is in both processes alike. Not a test: it asserts nothing.
#
#   apercu.sh [CLIENTS=2500] [WORKDIR]
#
# Needs the build (build/ or $MSP_BUILD_DIR) and GNU time (/usr/bin/time).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_BUILD_DIR:-$top/build}
n=${1:-2500}
work=${2:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
[ -x "$build/module-special" ] && [ -x "$build/testdb/testdb-generer" ] || {
  echo "build first: cmake --build $build --target module-special testdb-generer" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is needed" >&2; exit 1; }
export MSP_TESTDB_GENERER=$build/testdb/testdb-generer
# a fixed day: the dates of the job below fall where the generated data has debits
export MSP_TESTDB_TODAY=2026-12-10
export FIREBIRD_LOCK=$work/lock
mkdir -p "$FIREBIRD_LOCK" "$work/home" "$work/temp" "$work/racine/Program"
export HOME=$work/home TEMP=$work/temp TMPDIR=$work/temp XDG_CONFIG_HOME=$work/home/.config \
  XDG_DATA_HOME=$work/home/.local/share

db=$work/apercu-$n.fdb
[ -f "$db" ] || bash "$top/testdb/make-testdb.sh" "$db" "$n" 1 >/dev/null
source "$top/bench/lot-commun.sh"
ecrire_conf "$work/racine" "$db" "$work/temp"
# every client number (generated ids run from 1 to CLIENTS)
seq 1 "$n" | awk '{ printf "%s\r\n", $1 }' >"$work/clients.csv"
ecrire_lot "$work/lot.ini" "$work/clients.csv"

now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }
run() { # run NAME [ARGS...] -> "kb ms" (peak resident set in kB, wall time)
  local name=$1 t0 t1 rc=0
  shift
  t0=$(now_ms)
  /usr/bin/time -f %M -o "$work/$name.rss" "$build/module-special" --racine "$work/racine/Program" \
    --batch "$work/lot.ini" --yes --simuler "$@" >"$work/$name.out" 2>"$work/$name.err" || rc=$?
  t1=$(now_ms)
  ((rc == 0 || rc == 3)) || { echo "$name: exit $rc" >&2; cat "$work/$name.err" "$work/$name.out" >&2; exit 1; }
  echo "$(tail -n 1 "$work/$name.rss") $((t1 - t0))"
}

run chauffe >/dev/null # warm-up: file cache, client library
read -r sans tsans < <(run sans)
read -r avec tavec < <(run avec --apercu "$work/apercu.csv")
# the count the program prints: a quoted text may hold line breaks
lignes=$(sed -n 's/^Aperçu des changements : \([0-9]*\) ligne.*/\1/p' "$work/avec.out")
awk -v n="$n" -v l="$lignes" -v s="$sans" -v a="$avec" -v ts="$tsans" -v ta="$tavec" 'BEGIN {
  printf "%d clients, six operations simulated: %d lines of preview\n", n, l;
  printf "peak memory without --apercu: %7.1f MB (%d ms)\n", s / 1024, ts;
  printf "peak memory with --apercu:    %7.1f MB (%d ms)\n", a / 1024, ta;
  printf "peak memory growth of the preview: %.1f MB (target: at most 40 for 100,000 lines)\n", (a - s) / 1024;
  printf "time with / without --apercu: %.2f\n", ta / (ts > 0 ? ts : 1);
}'
