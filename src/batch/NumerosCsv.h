#pragma once
// Reading client numbers from a CSV file: one number per line, first field only.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <set>

namespace csv {

// Texts compared without regard to letter case, in sorted order; a text that compares
// equal to one already present is not added again ("$4d2" and "$4D2" are one entry).
struct MoinsSansCasse
{
    bool operator()(const QString& a, const QString& b) const
    {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    }
};
using EnsembleNumeros = std::set<QString, MoinsSansCasse>;

// Signed 64-bit conversion: optional leading blanks, optional sign, then decimal digits or
// hexadecimal digits after "$" or "0x", and nothing after. Any other text, and a value out
// of range, gives 0.
qint64 ConvertirEntier64(const QString& texte);

// The file's lines: UTF-8 when valid (a byte-order mark dropped), else Windows-1252;
// lines end with CR LF, LF or CR.
QStringList LignesFichier(const QByteArray& octets);

// The first field of a line: double quotes removed, then cut at the first ",", at the
// first ";" and at the first TAB, in that order.
QString PremierChamp(QString ligne);

// The first fields of the lines that convert to a number greater than 0.
EnsembleNumeros NumerosClients(const QStringList& lignes);

} // namespace csv
