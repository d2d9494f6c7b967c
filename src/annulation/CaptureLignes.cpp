#include "annulation/CaptureLignes.h"

#include "db/Firebird.h"

#include <QHash>

namespace {

// Keys looked for by one statement: few enough for the engine's limits, enough to spare
// a statement per row.
constexpr int kLot = 200;

QString marquesLot()
{
    QStringList m;
    for (int i = 0; i < kLot; ++i)
        m << QStringLiteral(":K") + QString::number(i);
    return m.join(QStringLiteral(", "));
}

QString listeColonnes(const StructureTable& s)
{
    QStringList c;
    for (const QString& n : s.colonnes)
        c << IdentifiantSql(n);
    return c.join(QStringLiteral(", "));
}

// "K1 = :K0 AND K2 = :K1", or the DB_KEY.
QString conditionCle(const StructureTable& s)
{
    if (s.parDbKey())
        return QStringLiteral("RDB$DB_KEY = :K0");
    QStringList c;
    for (int i = 0; i < s.cle.size(); ++i)
        c << IdentifiantSql(s.cle.at(i)) + QStringLiteral(" = :K") + QString::number(i);
    return c.join(QStringLiteral(" AND "));
}

void poserCle(fb::Query& q, const LigneChangee& l)
{
    if (l.table->parDbKey()) {
        q.setParamBytes(QStringLiteral("K0"), l.dbKey);
        return;
    }
    const QList<QByteArray> cle = l.valeursCle();
    for (int i = 0; i < cle.size(); ++i)
        PoserCle(q, QStringLiteral("K") + QString::number(i), cle.at(i), l.table->entieres.contains(l.table->cle.at(i)));
}

QList<Cellule> lireImage(const fb::Query& q, int premiere, int nombre)
{
    QList<Cellule> image;
    image.reserve(nombre);
    for (int i = 0; i < nombre; ++i)
        image << Cellule::lire(q, premiere + i);
    return image;
}

} // namespace

QList<QByteArray> LigneChangee::valeursCle() const
{
    QList<QByteArray> cle;
    const QList<Cellule>& img = image();
    for (const QString& c : table->cle)
        cle << img.value(int(table->colonnes.indexOf(c))).octets;
    return cle;
}

QString LigneChangee::texteCle() const
{
    return table->parDbKey() ? litteraux::texteDbKey(dbKey) : litteraux::texteCle(valeursCle());
}

bool TableHorsJournal(const QString& table)
{
    return table == QLatin1String("T_CLIENTS_PRESENTS") || table.startsWith(QLatin1String("RDB$"))
        || table.startsWith(QLatin1String("MON$")) || table.startsWith(QLatin1String("SEC$"));
}

CaptureLignes::CaptureLignes(fb::Database& base, fb::Transaction& execution, StructuresTables& structures)
    : m_base(base), m_execution(execution), m_structures(structures)
{
}

qint64 CaptureLignes::numeroTransaction()
{
    fb::Query q(m_base, m_execution);
    q.setSql(QStringLiteral("SELECT CURRENT_TRANSACTION FROM RDB$DATABASE"));
    q.execute();
    const qint64 n = q.asInt64(0);
    q.close();
    return n;
}

qint64 CaptureLignes::capturer(const QList<TableTouchee>& tables, RecepteurLignes& recepteur)
{
    fb::Transaction vue(m_base);
    vue.setParams({QStringLiteral("read"), QStringLiteral("nowait"), QStringLiteral("rec_version"),
                   QStringLiteral("read_committed")});
    vue.start();
    qint64 n = 0;
    for (const TableTouchee& t : tables) {
        if (TableHorsJournal(t.nom))
            continue;
        const StructureTable& s = m_structures.structure(t.nom);
        if (s.existe())
            n += capturerTable(s, t, vue, recepteur);
    }
    vue.commit();
    return n;
}

qint64 CaptureLignes::capturerTable(const StructureTable& s, const TableTouchee& t, fb::Transaction& vue,
                                    RecepteurLignes& r)
{
    const QString table = IdentifiantSql(s.nom);
    const QString colonnes = listeColonnes(s);
    const int nombre = int(s.colonnes.size());
    qint64 n = 0;

    // Inserted and updated rows: one read of the table (the version is not indexed). Their
    // images before are fetched by DB_KEY (an updated record keeps it; one the open
    // transaction inserted has no version the other can see), kLot rows a statement.
    fb::Query ecrites(m_base, m_execution);
    ecrites.setSql(QStringLiteral("SELECT RDB$DB_KEY, %1 FROM %2 WHERE RDB$RECORD_VERSION = CURRENT_TRANSACTION")
                       .arg(colonnes, table));
    fb::Query avant(m_base, vue);
    avant.setSql(QStringLiteral("SELECT RDB$DB_KEY, %1 FROM %2 WHERE RDB$DB_KEY IN (%3)").arg(colonnes, table, marquesLot()));
    QList<LigneChangee> lot;
    const auto vider = [&] {
        if (lot.isEmpty())
            return;
        if (t.modifications || t.suppressions) {
            // The last lot repeats its last key up to the statement's size.
            for (int i = 0; i < kLot; ++i)
                avant.setParamBytes(QStringLiteral("K") + QString::number(i), lot.at(std::min<qsizetype>(i, lot.size() - 1)).dbKey);
            QHash<QByteArray, QList<Cellule>> trouvees;
            for (avant.execute(); !avant.eof(); avant.next())
                trouvees.insert(avant.asExactBytes(0), lireImage(avant, 1, nombre));
            avant.close();
            for (LigneChangee& l : lot)
                l.avant = trouvees.value(l.dbKey);
        }
        for (LigneChangee& l : lot) {
            l.nature = l.avant.isEmpty() ? LigneChangee::Nature::Ajout : LigneChangee::Nature::Modification;
            r.ligne(l);
            ++n;
        }
        lot.clear();
    };
    for (ecrites.execute(); !ecrites.eof(); ecrites.next()) {
        LigneChangee l;
        l.table = &s;
        l.dbKey = ecrites.asExactBytes(0);
        l.apres = lireImage(ecrites, 1, nombre);
        lot.append(std::move(l));
        if (lot.size() == kLot)
            vider();
    }
    vider();
    ecrites.close();
    if (!t.suppressions)
        return n;

    // Deleted rows: the rows before that the open transaction no longer sees.
    fb::Query toutes(m_base, vue);
    toutes.setSql(QStringLiteral("SELECT RDB$DB_KEY, %1 FROM %2").arg(colonnes, table));
    fb::Query presente(m_base, m_execution);
    presente.setSql(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(table, conditionCle(s)));
    LigneChangee l;
    l.table = &s;
    l.nature = LigneChangee::Nature::Suppression;
    for (toutes.execute(); !toutes.eof(); toutes.next()) {
        l.dbKey = toutes.asExactBytes(0);
        l.avant = lireImage(toutes, 1, nombre);
        poserCle(presente, l);
        presente.execute();
        const bool existe = !presente.eof();
        presente.close();
        if (!existe) {
            r.ligne(l);
            ++n;
        }
    }
    toutes.close();
    return n;
}
