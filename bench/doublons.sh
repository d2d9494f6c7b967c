#!/usr/bin/env bash
# The overlap page and "--doublons" on 1,000 and on 100,000 overlapping rows (or BIG), over the
# loopback Firebird server on 127.0.0.1:3050 (the engine's cache lives in the server, not in
# the measured process). Prints, measured in one run:
#   - the time from entering the page to its first rows painted, and the process's peak
#     memory, for both sizes, with their ratio and difference;
#   - "--doublons FILE" against isql-fb doing the same work (the procedure script, the same
#     SELECT into a file, and the count), with their ratio.
# Not a test: it asserts nothing.
#
#   doublons.sh [BIG=100000] [WORKDIR]
#
# Needs the build (build/ or $MSP_BUILD_DIR) and the server with the built-in password
# ($MSP_MOT_DE_PASSE, default ZeltoDev123), which must be able to open files in WORKDIR.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_BUILD_DIR:-$top/build}
big=${1:-100000}
work=${2:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
chmod 755 "$work"
password=${MSP_MOT_DE_PASSE:-ZeltoDev123}
server=127.0.0.1/3050
[ -x "$build/module-special" ] && [ -x "$build/bench/bench_doublons" ] || {
  echo "build first: cmake --build $build (module-special and bench_doublons)" >&2; exit 1; }
export MSP_TESTDB_GENERER=$build/testdb/testdb-generer
export FIREBIRD_LOCK=$work/lock
mkdir -p "$FIREBIRD_LOCK" "$work/home" "$work/temp"
export HOME=$work/home TEMP=$work/temp XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export QT_QPA_PLATFORM=offscreen

ms() { echo $(($(date +%s%N) / 1000000)); }

# database and configuration root for ROWS overlapping entries (no generated clients: the
# overlap cases and the series only)
prepare() {
  local rows=$1 db=$work/doublons-$1.fdb root=$work/racine-$1
  [ -f "$db" ] || MSP_TESTDB_CHEVAUCHEMENTS=$rows bash "$top/testdb/make-testdb.sh" "$db" 0 1 >/dev/null
  chmod 666 "$db"
  mkdir -p "$root/Program"
  cat >"$root/Program/zeltoQ58.conf" <<CONF
[Configuration]
Serveur=0

[Serveur0]
IPServeur=127.0.0.1
PortDonnee=3050
Temporaire=$work/temp/
Racine=$root/
Centre=1001
Alias=$db
Nom=BENCH
NiveauDebug=0
CONF
}

page() { # page ROWS -> "ms=… hwm_kb=… rows=… label=…"
  "$build/bench/bench_doublons" "$work/racine-$1/Program" 2>"$work/page-$1.err" || {
    echo "bench_doublons failed:" >&2; cat "$work/page-$1.err" >&2; exit 1; }
}
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$2"; }

prepare 1000
prepare "$big"
page 1000 >/dev/null # warm-up: server cache, fonts, client library
small=$(page 1000)
large=$(page "$big")

# --doublons against isql-fb on the large database
tr -d '\r' <"$top/src/overlap/templates/mSQL_PS1.sql" >"$work/isql.sql"
select=$(tr -d '\r' <"$top/testdb/checks/doublons-select.sql")
cat >>"$work/isql.sql" <<SQL
SET HEADING OFF;
OUTPUT $work/isql-rows.txt;
$select;
OUTPUT;
SQL
# the same without the count: "--doublons" prints the number of rows it wrote
cp "$work/isql.sql" "$work/isql-sans-compte.sql"
echo "SELECT COUNT(*) FROM ($select);" >>"$work/isql.sql"
run_isql_sans_compte() { isql-fb -q -ch ISO8859_1 -user SYSDBA -password "$password" -i "$work/isql-sans-compte.sql" "$server:$work/doublons-$big.fdb" >"$work/isql.out" 2>&1; }
run_isql() { isql-fb -q -ch ISO8859_1 -user SYSDBA -password "$password" -i "$work/isql.sql" "$server:$work/doublons-$big.fdb" >"$work/isql.out" 2>&1; }
run_tool() { "$build/module-special" --racine "$work/racine-$big/Program" --doublons "$work/doublons.csv" >"$work/tool.out" 2>"$work/tool.err"; }
run_isql; run_tool # warm-up
t0=$(ms); run_isql; t1=$(ms); run_tool; t2=$(ms); run_isql_sans_compte; t3=$(ms)
tool_rows=$(($(wc -l <"$work/doublons.csv") - 1))

awk -v s="$small" -v l="$large" -v n="$big" -v ti=$((t1 - t0)) -v tt=$((t2 - t1)) -v tr="$tool_rows" -v tj=$((t3 - t2)) \
    -v tl="$(cat "$work/tool.out")" 'function f(t, k,  r) { r = t; sub(".*" k "=", "", r); sub(" .*", "", r); return r }
BEGIN {
  sm = f(s, "ms"); lm = f(l, "ms"); sh = f(s, "hwm_kb"); lh = f(l, "hwm_kb");
  printf "page, 1,000 rows:   first rows painted after %6d ms, peak memory %7.1f MB (%s rows read of %s)\n", sm, sh / 1024, f(s, "rows"), f(s, "label");
  printf "page, %d rows: first rows painted after %6d ms, peak memory %7.1f MB (%s rows read of %s)\n", n, lm, lh / 1024, f(l, "rows"), f(l, "label");
  printf "time to first rows, large / small: %.2f\n", lm / (sm > 0 ? sm : 1);
  printf "peak memory growth, small to large: %.1f MB (target: at most 40)\n", (lh - sh) / 1024;
  printf "--doublons: %d ms for %d rows (%s); isql-fb (procedure, SELECT into a file, count): %d ms\n", tt, tr, tl, ti;
  printf "ratio --doublons / isql-fb: %.2f (target: at most 1.5)\n", tt / (ti > 0 ? ti : 1);
  printf "ratio --doublons / isql-fb without the count: %.2f (%d ms)\n", tt / (tj > 0 ? tj : 1), tj;
}'
