#!/usr/bin/env bash
# The batch run against isql-fb, measured in one run, interleaved and repeated (medians):
#
#   P1  NUMBERS CSV numbers loaded by --batch (one operation that finds nothing to do) vs
#       isql-fb running the one-INSERT-per-number statements, embedded and over the loopback
#       server; and the server-side floor: one block inserting the same rows.
#   P2  the six operations over CLIENTS clients vs isql-fb running the same filled scripts and
#       the same work-table statements, embedded and over the loopback server.
#   P5  launch to the main window shown (Xvfb) vs a minimal Qt window program.
#
#   bench-lot.sh [NUMBERS=100000] [CLIENTS=10000] [REPEATS=3] [WORKDIR=build/bench-lot]
#
# Builds what it needs: the program and the bench tools, the databases (kept in WORKDIR and
# reused by the next run), the job files, the CSV files and the configuration roots. Uses the
# loopback server on 127.0.0.1:3050 (started by testdb/fbserver.sh when none listens, and
# stopped again). Not a test: it asserts nothing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
numbers=${1:-100000}
clients=${2:-10000}
repeats=${3:-3}
build=${MSP_BUILD_DIR:-$top/build}
work=${4:-$build/bench-lot}
case "$numbers$clients$repeats" in
  *[!0-9]*) echo "usage: $0 [NUMBERS] [CLIENTS] [REPEATS] [WORKDIR]" >&2; exit 64 ;;
esac

bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh" >/dev/null
mkdir -p "$work"
work=$(cd "$work" && pwd)
prog=$build/module-special
password=$(sed -n 's/^MSP_MOT_DE_PASSE:[A-Z]*=//p' "$build/CMakeCache.txt")
password=${password:-ZeltoDev123}
export FIREBIRD_LOCK=$work/lock HOME=$work/home MSP_TESTDB_GENERER=$build/testdb/testdb-generer
mkdir -p "$FIREBIRD_LOCK" "$HOME"
[ -x "$MSP_TESTDB_GENERER" ] || unset MSP_TESTDB_GENERER

cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  MSP_MOT_DE_PASSE=$password bash "$top/testdb/fbserver.sh" stop "$work/fbserver" >/dev/null 2>&1 || true
  rm -f "$work"/run-*.fdb
}
trap cleanup EXIT
MSP_MOT_DE_PASSE=$password bash "$top/testdb/fbserver.sh" start "$work/fbserver" >/dev/null

# --- databases, files, configuration roots ---------------------------------------------------
db() { # db CLIENTS -> path of a database of that many clients, built once
  local f=$work/club-$1.fdb
  [ -f "$f" ] || bash "$top/testdb/make-testdb.sh" "$f" "$1" 1 >&2
  echo "$f"
}
big=$(db "$numbers")
mid=$(db "$clients")

seq 1 "$numbers" >"$work/p1.csv"
seq 1 "$clients" >"$work/p2.csv"
insert="INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID,TCPR_IDCLI,TCPR_IDCTR,TCPR_NOM_PRENOM) VALUES (NEXT VALUE FOR IDTEMPORAIRE"

# An operation that costs the server almost nothing: cancelling the debits of a day without any.
cat >"$work/p1.ini" <<EOF
[Selection]
rgSource=0
JvFilenameEdit1=p1.csv
[Options]
cbAnnulation=1
cbModes2=4
edtDateAnnul=2099-01-01
EOF
cat >"$work/p2.ini" <<EOF
[Selection]
rgSource=0
JvFilenameEdit1=p2.csv
[Options]
cbModifMontant=1
cbModes4=4
cbIncPrel=1
cbMsg=1
Memo1=Report d'un mois
cbCreate=1
cbModes=4
cbArticle=201
cbAnnulation=1
cbModes2=4
cbSolde=1
cbArticle2=205
mmoSolde=Solde de %SOLDE remis à zéro
EOF

# What the one-INSERT-per-number loading sends, as an isql script.
{
  echo "DELETE FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR=10010;"
  awk -v i="$insert" '{ printf "%s,%s,10010,%s);\n", i, $1, "\047\047" }' "$work/p1.csv"
  echo "COMMIT;"
} >"$work/p1-isql.sql"
# The floor: the same rows, each in its own sub-block, from one statement.
cat >"$work/p1-floor.sql" <<EOF
DELETE FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR=10010;
SET TERM ^;
EXECUTE BLOCK AS DECLARE I BIGINT = 1; BEGIN
  WHILE (I <= $numbers) DO BEGIN
    BEGIN $insert, :I, 10010, ''); WHEN ANY DO BEGIN END END
    I = I + 1;
  END
END^
SET TERM ;^
COMMIT;
EOF

root() { # root NAME IPSERVEUR -> configuration root for --racine; Alias set by alias()
  local r=$work/racine-$1/Program
  mkdir -p "$r" "$work/temp"
  cat >"$r/zeltoQ58.conf" <<EOF
[Configuration]
Serveur=0

[Serveur0]
IPServeur=$2
PortDonnee=3050
Temporaire=$work/temp/
Racine=$work/racine-$1/
Dernier=
Centre=1001
Alias=
Nom=BANC
Token=
NiveauDebug=0
EOF
  echo "$r"
}
alias() { sed -i "s|^Alias=.*|Alias=$2|" "$1/zeltoQ58.conf"; }
root_emb=$(root emb "")
root_srv=$(root srv 127.0.0.1)

# The filled scripts of the six operations, and the same work-table statements for isql.
alias "$root_emb" "$mid"
rm -rf "$work/p2-scripts"
(cd "$work" && "$build/bench/bench_scripts_lot" "$root_emb" "$work/p2.ini" "$work/p2-scripts")
{
  echo "DELETE FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR=10010;"
  echo "SET TERM ^;"
  awk -v i="$insert" '
    (NR - 1) % 250 == 0 { if (NR > 1) print "END^"; print "EXECUTE BLOCK AS BEGIN" }
    { printf "BEGIN %s,%s,10010,%s); WHEN ANY DO BEGIN END END\n", i, $1, "\047\047" }
    END { print "END^" }' "$work/p2.csv"
  echo "SET TERM ;^"
  echo "COMMIT;"
  # isql-fb wants "SET TERM ;^" written with one blank, where the templates vary.
  for s in "$work"/p2-scripts/*.sql; do
    sed -E 's/^SET TERM *; *\^/SET TERM ;^/' "$s"
    printf "\nCOMMIT;\n"
  done
  echo "DELETE FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR=10010;"
  echo "COMMIT;"
} >"$work/p2-isql.sql"

# --- measuring --------------------------------------------------------------------------------
ms() { echo $(( $(date +%s%N) / 1000000 )); }
declare -A t
note() { t[$1]="${t[$1]:-} $2"; }
median() { echo "${t[$1]}" | tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

fresh() { # fresh MODEL -> a private copy for one measured run
  local f=$work/run-$RANDOM$RANDOM.fdb
  cp "$1" "$f"
  chmod 666 "$f"
  echo "$f"
}
target() { [ "$1" = emb ] && echo "$2" || echo "127.0.0.1/3050:$2"; }
run_batch() { # run_batch KEY MODE MODEL JOB
  local f r s e
  f=$(fresh "$3")
  r=$root_emb; [ "$2" = srv ] && r=$root_srv
  alias "$r" "$f"
  s=$(ms)
  (cd "$work" && "$prog" --racine "$r" --batch "$4" --yes >"$work/last.out" 2>"$work/last.err") \
    || { echo "--batch failed ($1):" >&2; cat "$work/last.err" >&2; exit 1; }
  e=$(ms)
  note "$1" $((e - s))
  rm -f "$f"
}
run_isql() { # run_isql KEY MODE MODEL SCRIPT
  local f s e
  f=$(fresh "$3")
  s=$(ms)
  isql-fb -q -ch ISO8859_1 -user SYSDBA -password "$password" -i "$4" "$(target "$2" "$f")" >"$work/last.out" 2>"$work/last.err"
  e=$(ms)
  grep -q "^Statement failed\|^SQLCODE\|^Statement.*error" "$work/last.err" \
    && { echo "isql-fb failed ($1):" >&2; head "$work/last.err" >&2; exit 1; }
  note "$1" $((e - s))
  rm -f "$f"
}

echo "P1/P2: $repeats rounds, $numbers numbers, $clients clients" >&2
for ((k = 1; k <= repeats; k++)); do
  for mode in emb srv; do
    run_batch "p1-batch-$mode" "$mode" "$big" p1.ini
    run_isql "p1-isql-$mode" "$mode" "$big" "$work/p1-isql.sql"
    run_isql "p1-floor-$mode" "$mode" "$big" "$work/p1-floor.sql"
    run_batch "p2-batch-$mode" "$mode" "$mid" p2.ini
    run_isql "p2-isql-$mode" "$mode" "$mid" "$work/p2-isql.sql"
  done
  echo "  round $k done" >&2
done

# --- report -----------------------------------------------------------------------------------
ratio() { awk -v a="$(median "$1")" -v b="$(median "$2")" 'BEGIN { printf "%.3f", a / b }'; }
sec() { awk -v a="$(median "$1")" 'BEGIN { printf "%.2f s", a / 1000 }'; }
echo "machine: $(nproc) cores, $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1)"
printf "%-58s %12s %12s %8s %8s\n" "measure (medians of $repeats)" "ours" "reference" "ratio" "target"
line() { printf "%-58s %12s %12s %8s %8s\n" "$1" "$(sec "$2")" "$(sec "$3")" "$(ratio "$2" "$3")" "$4"; }
line "P1 $numbers numbers, embedded: --batch / isql-fb" p1-batch-emb p1-isql-emb "0.4"
line "P1 floor, embedded: one block / isql-fb" p1-floor-emb p1-isql-emb "(0.3)"
line "P1 $numbers numbers, loopback: --batch / isql-fb" p1-batch-srv p1-isql-srv "0.1"
line "P1 floor, loopback: one block / isql-fb" p1-floor-srv p1-isql-srv "(0.05)"
line "P2 six operations, $clients clients, embedded" p2-batch-emb p2-isql-emb "1.05"
line "P2 six operations, $clients clients, loopback" p2-batch-srv p2-isql-srv "1.05"

# P5: the time until the window is viewable, polled with xwininfo.
# A display of our own: the first number without a lock file whose server comes up and stays.
xvfb=""
for n in $(seq 120 199); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do xwininfo -display ":$n" -root >/dev/null 2>&1 && break; sleep 0.1; done
  if kill -0 "$xvfb" 2>/dev/null && xwininfo -display ":$n" -root >/dev/null 2>&1; then
    export DISPLAY=:$n
    break
  fi
  kill "$xvfb" 2>/dev/null || true
  xvfb=""
done
[ -n "$xvfb" ] || { echo "Xvfb did not start" >&2; exit 1; }
shown() { # shown KEY TITLE COMMAND...
  local key=$1 title=$2 s e p
  shift 2
  s=$(ms)
  "$@" >/dev/null 2>"$work/p5.err" &
  p=$!
  until xwininfo -name "$title" 2>/dev/null | grep -q IsViewable; do
    kill -0 "$p" 2>/dev/null || { echo "$title: the program ended before its window was shown:" >&2; cat "$work/p5.err" >&2; exit 1; }
  done
  e=$(ms)
  kill "$p" 2>/dev/null || true
  wait "$p" 2>/dev/null || true
  note "$key" $((e - s))
}
p5db=$(fresh "$mid")
alias "$root_emb" "$p5db"
for ((k = 1; k <= repeats * 3; k++)); do
  shown p5-prog "Module spécial" "$prog" --racine "$root_emb"
  shown p5-min "Fenetre minimale" "$build/bench/fenetre_minimale"
done

line "P5 window shown ($((repeats * 3)) starts): ours / minimal Qt" p5-prog p5-min "1.5"
