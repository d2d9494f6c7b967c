#pragma once
// The exact fixed-point number of amounts and prices, and its conversions between scales, texts
// and editor values. Free of the client library: the option values hold amounts without it.
#include <QMetaType>
#include <QString>
#include <optional>

namespace fb {

// An exact fixed-point number: valeur × 10^echelle (echelle ≤ 0). Never passes through a double.
struct Decimal
{
    qint64 valeur = 0;
    int echelle = 0;
    // Shortest form with a point: "39.95", "40", "12.5", "-0.01".
    QString texteCourt() const;
    // Exactly |echelle| decimals with a point: NUMERIC(15,2) -1234 → "-12.34".
    QString texte() const;
    // The value rounded half away from zero to `decimales` decimals.
    Decimal arrondi(int decimales) const;
    friend bool operator==(const Decimal& a, const Decimal& b);
};

} // namespace fb

Q_DECLARE_METATYPE(fb::Decimal)

namespace decimaux {

// The amounts an operator can type in the options page's editors: ±999,999,999.99, in cents.
inline constexpr qint64 kCentimesMax = 99'999'999'999;

// 10^n, for n from 0 to 18.
qint64 puissance10(int n);

// The value with exactly `decimales` decimals, rounded half away from zero when it had more.
// Returns nothing when the result does not fit in 64 bits.
std::optional<fb::Decimal> versEchelle(const fb::Decimal& d, int decimales);

// Reads "12", "-5.5", "0.01" (a point as separator, no grouping) with at most `decimales`
// decimals; nothing for any other text.
std::optional<fb::Decimal> depuisTexte(const QString& texte, int decimales);

// The value of an editor holding at most `decimales` decimals; nothing beyond 64 bits.
std::optional<fb::Decimal> depuisDouble(double valeur, int decimales);
double versDouble(const fb::Decimal& d);

// The amount with two decimals, the separator of the default locale, no grouping, then "€".
QString montantEuro(const fb::Decimal& d);

} // namespace decimaux
