#pragma once
// Exact conversions of fixed-point amounts between scales, texts and editor values.
#include "db/Firebird.h"

#include <QString>
#include <optional>

namespace decimaux {

// The amounts an operator can type in the options page's editors: ±999,999,999.99, in cents.
inline constexpr qint64 kCentimesMax = 99'999'999'999;

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
