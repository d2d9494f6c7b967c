#include "annulation/Cellule.h"

#include "config/Texte.h"

Cellule Cellule::lire(const fb::Query& q, int colonne)
{
    Cellule c;
    c.type = q.columnType(colonne);
    c.nul = q.isNull(colonne);
    if (!c.nul)
        c.octets = q.asExactBytes(colonne);
    return c;
}

void PoserCle(fb::Query& q, const QString& nom, const QByteArray& octets, bool entiere)
{
    bool entier = false;
    const qint64 n = entiere ? octets.toLongLong(&entier) : 0;
    if (entier)
        q.setParam(nom, n);
    else
        q.setParamBytes(nom, octets);
}

namespace litteraux {

namespace {

QString entreApostrophes(const QString& t)
{
    QString r = t;
    r.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + r + QLatin1Char('\'');
}

// A text is written as text when it reads back into the same bytes and holds no control
// character a reader could miss (tabs and line ends aside).
bool texteSur(const QByteArray& octets)
{
    for (const char ch : octets) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 && ch != '\t' && ch != '\n' && ch != '\r')
            return false;
        if (u == 0x7F)
            return false;
    }
    return texte::versCp1252(texte::depuisCp1252(octets)) == octets;
}

} // namespace

QString ecrire(const Cellule& c)
{
    if (c.nul)
        return QStringLiteral("NULL");
    const QString latin = QString::fromLatin1(c.octets);
    switch (c.type) {
    case fb::TypeColonne::Entier:
    case fb::TypeColonne::Decimal:
    case fb::TypeColonne::Flottant:
    case fb::TypeColonne::Booleen:
        return latin;
    case fb::TypeColonne::Date:
        return QStringLiteral("DATE ") + entreApostrophes(latin);
    case fb::TypeColonne::Heure:
        return QStringLiteral("TIME ") + entreApostrophes(latin);
    case fb::TypeColonne::Horodatage:
        return QStringLiteral("TIMESTAMP ") + entreApostrophes(latin);
    case fb::TypeColonne::Texte:
        if (texteSur(c.octets))
            return entreApostrophes(texte::depuisCp1252(c.octets));
        break;
    case fb::TypeColonne::Octets:
    case fb::TypeColonne::Autre:
        break;
    }
    return QStringLiteral("X'") + QString::fromLatin1(c.octets.toHex().toUpper()) + QLatin1Char('\'');
}

Lu lire(const QString& litteral)
{
    Lu r;
    const QString t = litteral;
    auto cite = [&](qsizetype debut) -> std::optional<QString> {
        if (t.size() < debut + 2 || t.at(debut) != QLatin1Char('\'') || !t.endsWith(QLatin1Char('\'')))
            return std::nullopt;
        QString contenu = t.mid(debut + 1, t.size() - debut - 2);
        // Every quote inside goes by pairs.
        if (contenu.count(QLatin1Char('\'')) % 2 != 0)
            return std::nullopt;
        contenu.replace(QLatin1String("''"), QLatin1String("'"));
        return contenu;
    };
    if (t == QLatin1String("NULL")) {
        r.valide = true;
        return r;
    }
    if (t == QLatin1String("TRUE") || t == QLatin1String("FALSE")) {
        r.valide = true;
        r.octets = t.toLatin1();
        return r;
    }
    for (const char* prefixe : {"DATE ", "TIME ", "TIMESTAMP "}) {
        if (t.startsWith(QLatin1String(prefixe))) {
            const auto c = cite(qsizetype(qstrlen(prefixe)));
            if (c && !c->isEmpty() && c->toLatin1() == c->toUtf8()) {
                r.valide = true;
                r.octets = c->toLatin1();
            }
            return r;
        }
    }
    if (t.startsWith(QLatin1String("X'"))) {
        const auto c = cite(1);
        if (!c)
            return r;
        const QByteArray hex = c->toLatin1();
        if (hex.size() % 2 != 0 || !std::all_of(hex.cbegin(), hex.cend(), [](char ch) { return std::isxdigit(static_cast<unsigned char>(ch)); }))
            return r;
        r.valide = true;
        r.octets = QByteArray::fromHex(hex);
        return r;
    }
    if (t.startsWith(QLatin1Char('\''))) {
        const auto c = cite(0);
        if (c) {
            r.valide = true;
            r.octets = texte::versCp1252(*c);
        }
        return r;
    }
    // A number: the engine reads it exactly.
    bool chiffre = false;
    for (int i = 0; i < t.size(); ++i) {
        const QChar ch = t.at(i);
        if (ch.isDigit())
            chiffre = true;
        else if (!(ch == QLatin1Char('-') || ch == QLatin1Char('+') || ch == QLatin1Char('.') || ch == QLatin1Char('e')
                   || ch == QLatin1Char('E')) || ch.unicode() > 0x7F)
            return r;
    }
    if (!chiffre)
        return r;
    r.valide = true;
    r.octets = t.toLatin1();
    return r;
}

QString texteCle(const QList<QByteArray>& valeurs)
{
    QStringList parties;
    for (const QByteArray& v : valeurs)
        parties << texte::depuisCp1252(v).trimmed();
    return parties.join(QLatin1Char('/'));
}

QString texteDbKey(const QByteArray& dbKey)
{
    return QLatin1Char('#') + QString::fromLatin1(dbKey.toHex().toUpper());
}

} // namespace litteraux
