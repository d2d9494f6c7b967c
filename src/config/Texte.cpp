#include "config/Texte.h"

#include <QStringDecoder>
#include <array>

namespace texte {
namespace {

// 0x80..0x9F; 0 marks the bytes that Windows-1252 leaves undefined.
constexpr std::array<char16_t, 32> kHaut = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QString depuisCp1252(const QByteArray& octets)
{
    QString resultat(octets.size(), Qt::Uninitialized);
    QChar* sortie = resultat.data();
    for (const char c : octets) {
        const auto b = static_cast<unsigned char>(c);
        char16_t u = b;
        if (b >= 0x80 && b <= 0x9F && kHaut[b - 0x80] != 0)
            u = kHaut[b - 0x80];
        *sortie++ = QChar(u);
    }
    return resultat;
}

QByteArray versCp1252(const QString& texte)
{
    QByteArray resultat;
    resultat.reserve(texte.size());
    for (const QChar ch : texte) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            resultat.append(static_cast<char>(u));
            continue;
        }
        char octet = '?';
        for (int i = 0; i < 32; ++i) {
            if (kHaut[i] == u || (kHaut[i] == 0 && u == 0x80 + i)) {
                octet = static_cast<char>(0x80 + i);
                break;
            }
        }
        resultat.append(octet);
    }
    return resultat;
}

bool estUtf8Valide(const QByteArray& octets)
{
    QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignore = decodeur.decode(octets);
    Q_UNUSED(ignore);
    return !decodeur.hasError();
}

QString decoderFichier(const QByteArray& octets)
{
    if (estUtf8Valide(octets)) {
        // Exactly one mark is dropped: QString::fromUtf8 would drop one of its own, so that a
        // U+FEFF that begins the text itself would be lost too.
        QByteArrayView corps(octets);
        if (corps.startsWith("\xEF\xBB\xBF"))
            corps = corps.sliced(3);
        QStringDecoder decodeur(QStringDecoder::Utf8,
                                QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        return decodeur.decode(corps);
    }
    return depuisCp1252(octets);
}

QString champCsv(const QString& texte)
{
    if (!texte.contains(QLatin1Char(';')) && !texte.contains(QLatin1Char('"')) && !texte.contains(QLatin1Char('\n'))
        && !texte.contains(QLatin1Char('\r')))
        return texte;
    QString t = texte;
    t.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QStringList champsCsv(const QString& ligne)
{
    QStringList champs;
    QString champ;
    bool cite = false;
    for (qsizetype i = 0; i < ligne.size(); ++i) {
        const QChar c = ligne.at(i);
        if (cite) {
            if (c != QLatin1Char('"'))
                champ += c;
            else if (i + 1 < ligne.size() && ligne.at(i + 1) == QLatin1Char('"'))
                champ += ligne.at(++i);
            else
                cite = false;
        } else if (c == QLatin1Char('"')) {
            cite = true;
        } else if (c == QLatin1Char(';')) {
            champs << champ;
            champ.clear();
        } else {
            champ += c;
        }
    }
    champs << champ;
    return champs;
}

} // namespace texte
