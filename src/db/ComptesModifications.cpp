#include "db/ComptesModifications.h"

#include "db/Firebird.h"

namespace {

const char* const kSqlCompteurs =
    "SELECT TRIM(T.MON$TABLE_NAME), R.MON$RECORD_INSERTS, R.MON$RECORD_UPDATES, R.MON$RECORD_DELETES "
    "FROM MON$TABLE_STATS T "
    "JOIN MON$RECORD_STATS R ON (R.MON$STAT_ID = T.MON$RECORD_STAT_ID) "
    "JOIN MON$ATTACHMENTS A ON (A.MON$STAT_ID = T.MON$STAT_ID) "
    "WHERE (T.MON$STAT_GROUP = 1) AND (A.MON$ATTACHMENT_ID = CURRENT_CONNECTION)";

} // namespace

ComptesModifications::Releve ComptesModifications::lire(fb::Database& base)
{
    fb::Transaction tr(base);
    tr.setParams({QStringLiteral("read"), QStringLiteral("nowait"), QStringLiteral("rec_version"),
                  QStringLiteral("read_committed")});
    tr.start();
    fb::Query q(base, tr);
    q.setSql(QLatin1String(kSqlCompteurs));
    Releve releve;
    for (q.execute(); !q.eof(); q.next())
        releve.insert(q.asString(0), Compteurs{q.asInt64(1), q.asInt64(2), q.asInt64(3)});
    q.close();
    tr.commit();
    return releve;
}

QList<CompteTable> ComptesModifications::difference(const Releve& avant, const Releve& apres)
{
    QList<CompteTable> comptes;
    for (auto it = apres.cbegin(); it != apres.cend(); ++it) {
        const Compteurs a = avant.value(it.key());
        const CompteTable c{it.key(), it->ajouts - a.ajouts, it->modifications - a.modifications,
                            it->suppressions - a.suppressions};
        if (c.ajouts != 0 || c.modifications != 0 || c.suppressions != 0)
            comptes.append(c);
    }
    return comptes;   // QMap keeps the names in order
}

QString ComptesModifications::ligne(const QString& modele, const CompteTable& compte)
{
    return QStringLiteral("%1 %2 : %3 ajout(s), %4 modification(s), %5 suppression(s)")
        .arg(modele, compte.table)
        .arg(compte.ajouts)
        .arg(compte.modifications)
        .arg(compte.suppressions);
}
