#!/usr/bin/env bash
# How the six operations scale: builds the club test database with 10,000, 100,000 and
# 1,000,000 clients (up to MAX), runs every operation on all of its clients through "--batch"
# over the loopback Firebird server on 127.0.0.1:3050, and prints, measured in one run, the time
# of each step of the run (from its status line to the next one) per 1,000 clients for each
# size, with the ratio to the size before (1.0 = linear). Not a test: it asserts nothing.
#
#   bench-echelle.sh [MAX=1000000] [WORKDIR]
#
# One batch per size: the selection is a CSV file of every client number (the balance reset
# needs that source; the cancellation runs on it too), then mSQL6 (every debit, fixed -5),
# mSQL1, mSQL2, mSQL3, mSQL4 (the debits of the 5th of last month) and mSQL7. The database of
# 1,000,000 clients takes several minutes and about 3 GB in WORKDIR; MAX=100000 stops before it.
# Needs the build (build/ or $MSP_BUILD_DIR) and the server with the built-in password
# ($MSP_MOT_DE_PASSE, default ZeltoDev123), which must be able to open files in WORKDIR.
# MSP_BENCH_CACHE_PAGES=N gives every database a page cache of N pages (gfix -buffers; the
# server's default is 2,048 pages of 16 KB): with one that holds the largest database whole, what
# remains of a growth beyond linear is not the cache's.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_BUILD_DIR:-$top/build}
max=${1:-1000000}
work=${2:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
chmod 755 "$work"
password=${MSP_MOT_DE_PASSE:-ZeltoDev123}
[ -x "$build/module-special" ] && [ -x "$build/testdb/testdb-generer" ] || {
  echo "build first: cmake --build $build --target module-special testdb-generer" >&2; exit 1; }
export MSP_TESTDB_GENERER=$build/testdb/testdb-generer
# a fixed day: the dates of the job below fall where the generated data has debits
export MSP_TESTDB_TODAY=2026-12-10
export FIREBIRD_LOCK=$work/lock
mkdir -p "$FIREBIRD_LOCK" "$work/home" "$work/temp"
export HOME=$work/home TEMP=$work/temp XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
df -h "$work" | tail -n 1 | awk '{ print "free in " $6 ": " $4 }'

sizes=()
for n in 10000 100000 1000000; do ((n <= max)) && sizes+=("$n"); done
((${#sizes[@]})) || { echo "MAX must be at least 10000" >&2; exit 2; }

source "$top/bench/lot-commun.sh"

now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }

run_size() { # run_size CLIENTS: builds, runs, writes $work/etapes-CLIENTS.txt ("ms label" lines)
  local n=$1 db=$work/echelle-$1.fdb root=$work/racine-$1 t0 t1
  t0=$(now_ms)
  bash "$top/testdb/make-testdb.sh" "$db" "$n" 1 >/dev/null
  t1=$(now_ms)
  chmod 666 "$db"
  echo "$n clients: database built in $(((t1 - t0) / 1000)) s, $(du -m "$db" | cut -f1) MB" >&2
  if [ -n "${MSP_BENCH_CACHE_PAGES:-}" ]; then
    gfix -user SYSDBA -password "$password" -buffers "$MSP_BENCH_CACHE_PAGES" "127.0.0.1/3050:$db"
  fi
  mkdir -p "$root/Program"
  ecrire_conf "$root" "$db" "$work/temp" 127.0.0.1 3050
  cat >"$work/clients.sql" <<SQL
SET HEADING OFF;
SET LIST OFF;
OUTPUT $work/clients-$n.txt;
SELECT CLI_ID FROM CLIENTS;
OUTPUT;
SQL
  isql-fb -q -user SYSDBA -password "$password" -i "$work/clients.sql" "127.0.0.1/3050:$db" >/dev/null
  awk 'NF == 1 && $1 ~ /^[0-9]+$/ { printf "%s\r\n", $1 }' "$work/clients-$n.txt" >"$work/clients-$n.csv"
  ecrire_lot "$work/lot-$n.ini" "clients-$n.csv"
  local rc=0
  t0=$(now_ms)
  "$build/module-special" --racine "$root/Program" --batch "$work/lot-$n.ini" --yes >"$work/sortie-$n.txt" \
    2> >(while IFS= read -r l; do echo "$(now_ms) $l"; done >"$work/erreurs-$n.txt") || rc=$?
  wait
  t1=$(now_ms)
  if ((rc != 0)); then
    echo "$n clients: --batch exited $rc" >&2; cat "$work/erreurs-$n.txt" "$work/sortie-$n.txt" >&2; exit 1
  fi
  sed -n '1,3p' "$work/sortie-$n.txt" | tr '\n' ' ' >&2; echo >&2
  # each status line ("ms HH:MM:SS text") starts a step that ends at the next one or at the exit
  awk -v debut="$t0" -v fin="$t1" '$2 ~ /^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]$/ {
      if (label != "") print $1 - prev, label;
      else print $1 - debut, "Connexion et contrôles";
      prev = $1; label = $0; sub(/^[0-9]+ [0-9:]+ /, "", label)
      if (label ~ / - Termin/) label = "Fin du run (jusqu'\''à la sortie)" }
    END { if (label != "") print fin - prev, label; print fin - debut, "Total" }' \
    "$work/erreurs-$n.txt" >"$work/etapes-$n.txt"
  rm -f "$db"
}

for n in "${sizes[@]}"; do run_size "$n"; done

args=()
for n in "${sizes[@]}"; do args+=("$n" "$work/etapes-$n.txt"); done
awk 'BEGIN { for (i = 1; i < ARGC; i += 2) { n[++k] = ARGV[i]; f[k] = ARGV[i + 1] }
  for (j = 1; j <= k; ++j)
    while ((getline l < f[j]) > 0) {
      ms = l; sub(/ .*/, "", ms); lab = l; sub(/^[0-9-]+ /, "", lab);
      if (!(lab in seen)) { seen[lab] = 1; order[++m] = lab }
      t[lab, j] = ms
    }
  printf "%-40s", "step (ms per 1,000 clients)";
  for (j = 1; j <= k; ++j) printf " %12s", n[j];
  for (j = 2; j <= k; ++j) printf "  ratio %s/%s", n[j] / 1000 "k", n[j - 1] / 1000 "k";
  printf "\n";
  for (i = 1; i <= m; ++i) {
    lab = order[i]; printf "%-40s", substr(lab, 1, 40);
    for (j = 1; j <= k; ++j) { p[j] = t[lab, j] / (n[j] / 1000); printf " %12.2f", p[j] }
    for (j = 2; j <= k; ++j) printf "  %14.2f", (p[j - 1] > 0 ? p[j] / p[j - 1] : 0);
    printf "\n";
  }
  exit }' "${args[@]}"
