#pragma once
// What ECHEANCES_DOUBLONS lists for the overlap cases of the club test database (fixed
// clients from 2^53 + 1 on), and the statements that make its creation or its reading fail.
#include <QDate>
#include <QStringList>

namespace cas {

constexpr qint64 kPremierClient = 9'007'199'254'740'993;

// The generator's reference month, read back from the first case's activity (it starts twelve
// months before), so that a database built on another day is judged by its own dates.
inline const char* const kSqlDebutCas = "SELECT ACT_DEBUT FROM CLIENTS_ACTIVITE WHERE ACT_ID = 9990001";

inline QString d(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

struct Attendu
{
    const char* nom;   // data row name
    qint64 client;
    QStringList lignes;   // "ACCES|FIN_ECHEANCE_PRECEDENTE|ECHEANCE_PROCHAINE|ECHEANCE_DERNIERE", sorted
};

inline QList<Attendu> attendus(const QDate& debutCas)
{
    const QDate f = debutCas.addMonths(12).addMonths(1).addDays(4);
    const QDate g = f.addMonths(3);
    const QString fin = QStringLiteral("2099-12-31");
    const auto l = [](const QString& acces, const QString& p, const QString& q, const QString& r) {
        return acces + u'|' + p + u'|' + q + u'|' + r;
    };
    QList<Attendu> a{
        {"same day", kPremierClient, {l("Abonnement mensuel", d(g), d(g), d(g.addMonths(6)))}},
        {"after an open end", kPremierClient + 2, {l("Abonnement premium", fin, d(f.addMonths(2)), d(f.addMonths(14)))}},
        {"first entry on 01.01.2000", kPremierClient + 4, {l("Cours collectif", "2000-01-01", "2000-01-01", "2000-06-30")}},
        {"two article groups", kPremierClient + 6,
         {l("Abonnement mensuel", d(f.addMonths(6)), d(f.addMonths(1)), d(f.addMonths(12))),
          l("Abonnement mensuel", d(f.addMonths(20)), d(f.addMonths(14)), fin),
          l("Cours collectif", d(f.addMonths(6)), d(f.addMonths(1)), d(f.addMonths(12))),
          l("Cours collectif", d(f.addMonths(20)), d(f.addMonths(14)), fin)}},
        {"no activity", kPremierClient + 8, {}},
        {"not examined", kPremierClient + 10, {}},
        {"every entry of an examined activity", kPremierClient + 12,
         {l("Abonnement mensuel", d(f.addMonths(2).addDays(-1)), d(f.addMonths(1).addDays(9)),
            d(f.addMonths(1).addDays(9)))}},
    };
    for (Attendu& x : a)
        x.lignes.sort();
    return a;
}

// Entries attached to no activity (a group for the procedure, but nothing to walk), left out
// of the club database because its own checks count such entries; ids kept free there.
inline QStringList sansActivite(const QDate& debutCas)
{
    const QDate f = debutCas.addMonths(12).addMonths(1).addDays(4);
    QStringList sql{QStringLiteral("INSERT INTO CLIENTS (CLI_ID, CLI_NOM, CLI_PRENOM, CLI_CENTRE) VALUES (%1, "
                                   "'Chevauchement', 'Sans activité', 1003)")
                        .arg(kPremierClient + 8)};
    for (int k = 0; k < 3; ++k)
        sql << QStringLiteral("INSERT INTO ECHEANCIER (ECHE_ID, ECHE_IDCLI, ECHE_IDMOD, ECHE_IDART, ECHE_IDACT, "
                              "ECHE_PROCHAINE, ECHE_MONTANT, ECHE_VENTE) VALUES (%1, %2, 4, 201, NULL, '%3', 39.95, -1)")
                   .arg(9991017 + k)
                   .arg(kPremierClient + 8)
                   .arg(d(f.addMonths(k)));
    return sql;
}

// An older procedure of the same name with one row of its own.
inline QString procedureAncienne(bool echoueApresDeuxLignes = false)
{
    return QStringLiteral(
               "CREATE OR ALTER PROCEDURE ECHEANCES_DOUBLONS (DATEDEBUT DATE = CURRENT_DATE) RETURNS ("
               "CLI_ID BIGINT, CLI_NOM VARCHAR(50), CLI_PRENOM VARCHAR(50), ACT_DEBUT DATE, ACT_FIN DATE, "
               "ART_NOM VARCHAR(50), ECHE_DERNIERE_PREC DATE, ECHE_PROCHAINE DATE, ECHE_DERNIERE DATE) AS "
               "BEGIN CLI_ID = -7; CLI_NOM = 'Ancienne'; ECHE_PROCHAINE = DATE '2001-02-03'; SUSPEND; ")
        + (echoueApresDeuxLignes
               ? QStringLiteral("CLI_ID = -8; SUSPEND; CLI_ID = 1 / (CLI_ID + 8); SUSPEND; END")
               : QStringLiteral("END"));
}

// Refuses every definition statement from then on, as a server whose rights forbid it would.
inline QStringList refusDefinitions()
{
    return {QStringLiteral("CREATE EXCEPTION E_REFUS_DDL 'Définitions refusées sur cette base'"),
            QStringLiteral("CREATE TRIGGER REFUS_DDL BEFORE ANY DDL STATEMENT AS BEGIN EXCEPTION E_REFUS_DDL; END")};
}

} // namespace cas
