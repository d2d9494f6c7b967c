#!/usr/bin/env bash
# What the undo journal costs a run: builds the club test database with 10,000 and 100,000
# clients, runs the six operations on all of them through "--batch" (embedded engine), and
# prints, measured in one run, the run's time, the time its journal took (the capture of each
# operation's rows and their writing, which every block's end line records), the ratio of the
# two, and the process's peak memory for each size with its growth from the smaller to the
# larger. Not a test: it asserts nothing.
#
#   bench-journal.sh [WORKDIR]
#
# Needs the build (build/ or $MSP_BUILD_DIR). About 2 GB of WORKDIR at 100,000 clients.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_BUILD_DIR:-$top/build}
work=${1:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
[ -x "$build/module-special" ] && [ -x "$build/testdb/testdb-generer" ] || {
  echo "build first: cmake --build $build --target module-special testdb-generer" >&2; exit 1; }
export MSP_TESTDB_GENERER=$build/testdb/testdb-generer
export MSP_TESTDB_TODAY=2026-12-10   # the job's dates fall where the generated data has debits
export FIREBIRD_LOCK=$work/lock
mkdir -p "$FIREBIRD_LOCK"

source "$top/bench/lot-commun.sh"

now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }

run_size() { # run_size CLIENTS: prints "CLIENTS run_ms journal_ms rows peak_kb"
  local n=$1 db=$work/journal-$1.fdb root=$work/racine-$1 home=$work/home-$1 t0 t1
  bash "$top/testdb/make-testdb.sh" "$db" "$n" 1 >/dev/null
  mkdir -p "$root/Program" "$home" "$work/temp"
  ecrire_conf "$root" "$db" "$work/temp"
  echo "SELECT CLI_ID FROM CLIENTS;" | isql-fb -q -user SYSDBA "$db" \
    | awk 'NF == 1 && $1 ~ /^[0-9]+$/ { printf "%s\r\n", $1 }' >"$work/clients-$n.csv"
  ecrire_lot "$work/lot-$n.ini" "$work/clients-$n.csv"
  t0=$(now_ms)
  HOME=$home XDG_DATA_HOME=$home/.local/share /usr/bin/time -f %M -o "$work/rss-$n.txt" \
    "$build/module-special" --racine "$root/Program" --batch "$work/lot-$n.ini" --yes >"$work/sortie-$n.txt" 2>/dev/null
  t1=$(now_ms)
  local journal
  journal=$(sed -n "s/^Journal d'annulation : //p" "$work/sortie-$n.txt")
  local ms rows
  ms=$(sed -n "s/^-- Fin de l'opération .*, relevées en \([0-9]*\) ms$/\1/p" "$journal" | awk '{ s += $1 } END { print s + 0 }')
  rows=$(sed -n "s/^-- Fin de l'opération [^:]* : \([0-9]*\) ligne(s).*/\1/p" "$journal" | awk '{ s += $1 } END { print s + 0 }')
  echo "$n $((t1 - t0)) $ms $rows $(tail -n 1 "$work/rss-$n.txt")"
  rm -f "$db"
}

{
  run_size 10000
  run_size 100000
} >"$work/mesures.txt"
awk '{ n[NR] = $1; run[NR] = $2; j[NR] = $3; rows[NR] = $4; kb[NR] = $5 }
  END {
    printf "%-8s %10s %12s %10s %14s %12s\n", "clients", "run (ms)", "journal (ms)", "rows", "journal/rest", "peak (MB)"
    for (i = 1; i <= NR; ++i)
      printf "%-8d %10d %12d %10d %14.3f %12.1f\n", n[i], run[i], j[i], rows[i], j[i] / (run[i] - j[i]), kb[i] / 1024
    printf "peak memory growth from %d to %d clients: %.1f MB\n", n[1], n[2], (kb[2] - kb[1]) / 1024
  }' "$work/mesures.txt"
