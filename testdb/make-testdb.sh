#!/usr/bin/env bash
# Builds the club test database for the embedded engine.
#
#   make-testdb.sh OUT.fdb [CLIENTS=500] [SEED=1]
#
# The data generator is taken from $MSP_TESTDB_GENERER, else from beside OUT (where the build
# tree's testdb/ folder puts it), else compiled from testdb/ into OUT's folder. The database is
# built under a temporary name and moved onto OUT only when complete.
# MSP_TESTDB_TODAY=yyyy-MM-dd fixes the reference day of the data (default: today).
# MSP_TESTDB_CHEVAUCHEMENTS=ROWS adds that many overlapping schedule entries (benchmarks).
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 3 ]; then
  echo "usage: $0 OUT.fdb [CLIENTS=500] [SEED=1]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
out=$1
clients=${2:-500}
seed=${3:-1}
case "$clients$seed" in
  *[!0-9]*|"") echo "$0: CLIENTS and SEED must be non-negative numbers" >&2; exit 2 ;;
esac

outdir=$(dirname "$out")
mkdir -p "$outdir"
outdir=$(cd "$outdir" && pwd)
out="$outdir/$(basename "$out")"

# The embedded engine needs a writable lock folder; /tmp/firebird is the firebird group's.
if [ -z "${FIREBIRD_LOCK:-}" ] && ! { [ -d /tmp/firebird ] && [ -w /tmp/firebird ]; }; then
  export FIREBIRD_LOCK="${TMPDIR:-/tmp}/firebird-lock-$(id -u)"
fi
[ -n "${FIREBIRD_LOCK:-}" ] && mkdir -p "$FIREBIRD_LOCK"

# --- the data generator -------------------------------------------------------------------
sources=("$here/generer.cpp" "$here/Generateur.cpp" "$here/Generateur.h")
newer_than_sources() {
  local bin=$1 s
  [ -x "$bin" ] || return 1
  for s in "${sources[@]}"; do [ "$bin" -nt "$s" ] || return 1; done
}
gen=${MSP_TESTDB_GENERER:-}
if [ -n "$gen" ] && [ ! -x "$gen" ]; then
  echo "$0: MSP_TESTDB_GENERER names no executable: $gen" >&2
  exit 1
fi
if [ -z "$gen" ] && newer_than_sources "$outdir/testdb-generer"; then
  gen="$outdir/testdb-generer"
fi
if [ -z "$gen" ]; then
  gen="$outdir/.testdb-generer/testdb-generer"
  if ! newer_than_sources "$gen"; then
    mkdir -p "$(dirname "$gen")"
    # shellcheck disable=SC2046
    g++ -std=c++20 -O2 -fPIC -o "$gen.tmp.$$" "$here/generer.cpp" "$here/Generateur.cpp" \
        $(pkg-config --cflags --libs Qt6Core)
    mv -f "$gen.tmp.$$" "$gen"
  fi
fi

# --- the database ---------------------------------------------------------------------------
tmp="$out.tmp.$$"
err="$out.err.$$"
sql="$out.sql.$$"
cleanup() { rm -f "$tmp" "$err" "$sql"; }
trap cleanup EXIT
rm -f "$tmp"

# The overlap cases are part of every database built here (tests, demo, benchmarks).
today=(--cas-doublons)
[ -n "${MSP_TESTDB_TODAY:-}" ] && today+=(--today "$MSP_TESTDB_TODAY")
[ -n "${MSP_TESTDB_CHEVAUCHEMENTS:-}" ] && today+=(--chevauchements "$MSP_TESTDB_CHEVAUCHEMENTS")

fail() {
  echo "$0: building the test database failed ($1):" >&2
  head -n 40 "$err" >&2
  exit 1
}
# Forced writes would sync every page of each commit: the file is created, switched to
# asynchronous writes (which also keeps the tests that copy it fast), then filled.
printf "SET SQL DIALECT 3;\nCREATE DATABASE '%s' USER 'SYSDBA' PAGE_SIZE 16384 DEFAULT CHARACTER SET ISO8859_1;\n" "$tmp" \
  | isql-fb -q -bail >"$err" 2>&1 || fail "create"
gfix -write async "$tmp" >"$err" 2>&1 || fail "asynchronous writes"

# Scripts are kept in UTF-8 in the repository and fed as Windows-1252 bytes on an ISO8859_1
# connection, as the tool sends its texts. One isql session for schema, data and indexes, read from a file (isql reads
# a pipe much more slowly).
{
  iconv -f UTF-8 -t WINDOWS-1252 "$here/schema.sql"
  "$gen" "$clients" "$seed" "${today[@]}"
  iconv -f UTF-8 -t WINDOWS-1252 "$here/indexes.sql"
} >"$sql" || { echo "$0: cannot write $sql" >&2; exit 1; }
isql-fb -q -bail -ch ISO8859_1 -i "$sql" "$tmp" >"$err" 2>&1 || fail "schema and data"
[ -s "$err" ] && fail "schema and data"

mv -f "$tmp" "$out"
echo "test database $out: $clients clients, seed $seed"
