// The output message of a statement: its columns and the current row read as values.
#include "db/QueryInterne.h"

#include "config/Texte.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>
#include <cstdio>

using namespace Firebird;

namespace fb {

using decimaux::puissance10;

const Colonne& Query::Impl::colonne(int i) const
{
    if (i < 0 || size_t(i) >= colonnes.size())
        throw DbError(QStringLiteral("Colonne %1 hors de la requête (%2 colonnes).").arg(i).arg(colonnes.size()));
    return colonnes[size_t(i)];
}

const unsigned char* Query::Impl::cellule(int i) const
{
    const Colonne& col = colonne(i);
    if (!ligneCourante)
        throw DbError(QStringLiteral("La requête n'a pas de ligne courante."));
    short nul;
    std::memcpy(&nul, ligne.data() + col.decalageNul, sizeof nul);
    if (nul || col.type == SQL_NULL)
        return nullptr;
    return ligne.data() + col.decalage;
}

QByteArray Query::Impl::octetsTexte(const Colonne& col, const unsigned char* p) const
{
    if (col.type == SQL_TEXT)
        return QByteArray(reinterpret_cast<const char*>(p), int(col.longueur));
    if (col.type == SQL_VARYING) {
        const auto l = lire<unsigned short>(p);
        return QByteArray(reinterpret_cast<const char*>(p + sizeof l), l);
    }
    // SQL_BLOB
    auto id = lire<ISC_QUAD>(p);
    ITransaction* tra = exigerTransaction();
    Appel appel(client());
    IBlob* blob = appel([&](ThrowStatusWrapper* s) { return base->impl()->att->openBlob(s, tra, &id, 0, nullptr); });
    QByteArray resultat;
    try {
        char morceau[8192];
        for (;;) {
            unsigned lu = 0;
            const int r = appel([&](ThrowStatusWrapper* s) { return blob->getSegment(s, sizeof morceau, morceau, &lu); });
            if (r != IStatus::RESULT_OK && r != IStatus::RESULT_SEGMENT)
                break;
            resultat.append(morceau, int(lu));
        }
        appel([&](ThrowStatusWrapper* s) { blob->close(s); });
    } catch (...) {
        blob->release();
        throw;
    }
    return resultat;
}

TypeColonne Query::Impl::genre(const Colonne& col)
{
    switch (col.type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        return col.echelle < 0 ? TypeColonne::Decimal : TypeColonne::Entier;
    case SQL_TEXT:
    case SQL_VARYING:
        return col.jeu == 1 ? TypeColonne::Octets : TypeColonne::Texte;   // 1: OCTETS
    case SQL_BLOB:
        return col.sousType == 1 ? TypeColonne::Texte : TypeColonne::Octets;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return TypeColonne::Flottant;
    case SQL_TYPE_DATE:
        return TypeColonne::Date;
    case SQL_TYPE_TIME:
        return TypeColonne::Heure;
    case SQL_TIMESTAMP:
        return TypeColonne::Horodatage;
    case SQL_BOOLEAN:
        return TypeColonne::Booleen;
    default:
        return TypeColonne::Autre;
    }
}

std::optional<qint64> Query::Impl::brut(const Colonne& col, const unsigned char* p)
{
    switch (col.type) {
    case SQL_SHORT:
        return lire<qint16>(p);
    case SQL_LONG:
        return lire<qint32>(p);
    case SQL_INT64:
        return lire<qint64>(p);
    default:
        return std::nullopt;
    }
}

QDate Query::Impl::date(const unsigned char* p) const
{
    unsigned a = 0, m = 0, j = 0;
    client().util->decodeDate(lire<ISC_DATE>(p), &a, &m, &j);
    return QDate(int(a), int(m), int(j));
}

QTime Query::Impl::heure(const unsigned char* p) const
{
    unsigned h = 0, mi = 0, s = 0, f = 0;
    client().util->decodeTime(lire<ISC_TIME>(p), &h, &mi, &s, &f);
    return QTime(int(h), int(mi), int(s), int(f / 10));
}

int Query::columnCount() const { return int(d->colonnes.size()); }
QString Query::columnName(int colonne) const { return d->colonne(colonne).nom; }
TypeColonne Query::columnType(int colonne) const { return Impl::genre(d->colonne(colonne)); }

bool Query::isNull(int colonne) const { return d->cellule(colonne) == nullptr; }

qint64 Query::asInt64(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return 0;
    const Colonne& col = d->colonne(colonne);
    if (const auto v = Impl::brut(col, p))
        return col.echelle < 0 ? *v / puissance10(-col.echelle) : *v;
    switch (col.type) {
    case SQL_BOOLEAN:
        return Impl::lire<unsigned char>(p) ? 1 : 0;
    case SQL_FLOAT:
        return qint64(Impl::lire<float>(p));
    case SQL_DOUBLE:
        return qint64(Impl::lire<double>(p));
    case SQL_TEXT:
    case SQL_VARYING: {
        bool ok = false;
        const qint64 v = d->octetsTexte(col, p).trimmed().toLongLong(&ok);
        if (ok)
            return v;
        break;
    }
    default:
        break;
    }
    throw DbError(QStringLiteral("La colonne %1 ne se lit pas comme un nombre entier.").arg(col.nom));
}

qint32 Query::asInteger(int colonne) const { return static_cast<qint32>(asInt64(colonne)); }

Decimal Query::asDecimal(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return {};
    const Colonne& col = d->colonne(colonne);
    if (const auto v = Impl::brut(col, p))
        return {*v, col.echelle};
    if (col.type == SQL_TEXT || col.type == SQL_VARYING) {
        const QByteArray t = d->octetsTexte(col, p).trimmed();
        static const QRegularExpression forme(QStringLiteral("^([-+]?)(\\d*)(?:\\.(\\d*))?$"));
        const auto m = forme.match(QString::fromLatin1(t));
        if (m.hasMatch() && !(m.captured(2) + m.captured(3)).isEmpty() && m.captured(3).size() <= 18) {
            Decimal r{(m.captured(2) + m.captured(3)).toLongLong(), -int(m.captured(3).size())};
            if (m.captured(1) == QLatin1String("-"))
                r.valeur = -r.valeur;
            return r;
        }
    }
    if (col.type == SQL_FLOAT || col.type == SQL_DOUBLE) {
        // Floating columns have no exact value to give: six decimals, like the engine's own casts.
        const double x = col.type == SQL_FLOAT ? double(Impl::lire<float>(p)) : Impl::lire<double>(p);
        return Decimal{qint64(std::llround(x * 1e6)), -6};
    }
    throw DbError(QStringLiteral("La colonne %1 ne se lit pas comme un nombre.").arg(col.nom));
}

QString Query::asString(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return {};
    const Colonne& col = d->colonne(colonne);
    switch (col.type) {
    case SQL_TEXT:
    case SQL_VARYING:
    case SQL_BLOB:
        return texte::depuisCp1252(d->octetsTexte(col, p));
    default:
        break;
    }
    const QVariant v = value(colonne);
    switch (Impl::genre(col)) {
    case TypeColonne::Decimal:
        return asDecimal(colonne).texte();
    case TypeColonne::Date:
        return v.toDate().toString(Qt::ISODate);
    case TypeColonne::Horodatage:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case TypeColonne::Booleen:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return v.toString();
    }
}

QDate Query::asDate(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return {};
    const Colonne& col = d->colonne(colonne);
    if (col.type == SQL_TYPE_DATE)
        return d->date(p);
    if (col.type == SQL_TIMESTAMP)
        return d->date(p);   // the date comes first in a time stamp
    throw DbError(QStringLiteral("La colonne %1 n'est pas une date.").arg(col.nom));
}

QByteArray Query::Impl::heureExacte(const unsigned char* p) const
{
    unsigned h = 0, mi = 0, s = 0, f = 0;
    client().util->decodeTime(lire<ISC_TIME>(p), &h, &mi, &s, &f);
    char t[32];
    std::snprintf(t, sizeof t, "%02u:%02u:%02u.%04u", h % 100, mi % 100, s % 100, f % 10000);
    return QByteArray(t);
}

QByteArray Query::asExactBytes(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return {};
    const Colonne& col = d->colonne(colonne);
    switch (col.type) {
    case SQL_TEXT:
    case SQL_VARYING:
    case SQL_BLOB:
        return d->octetsTexte(col, p);
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (col.echelle < 0)
            return asDecimal(colonne).texte().toLatin1();
        return QByteArray::number(*Impl::brut(col, p));
    case SQL_FLOAT:
        return QByteArray::number(double(Impl::lire<float>(p)), 'g', 9);
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return QByteArray::number(Impl::lire<double>(p), 'g', 17);
    case SQL_TYPE_DATE:
        return d->date(p).toString(Qt::ISODate).toLatin1();
    case SQL_TYPE_TIME:
        return d->heureExacte(p);
    case SQL_TIMESTAMP:
        return d->date(p).toString(Qt::ISODate).toLatin1() + ' ' + d->heureExacte(p + sizeof(ISC_DATE));
    case SQL_BOOLEAN:
        return Impl::lire<unsigned char>(p) ? QByteArrayLiteral("TRUE") : QByteArrayLiteral("FALSE");
    default:
        throw DbError(QStringLiteral("La colonne %1 est d'un type que le programme ne sait pas lire (%2).")
                          .arg(col.nom)
                          .arg(col.type));
    }
}

QVariant Query::value(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return {};
    const Colonne& col = d->colonne(colonne);
    switch (col.type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (col.echelle < 0)
            return QVariant::fromValue(asDecimal(colonne));
        return QVariant::fromValue(*Impl::brut(col, p));
    case SQL_FLOAT:
        return double(Impl::lire<float>(p));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return Impl::lire<double>(p);
    case SQL_TEXT:
    case SQL_VARYING:
        return asString(colonne);
    case SQL_BLOB:
        if (col.sousType == 1)
            return asString(colonne);
        return d->octetsTexte(col, p);
    case SQL_TYPE_DATE:
        return d->date(p);
    case SQL_TYPE_TIME:
        return d->heure(p);
    case SQL_TIMESTAMP:
        return QDateTime(d->date(p), d->heure(p + sizeof(ISC_DATE)));
    case SQL_BOOLEAN:
        return Impl::lire<unsigned char>(p) != 0;
    default:
        return {};
    }
}

} // namespace fb
