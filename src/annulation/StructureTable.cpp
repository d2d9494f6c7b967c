#include "annulation/StructureTable.h"

#include "db/Firebird.h"

#include <QRegularExpression>

namespace {

const char* const kSqlColonnes =
    "SELECT TRIM(RF.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS RF "
    "JOIN RDB$FIELDS F ON (F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE) "
    "JOIN RDB$RELATIONS R ON (R.RDB$RELATION_NAME = RF.RDB$RELATION_NAME) "
    "WHERE (RF.RDB$RELATION_NAME = :TABLE) AND (F.RDB$COMPUTED_BLR IS NULL) "
    "AND (R.RDB$VIEW_BLR IS NULL) ORDER BY RF.RDB$FIELD_POSITION";

const char* const kSqlEntieres =
    "SELECT TRIM(RF.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS RF "
    "JOIN RDB$FIELDS F ON (F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE) "
    "WHERE (RF.RDB$RELATION_NAME = :TABLE) AND (F.RDB$FIELD_TYPE IN (7, 8, 16)) AND (F.RDB$FIELD_SCALE = 0)";

const char* const kSqlCle =
    "SELECT TRIM(S.RDB$FIELD_NAME) FROM RDB$RELATION_CONSTRAINTS C "
    "JOIN RDB$INDEX_SEGMENTS S ON (S.RDB$INDEX_NAME = C.RDB$INDEX_NAME) "
    "WHERE (C.RDB$RELATION_NAME = :TABLE) AND (C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY') "
    "ORDER BY S.RDB$FIELD_POSITION";

const char* const kSqlParents =
    "SELECT DISTINCT TRIM(P.RDB$RELATION_NAME) FROM RDB$RELATION_CONSTRAINTS C "
    "JOIN RDB$REF_CONSTRAINTS RC ON (RC.RDB$CONSTRAINT_NAME = C.RDB$CONSTRAINT_NAME) "
    "JOIN RDB$RELATION_CONSTRAINTS P ON (P.RDB$CONSTRAINT_NAME = RC.RDB$CONST_NAME_UQ) "
    "WHERE (C.RDB$RELATION_NAME = :TABLE) AND (C.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY')";

QStringList lireNoms(fb::Database& base, fb::Transaction& tr, const char* sql, const QString& table)
{
    fb::Query q(base, tr);
    q.setSql(QLatin1String(sql));
    q.setParam(QStringLiteral("TABLE"), table);
    QStringList noms;
    for (q.execute(); !q.eof(); q.next())
        noms << q.asString(0);
    q.close();
    return noms;
}

} // namespace

StructuresTables::StructuresTables(fb::Database& base, fb::Transaction& transaction)
    : m_base(base), m_transaction(transaction)
{
}

const StructureTable& StructuresTables::structure(const QString& table)
{
    auto it = m_lues.find(table);
    if (it != m_lues.end())
        return *it;
    StructureTable s;
    s.nom = table;
    s.colonnes = lireNoms(m_base, m_transaction, kSqlColonnes, table);
    if (!s.colonnes.isEmpty()) {
        s.cle = lireNoms(m_base, m_transaction, kSqlCle, table);
        s.parents = lireNoms(m_base, m_transaction, kSqlParents, table);
        s.parents.removeAll(table);
        s.entieres = lireNoms(m_base, m_transaction, kSqlEntieres, table);
    }
    return *m_lues.insert(table, s);
}

QStringList StructuresTables::parentsDAbord(const QStringList& tables)
{
    QStringList ordre;
    QStringList restantes = tables;
    while (!restantes.isEmpty()) {
        bool avance = false;
        for (int i = 0; i < restantes.size(); ++i) {
            const QStringList& parents = structure(restantes.at(i)).parents;
            const bool pret = std::none_of(parents.cbegin(), parents.cend(), [&](const QString& p) {
                return restantes.contains(p);
            });
            if (pret) {
                ordre << restantes.takeAt(i);
                avance = true;
                break;
            }
        }
        if (!avance) {
            ordre << restantes;
            break;
        }
    }
    return ordre;
}

QString IdentifiantSql(const QString& nom)
{
    static const QRegularExpression simple(QStringLiteral("^[A-Z][A-Z0-9_$]*$"));
    if (simple.match(nom).hasMatch())
        return nom;
    QString t = nom;
    t.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}
