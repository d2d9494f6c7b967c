#include "db/Decimal.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace fb {

using decimaux::puissance10;

namespace {

QString chiffres(const Decimal& d, int decimales)
{
    const bool negatif = d.valeur < 0;
    // The magnitude as unsigned, so that the most negative value keeps its digits.
    const quint64 m = negatif ? quint64(0) - quint64(d.valeur) : quint64(d.valeur);
    QString t = QString::number(m);
    if (decimales > 0) {
        if (t.size() <= decimales)
            t.prepend(QString(decimales - t.size() + 1, QLatin1Char('0')));
        t.insert(t.size() - decimales, QLatin1Char('.'));
    }
    return negatif ? QLatin1Char('-') + t : t;
}

} // namespace

QString Decimal::texte() const
{
    if (echelle >= 0)
        return chiffres(Decimal{valeur * puissance10(echelle), 0}, 0);
    return chiffres(*this, -echelle);
}

QString Decimal::texteCourt() const
{
    QString t = texte();
    if (t.contains(QLatin1Char('.'))) {
        while (t.endsWith(QLatin1Char('0')))
            t.chop(1);
        if (t.endsWith(QLatin1Char('.')))
            t.chop(1);
    }
    if (t == QLatin1String("-0"))
        t = QStringLiteral("0");
    return t;
}

Decimal Decimal::arrondi(int decimales) const
{
    const int actuelles = -echelle;
    if (actuelles <= decimales)
        return Decimal{valeur * puissance10(decimales - actuelles), -decimales};
    const qint64 diviseur = puissance10(actuelles - decimales);
    qint64 q = valeur / diviseur;
    const qint64 reste = valeur % diviseur;
    // Half away from zero: compare twice the remainder's magnitude with the divisor.
    const quint64 double_reste = 2 * quint64(reste < 0 ? -reste : reste);
    if (double_reste >= quint64(diviseur))
        q += valeur < 0 ? -1 : 1;
    return Decimal{q, -decimales};
}

bool operator==(const Decimal& a, const Decimal& b)
{
    const int e = std::min(a.echelle, b.echelle);
    const __int128 va = __int128(a.valeur) * puissance10(a.echelle - e);
    const __int128 vb = __int128(b.valeur) * puissance10(b.echelle - e);
    return va == vb;
}

} // namespace fb

namespace decimaux {

qint64 puissance10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

namespace {

bool multiplierPar10(qint64& v)
{
    if (v > std::numeric_limits<qint64>::max() / 10 || v < std::numeric_limits<qint64>::min() / 10)
        return false;
    v *= 10;
    return true;
}

} // namespace

std::optional<fb::Decimal> versEchelle(const fb::Decimal& d, int decimales)
{
    if (-d.echelle > decimales) {
        // More than 18 dropped digits would overflow the divisor: below any unit.
        if (-d.echelle - decimales > 18)
            return fb::Decimal{0, -decimales};
        return d.arrondi(decimales);
    }
    qint64 v = d.valeur;
    for (int echelle = d.echelle; -echelle < decimales; --echelle)
        if (!multiplierPar10(v))
            return std::nullopt;
    return fb::Decimal{v, -decimales};
}

std::optional<fb::Decimal> depuisTexte(const QString& texte, int decimales)
{
    const QString t = texte.trimmed();
    int i = 0;
    bool negatif = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        negatif = t[i++] == QLatin1Char('-');
    qint64 v = 0;
    int chiffres = 0;
    int apresPoint = -1;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('.') && apresPoint < 0) {
            apresPoint = 0;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        if (apresPoint >= 0 && ++apresPoint > decimales)
            return std::nullopt;
        if (!multiplierPar10(v))
            return std::nullopt;
        const int chiffre = c.unicode() - '0';
        if (v > std::numeric_limits<qint64>::max() - chiffre)
            return std::nullopt;
        v += chiffre;
        ++chiffres;
    }
    if (chiffres == 0)
        return std::nullopt;
    return versEchelle(fb::Decimal{negatif ? -v : v, apresPoint > 0 ? -apresPoint : 0}, decimales);
}

std::optional<fb::Decimal> depuisDouble(double valeur, int decimales)
{
    const double echelonne = std::round(valeur * std::pow(10.0, decimales));
    if (!std::isfinite(echelonne) || std::fabs(echelonne) >= 9.2e18)
        return std::nullopt;
    return fb::Decimal{static_cast<qint64>(echelonne), -decimales};
}

double versDouble(const fb::Decimal& d)
{
    return static_cast<double>(d.valeur) * std::pow(10.0, d.echelle);
}

QString montantEuro(const fb::Decimal& d)
{
    const auto deux = versEchelle(d, 2);
    if (!deux)
        return QString();
    const QLocale locale;
    const qint64 v = deux->valeur;
    const quint64 absolu = v < 0 ? 0 - static_cast<quint64>(v) : static_cast<quint64>(v);
    QString t = QString::number(absolu / 100) + locale.decimalPoint()
        + QStringLiteral("%1").arg(absolu % 100, 2, 10, QLatin1Char('0'));
    if (v < 0)
        t.prepend(locale.negativeSign());
    return t + QStringLiteral("€");
}

} // namespace decimaux
