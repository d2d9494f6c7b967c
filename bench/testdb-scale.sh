#!/usr/bin/env bash
# How building the club test database scales: builds it with 500 clients and with
# 100,000 clients (or BIG) in one run and prints the time per 1,000 clients of each and their
# ratio (1.0 = linear). Not a test: it asserts nothing.
#
#   testdb-scale.sh [BIG=100000] [WORKDIR]
#
# The generator comes from $MSP_TESTDB_GENERER, else build/testdb/testdb-generer, else
# make-testdb.sh compiles it (that time is kept out of the figures by a warm-up build).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
big=${1:-100000}
work=${2:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${MSP_TESTDB_GENERER:-}" ] || { [ -x "$top/build/testdb/testdb-generer" ] && export MSP_TESTDB_GENERER="$top/build/testdb/testdb-generer"; }
[ -n "${MSP_TESTDB_GENERER:-}" ] && echo "generator: $MSP_TESTDB_GENERER"

build() { # build CLIENTS -> prints milliseconds
  local start end
  start=$(date +%s%N)
  bash "$top/testdb/make-testdb.sh" "$work/bench-$1.fdb" "$1" 1 >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

build 10 >/dev/null # warm-up: generator compiled if needed, engine files cached
small=$(build 500)
large=$(build "$big")
size=$(du -m "$work/bench-$big.fdb" | cut -f1)
rm -f "$work"/bench-*.fdb

awk -v s="$small" -v l="$large" -v n="$big" -v mb="$size" 'BEGIN {
  ps = s / 0.5; pl = l / (n / 1000);
  printf "500 clients:     %8.1f s  %7.1f ms per 1,000 clients\n", s / 1000, ps;
  printf "%d clients: %8.1f s  %7.1f ms per 1,000 clients  (%d MB)\n", n, l / 1000, pl, mb;
  printf "ratio per 1,000 clients (large / small): %.2f\n", pl / ps;
}'
