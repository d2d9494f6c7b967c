#!/usr/bin/env bash
# Runs the tool's statements on a copy of the test database through isql and checks that each
# one compiles, runs and changes plausible rows: the centre query and CONTEXT_ACTIVATION, the
# selection counts and inserts, the option lookups, the six operation scripts filled with
# sample values (centre 1001, dates around the current month), the overlap procedure and its
# dataset.
#
#   check-statements.sh [TEMPLATE.fdb]     (default: $MSP_TESTDB)
#
# Prints one line per check and "N passed, M failed"; exits 1 when a check failed.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
template=${1:-${MSP_TESTDB:-}}
[ -n "$template" ] && [ -f "$template" ] || { echo "usage: $0 TEMPLATE.fdb (or set MSP_TESTDB)" >&2; exit 2; }
if [ -z "${FIREBIRD_LOCK:-}" ] && ! { [ -d /tmp/firebird ] && [ -w /tmp/firebird ]; }; then
  export FIREBIRD_LOCK="${TMPDIR:-/tmp}/firebird-lock-$(id -u)"
fi
[ -n "${FIREBIRD_LOCK:-}" ] && mkdir -p "$FIREBIRD_LOCK"

work=$(mktemp -d "${MSP_TEST_WORK:-${TMPDIR:-/tmp}}/check-statements.XXXXXX" 2>/dev/null || mktemp -d)
[ -n "${MSP_CHECK_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
db="$work/club.fdb"
cp "$template" "$db"

passed=0
failed=0
check() { # check NAME CONDITION-RESULT(0/1) DETAIL
  if [ "$2" = 0 ]; then
    passed=$((passed + 1)); echo "ok   $1"
  else
    failed=$((failed + 1)); echo "FAIL $1: $3"
  fi
}

# Runs SQL text (UTF-8) sent as Windows-1252 bytes on an ISO8859_1 connection, as the tool
# sends it; output in $work/out. isql wants a blank in "SET TERM ;^", and a file: it reads
# standard input through its line editor, which mangles 8-bit characters.
run_sql() {
  printf '%s\n' "$1" | sed 's/^SET TERM;/SET TERM ;/' | iconv -f UTF-8 -t WINDOWS-1252 >"$work/in.sql"
  isql-fb -q -bail -ch ISO8859_1 -i "$work/in.sql" "$db" >"$work/out" 2>&1
  local rc=$?
  [ $rc = 0 ] && ! grep -q -E 'Statement failed|SQLSTATE' "$work/out"
}
# One value of a query, trimmed.
val() {
  printf 'SET HEADING OFF;\n%s;\n' "$1" | iconv -f UTF-8 -t WINDOWS-1252 >"$work/val.sql"
  isql-fb -q -ch ISO8859_1 -i "$work/val.sql" "$db" 2>&1 | iconv -f WINDOWS-1252 -t UTF-8 | tr -d ' \r' | grep -v '^$' | head -n 1
}

# The tool's own template files, so the checks always run the texts that ship.
modele() {
  local f="$here/../src/batch/templates/$1"
  [ -f "$f" ] || f="$here/../src/overlap/templates/$1"
  cat "$f"
}

# Fills a template as the tool does: each placeholder replaced by its value text, in order.
# fill FILE PLACEHOLDER VALUE ...
fill() {
  local text
  text=$(modele "$1")
  shift
  while [ $# -ge 2 ]; do
    text=${text//"$1"/"$2"}
    shift 2
  done
  printf '%s\n' "$text"
}

centre=1001
month0=$(date +%Y-%m-01)
d_month0=$(date -d "$month0" +%d.%m.%Y)
d_next_end=$(date -d "$month0 +2 month -1 day" +%d.%m.%Y)
d_paid=$(date -d "$month0 -1 month +4 day" +%d.%m.%Y)
d_create=$(date -d "$month0 +1 month +19 day" +%d.%m.%Y)

# --- data shape: every kind of row the operations and their tests need -------------------
flags="SELECT
 IIF(EXISTS(SELECT 1 FROM CLIENTS_ACTIVITE WHERE ACT_ARCHIVE_DATE IS NULL AND ACT_FIN IS NULL), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM CLIENTS_ACTIVITE WHERE ACT_ARCHIVE_DATE IS NULL AND ACT_FIN >= CURRENT_DATE), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM CLIENTS_ACTIVITE WHERE ACT_ARCHIVE_DATE IS NULL AND ACT_FIN < CURRENT_DATE), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM CLIENTS_ACTIVITE WHERE ACT_ARCHIVE_DATE IS NOT NULL), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM ECHEANCIER WHERE ECHE_VENTE = 0), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM ECHEANCIER WHERE ECHE_DERNIERE IS NULL), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM ECHEANCIER JOIN MODE_PAIEMENT ON MOD_ID = ECHE_IDMOD WHERE MOD_TYPE <> 4), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM ECHEANCIER WHERE ECHE_IDMOD = 6), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM ECHEANCIER WHERE EXTRACT(MONTH FROM ECHE_PROCHAINE) = EXTRACT(MONTH FROM CURRENT_DATE) AND EXTRACT(YEAR FROM ECHE_PROCHAINE) = EXTRACT(YEAR FROM CURRENT_DATE)), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM CLIENTS WHERE CLI_CENTRE = 1002), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM CLIENTS_ACTIVITE WHERE ACT_IDART IS NULL), 1, 0) ||
 IIF(EXISTS(SELECT 1 FROM CLIENTS WHERE CLI_NOM CONTAINING ''''), 1, 0)
 FROM RDB\$DATABASE"
v=$(val "$flags")
check "data holds current, ended and archived activities, entries of every kind" "$([ "$v" = 111111111111 ]; echo $?)" "flags '$v'"
v=$(val "SELECT COUNT(*) FROM CLIENTS C CROSS JOIN ACCES_SOLDE(C.CLI_ID, 0, CURRENT_DATE) S WHERE S.SOLDE < 0")
check "some balances are negative" "$([ "${v:-0}" -gt 0 ]; echo $?)" "got '$v'"
v=$(val "SELECT COUNT(*) FROM CLIENTS C CROSS JOIN ACCES_SOLDE(C.CLI_ID, 0, CURRENT_DATE) S WHERE S.SOLDE > 0")
check "some balances are positive" "$([ "${v:-0}" -gt 0 ]; echo $?)" "got '$v'"
v=$(val "SELECT COUNT(*) FROM ACCES_SOLDE(987654321, 0, CURRENT_DATE)")
check "no balance row for an unknown client" "$([ "$v" = 0 ]; echo $?)" "got '$v'"
v=$(val "SELECT GEN_ID(IDGENERIQUE, 0) - (SELECT MAX(ECHE_ID) FROM ECHEANCIER) FROM RDB\$DATABASE")
check "the id generator is past every id" "$([ "${v:-0}" -gt 0 ]; echo $?)" "got '$v'"

# --- connection ---------------------------------------------------------------------------
v=$(val "SELECT FIRST 1 CTR_ID FROM CENTRE WHERE CTR_GENERATOR > 1")
check "centre query gives 1001" "$([ "$v" = 1001 ]; echo $?)" "got '$v'"
run_sql "EXECUTE PROCEDURE CONTEXT_ACTIVATION(0,$centre,'OUTILS'); ROLLBACK;"
check "CONTEXT_ACTIVATION runs" $? "$(cat "$work/out")"
v=$(val "SELECT CTX_IDCTR || '/' || CTX_USER || '/' || CTX_CHARSET_ID || '/' || CTX_APPLICATION || '/' || CTX_LOCK_TIMEOUT FROM CONTEXT_LOG")
check "CONTEXT_ACTIVATION recorded the caller, kept after a rollback" "$([ "$v" = "1001/SYSDBA/21/OUTILS/-1" ]; echo $?)" "got '$v'"

# --- selection ----------------------------------------------------------------------------
count_sql="SELECT COUNT(DISTINCT ACT_IDCLI) FROM CLIENTS_ACTIVITE INNER JOIN CLIENTS ON (CLI_ID = ACT_IDCLI) INNER JOIN ECHEANCIER ON (ECHE_IDACT = ACT_ID) INNER JOIN MODE_PAIEMENT ON (MOD_ID = ECHE_IDMOD) WHERE IIF(:IDCTR = -1,TRUE,CLI_CENTRE = :IDCTR) AND (MOD_TYPE = 4) AND (ACT_ARCHIVE_DATE IS NULL) AND ((ACT_FIN >= CURRENT_DATE) OR (ACT_FIN IS NULL))"
actifs=$(val "${count_sql//:IDCTR/$centre}")
tous=$(val "${count_sql//:IDCTR/-1}")
check "active clients of the centre" "$([ "${actifs:-0}" -gt 50 ]; echo $?)" "got '$actifs'"
check "active clients of every centre exceed the centre's" "$([ "${tous:-0}" -gt "${actifs:-0}" ]; echo $?)" "got '$tous' for '$actifs'"
v=$(val "SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = $((centre * 10))")
check "work table empty at first" "$([ "$v" = 0 ]; echo $?)" "got '$v'"

insert_sql="INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID,TCPR_IDCLI,TCPR_IDCTR,TCPR_NOM_PRENOM) SELECT NEXT VALUE FOR IDTEMPORAIRE,CLI_ID,CLI_CENTRE*10,CLI_NOM FROM CLIENTS_ACTIVITE INNER JOIN CLIENTS ON (CLI_ID = ACT_IDCLI) INNER JOIN ECHEANCIER ON (ECHE_IDACT = ACT_ID) INNER JOIN MODE_PAIEMENT ON (MOD_ID = ECHE_IDMOD) WHERE IIF(:IDCTR = -1,TRUE,CLI_CENTRE = :IDCTR) AND (MOD_TYPE = 4) AND (ACT_ARCHIVE_DATE IS NULL) AND ((ACT_FIN >= CURRENT_DATE) OR (ACT_FIN IS NULL))"
run_sql "${insert_sql//:IDCTR/$centre}; COMMIT;"
check "active clients inserted into the work table" $? "$(cat "$work/out")"
v=$(val "SELECT COUNT(DISTINCT TCPR_IDCLI) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = $((centre * 10))")
check "work table holds every active client once or more" "$([ "$v" = "$actifs" ]; echo $?)" "got '$v' for '$actifs'"
run_sql "INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID,TCPR_IDCLI,TCPR_IDCTR,TCPR_NOM_PRENOM) VALUES (NEXT VALUE FOR IDTEMPORAIRE, 2, $((centre * 10)),''); COMMIT;"
check "a known client number is inserted" $? "$(cat "$work/out")"
run_sql "INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID,TCPR_IDCLI,TCPR_IDCTR,TCPR_NOM_PRENOM) VALUES (NEXT VALUE FOR IDTEMPORAIRE, 987654321, $((centre * 10)),''); COMMIT;"
check "an unknown client number is refused" "$([ $? != 0 ]; echo $?)" "it was accepted"

# --- option lookups -----------------------------------------------------------------------
column0() {
  printf 'SET HEADING OFF;\n%s;\n' "$1" >"$work/col.sql"
  isql-fb -q -i "$work/col.sql" "$db" | awk 'NF{print $1}' | tr '\n' ' '
}
v=$(column0 "select mod_id,mod_libelle from mode_paiement where (mod_type = 4) and (mod_ne_pas_utiliser = 0) order by 2")
check "direct-debit methods in use" "$([ "$v" = "4 5 8 " ]; echo $?)" "got '$v'"
v=$(column0 "SELECT ART_ID, ART_NOM, ATA_PRIX, ATA_IDTVA FROM ARTICLE INNER JOIN ARTICLE_TARIF ON (ATA_IDART = ART_ID) WHERE (ART_VENDABLE = -1) AND (ATA_DEFAUT = -1) AND (ATA_PRIX > 0) ORDER BY ART_NOM")
check "articles with a default price" "$([ "$v" = "201 202 207 203 204 209 " ]; echo $?)" "got '$v'"
v=$(column0 "SELECT ART_ID, ART_NOM FROM ARTICLE WHERE (ART_CATEGORIE IN (1,2,32,64)) AND (ART_VENDABLE = -1) ORDER BY ART_NOM")
check "articles for the balance reset" "$([ "$v" = "201 202 203 204 206 205 209 " ]; echo $?)" "got '$v'"

# --- operation scripts --------------------------------------------------------------------
montants="SELECT COUNT(*) || '/' || SUM(ECHE_MONTANT) FROM ECHEANCIER"
before=$(val "$montants")
run_sql "$(fill mSQL6.sql :IDCENTRE $centre :ECHEIDMOD 4 :DATE1 "'$d_month0'" :DATE2 "'$d_next_end'" \
  :MONTANT1 0.00 :MONTANT2 1000.00 :VALEUR 110.00 :CHOIX 0 :MODE 0)"
check "amounts of all debits (+10 %) runs" $? "$(cat "$work/out")"
after=$(val "$montants")
check "amounts of all debits changed amounts only" "$([ "${before%/*}" = "${after%/*}" ] && [ "$before" != "$after" ]; echo $?)" "before '$before' after '$after'"

n0=$(val "SELECT COUNT(*) FROM ECHEANCIER"); last=$(val "SELECT MAX(ECHE_ID) FROM ECHEANCIER")
run_sql "$(fill mSQL6.sql :IDCENTRE $centre :ECHEIDMOD 5 :DATE1 "'$d_month0'" :DATE2 "'$d_next_end'" \
  :MONTANT1 0.00 :MONTANT2 1000.00 :VALEUR -5.00 :CHOIX 1 :MODE -1)"
check "amount of the next debit (-5.00) runs" $? "$(cat "$work/out")"
n1=$(val "SELECT COUNT(*) FROM ECHEANCIER")
s1=$(val "SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_ID > $last AND ECHE_IDMOD = 5 AND ECHE_PROCHAINE = ECHE_DERNIERE")
check "next debit split off as single-debit copies" "$([ $((n1 - n0)) -gt 0 ] && [ "$s1" = $((n1 - n0)) ]; echo $?)" "$n0 -> $n1 entries, $s1 single-debit copies"

moved="SELECT COUNT(*) || '/' || SUM(DATEDIFF(DAY FROM DATE '2000-01-01' TO ECHE_PROCHAINE)) FROM ECHEANCIER"
fins="SELECT SUM(DATEDIFF(DAY FROM DATE '2000-01-01' TO ACT_FIN)) FROM CLIENTS_ACTIVITE"
before=$(val "$moved"); fbefore=$(val "$fins")
run_sql "$(fill mSQL1.sql %CENTRE% $centre %DATE1% "'$d_month0'" %DATE2% "'$d_next_end'")"
check "postpone debits runs" $? "$(cat "$work/out")"
after=$(val "$moved"); fafter=$(val "$fins")
check "postpone debits moved next dates and end dates" "$([ "$before" != "$after" ] && [ "$fbefore" != "$fafter" ]; echo $?)" "dates '$before' -> '$after', ends '$fbefore' -> '$fafter'"

clients=$(val "SELECT COUNT(DISTINCT TCPR_IDCLI) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = $((centre * 10))")
m0=$(val "SELECT COUNT(*) FROM CLIENTS_MESSAGE")
del=$(printf '\177')
run_sql "$(fill mSQL2.sql %CENTRE% $centre %MSG% "'L''accès est prolongé$del'")"
check "create a message runs" $? "$(cat "$work/out")"
m1=$(val "SELECT COUNT(*) FROM CLIENTS_MESSAGE WHERE CMG_MESSAGE = 'L''accès est prolongé' || ASCII_CHAR(127) AND CMG_TYPE = 2")
check "one message per client of the work table" "$([ "$m1" = "$clients" ] && [ "$m0" = 0 ]; echo $?)" "$m1 messages for $clients clients"

e0=$(val "SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_IDACT IS NULL")
run_sql "$(fill mSQL3.sql %CENTRE% $centre :ECHE_IDTVA 2 :ECHE_IDMOD 4 :ECHE_IDART 209 :ECHE_PROCHAINE "'$d_create'" \
  :ECHE_MONTANT 15 :ECHE_LIBELLE "'Séance d''essai$del'")"
check "create a schedule entry runs" $? "$(cat "$work/out")"
e1=$(val "SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_IDACT IS NULL AND ECHE_IDART = 209 AND ECHE_LIBELLE = 'Séance d''essai' || ASCII_CHAR(127)")
check "one new entry per client, attached to no activity" "$([ "$e0" = 0 ] && [ "$e1" = "$clients" ]; echo $?)" "$e0 before, $e1 after, $clients clients"

annul="SELECT COUNT(*) FROM REGLEMENT WHERE REG_ANNULE = -1"
a0=$(val "$annul")
paid=$(val "SELECT COUNT(*) FROM REGLEMENT WHERE REG_DATE_PAIEMENT = '$d_paid' AND REG_IDMOD = 4 AND REG_CREATION_IDCTR = $centre AND EXISTS(SELECT 1 FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = $((centre * 10)) AND TCPR_IDCLI = REG_IDCLI)")
script=$(fill mSQL4.sql %CENTRE% $centre :REG_IDMOD 4 :REG_DATE_PAIEMENT "'$d_paid'")
script=$(printf '%s\n' "$script" | sed "/^    WHERE IIF(:IDCENTRE/ s/:IDCENTRE/$centre/g")
run_sql "$script
COMMIT;"
check "cancel the debits of a date runs" $? "$(cat "$work/out")"
a1=$(val "$annul")
check "the debits of that date are cancelled" "$([ "${paid:-0}" -gt 0 ] && [ $((a1 - a0)) = "$paid" ]; echo $?)" "$a0 -> $a1 cancelled, $paid expected"
v=$(val "SELECT COUNT(*) FROM TICKET WHERE TIC_IDTICK_ORIGINE IS NOT NULL AND TIC_MOTIF = 'ERREUR PRÉLÈVEMENT' || ASCII_CHAR(127)")
check "one cancelling ticket per debit, with the reason" "$([ "$v" = "$paid" ]; echo $?)" "got '$v'"

debiteurs="SELECT COUNT(*) FROM (SELECT DISTINCT TCPR_IDCLI FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = $((centre * 10))) T CROSS JOIN ACCES_SOLDE(T.TCPR_IDCLI, 0, CURRENT_DATE) S WHERE S.SOLDE < 0"
d0=$(val "$debiteurs")
v0=$(val "SELECT COUNT(*) FROM VENTE")
run_sql "$(fill mSQL7.sql :IDCENTRE $centre :IDARTICLE 205 :MSG "'Solde de %SOLDE € remis à zéro'" :CMGTYPE 1)
COMMIT;"
check "reset negative balances runs" $? "$(cat "$work/out")"
d1=$(val "$debiteurs")
v1=$(val "SELECT COUNT(*) FROM VENTE")
check "every debtor got a sale and owes nothing now" "$([ "${d0:-0}" -gt 0 ] && [ "$d1" = 0 ] && [ $((v1 - v0)) = "$d0" ]; echo $?)" "debtors $d0 -> $d1, sales $v0 -> $v1"
v=$(val "SELECT COUNT(*) FROM CLIENTS_MESSAGE WHERE CMG_TYPE = 1 AND CMG_MESSAGE LIKE 'Solde de %.__ € remis à zéro'")
check "one balance message per debtor" "$([ "$v" = "$d0" ]; echo $?)" "got '$v' for '$d0'"
v=$(val "SELECT COUNT(*) FROM VENTE WHERE VTE_LIBELLE = 'Remise à zéro du solde' AND VTE_IDART = 205 AND VTE_MONTANT_TTC < 0")
check "balancing sales carry the translated label" "$([ "$v" = "$d0" ]; echo $?)" "got '$v'"
v0=$(val "SELECT COUNT(*) FROM VENTE")
run_sql "$(fill mSQL7.sql :IDCENTRE -1 :IDARTICLE 206 :MSG "'x'" :CMGTYPE 0)
COMMIT;"
check "reset with an article without default tariff runs" $? "$(cat "$work/out")"
v1=$(val "SELECT COUNT(*) FROM VENTE")
check "... and books nothing" "$([ "$v0" = "$v1" ]; echo $?)" "$v0 -> $v1"

# --- overlap view --------------------------------------------------------------------------
run_sql "$(modele mSQL_PS1.sql)"
check "overlap procedure created" $? "$(cat "$work/out")"
v=$(val "SELECT COUNT(*) FROM ($(cat "$here/checks/doublons-select.sql"))")
check "overlap dataset has rows" "$([ "${v:-0}" -gt 0 ]; echo $?)" "got '$v'"
run_sql "$(modele mSQL_PS1.sql)"
check "overlap procedure replaced" $? "$(cat "$work/out")"

v=$(val "SELECT F_TRADUCTION(2479) || '|' || F_TRADUCTION(1) || '|' || COALESCE(TRY_CAST_TO_DATE('1.6.2024'), 'null') || '|' || COALESCE(TRY_CAST_TO_DATE('31.2.2024'), 'null') || '|' || COALESCE(TRY_CAST_TO_DATE('today'), 'null') FROM RDB\$DATABASE")
check "translation and date functions" "$([ "$v" = "Remiseàzérodusolde|#1|2024-06-01|null|null" ]; echo $?)" "got '$v'"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
