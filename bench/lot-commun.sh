# Sourced by the bench scripts: the configuration of one database and the job of the six
# operations on every client of a CSV file, written the same way for every measure.

# ecrire_conf ROOT DB TEMP [IP] [PORT]: ROOT/Program/zeltoQ58.conf naming DB (embedded when
# IP is empty).
ecrire_conf() {
  mkdir -p "$1/Program"
  cat >"$1/Program/zeltoQ58.conf" <<CONF
[Configuration]
Serveur=0

[Serveur0]
IPServeur=${4:-}
PortDonnee=${5:-3050}
Temporaire=$3/
Racine=$1/
Centre=1001
Alias=$2
Nom=BENCH
NiveauDebug=0
CONF
}

# ecrire_lot FILE CSV: the job. The selection is the CSV of client numbers (the balance reset
# needs that source; the cancellation runs on it too), then mSQL6 (every debit, fixed -5),
# mSQL1, mSQL2, mSQL3, mSQL4 (the debits of the 5th of last month) and mSQL7.
ecrire_lot() {
  cat >"$1" <<JOB
[Selection]
rgSource=0
JvFilenameEdit1=$2
[Options]
cbModifMontant=1
cbModes4=4
rgChoix2=1
edtValeur1=-5
cbIncPrel=1
edtDateInc=2026-12-01
edtDate2Inc=2026-12-31
cbMsg=1
Memo1=Prélèvement de décembre reporté.
cbCreate=1
cbArticle=209
cbModes=4
edtDateEch=2027-01-05
cbAnnulation=1
cbModes2=4
edtDateAnnul=2026-11-05
cbSolde=1
cbArticle2=205
mmoSolde=Solde de %SOLDE € remis à zéro
MessageType=2
JOB
}
