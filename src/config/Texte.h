#pragma once
// Conversions between text and the 8-bit texts of the club product: Windows-1252 files and
// ISO 8859-1 database connection (where "€" travels as byte 0x80, as Windows sends it).
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace texte {

// Windows-1252 bytes to text. The five undefined bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
// the C1 control of the same value, so that every byte round-trips.
QString depuisCp1252(const QByteArray& octets);

// Text to Windows-1252 bytes; a character that the code page cannot hold becomes "?".
QByteArray versCp1252(const QString& texte);

// True when the bytes form valid UTF-8.
bool estUtf8Valide(const QByteArray& octets);

// A file's bytes as text: UTF-8 when valid (a leading byte-order mark is dropped),
// Windows-1252 otherwise.
QString decoderFichier(const QByteArray& octets);

// One field of the program's CSV files: quoted when it holds ";", a quote or a line break,
// inner quotes doubled.
QString champCsv(const QString& texte);
// The fields of one CSV line (its CR LF removed) as champCsv() wrote them.
QStringList champsCsv(const QString& ligne);

} // namespace texte
