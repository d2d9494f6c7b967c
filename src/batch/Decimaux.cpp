#include "batch/Decimaux.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace decimaux {

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
