#pragma once
// A cell of a journalled row: how it is written back (its type) and its exact bytes, as the
// engine reads them back into the same value.
#include "db/Query.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct Cellule
{
    fb::TypeColonne type = fb::TypeColonne::Autre;
    bool nul = true;
    QByteArray octets;

    friend bool operator==(const Cellule& a, const Cellule& b) { return a.nul == b.nul && a.octets == b.octets; }

    // Column `colonne` of the query's current row.
    static Cellule lire(const fb::Query& q, int colonne);
};

// Binds a key's bytes to `nom` so that the engine compares it with the key's index: an integer
// as a number (a text against an integer column is converted row by row, the index unused).
void PoserCle(fb::Query& q, const QString& nom, const QByteArray& octets, bool entiere);

namespace litteraux {

// The cell as an SQL literal of the journal: NULL, a number, TRUE/FALSE, DATE '...', TIME '...',
// TIMESTAMP '...', a quoted text, or X'...' for bytes that are no plain text.
QString ecrire(const Cellule& c);

// The bytes of a literal that ecrire() wrote, nullopt for NULL; the literal's type is left
// to the engine, which converts the bytes to the column's type.
struct Lu
{
    bool valide = false;
    std::optional<QByteArray> octets;
};
Lu lire(const QString& litteral);

// "a/b" of the key cells; "#" and 16 hex digits for a DB_KEY.
QString texteCle(const QList<QByteArray>& valeurs);
QString texteDbKey(const QByteArray& dbKey);

} // namespace litteraux
