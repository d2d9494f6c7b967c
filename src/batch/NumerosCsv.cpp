#include "batch/NumerosCsv.h"

#include "config/Texte.h"

#include <limits>

namespace csv {

namespace {

int valeurHexa(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

qint64 ConvertirEntier64(const QString& texte)
{
    const qsizetype n = texte.size();
    qsizetype i = 0;
    while (i < n && texte[i] == QLatin1Char(' '))
        ++i;
    bool negatif = false;
    if (i < n && (texte[i] == QLatin1Char('-') || texte[i] == QLatin1Char('+')))
        negatif = texte[i++] == QLatin1Char('-');

    bool hexa = false;
    if (i < n && texte[i] == QLatin1Char('$')) {
        hexa = true;
        ++i;
    } else if (i + 1 < n && texte[i] == QLatin1Char('0')
               && (texte[i + 1] == QLatin1Char('x') || texte[i + 1] == QLatin1Char('X'))) {
        hexa = true;
        i += 2;
    }
    if (i >= n)
        return 0;

    if (hexa) {
        // Sixteen hexadecimal digits fill the 64 bits; the top bit makes the value negative.
        quint64 v = 0;
        int significatifs = 0;
        for (; i < n; ++i) {
            const int h = valeurHexa(texte[i]);
            if (h < 0)
                return 0;
            if (v != 0 || h != 0)
                ++significatifs;
            if (significatifs > 16)
                return 0;
            v = (v << 4) | static_cast<quint64>(h);
        }
        const qint64 signe = static_cast<qint64>(v);
        return negatif ? static_cast<qint64>(0 - v) : signe;
    }

    // Accumulate as a negative number so that the minimum of the range is reachable.
    qint64 v = 0;
    for (; i < n; ++i) {
        const ushort u = texte[i].unicode();
        if (u < '0' || u > '9')
            return 0;
        const int chiffre = u - '0';
        if (v < (std::numeric_limits<qint64>::min() + chiffre) / 10)
            return 0;
        v = v * 10 - chiffre;
    }
    if (!negatif) {
        if (v == std::numeric_limits<qint64>::min())
            return 0;
        return -v;
    }
    return v;
}

QStringList LignesFichier(const QByteArray& octets)
{
    const QString tout = texte::decoderFichier(octets);
    QStringList lignes;
    qsizetype debut = 0;
    const qsizetype n = tout.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = tout[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lignes.append(tout.mid(debut, i - debut));
        if (c == QLatin1Char('\r') && i + 1 < n && tout[i + 1] == QLatin1Char('\n'))
            ++i;
        debut = i + 1;
    }
    if (debut < n)
        lignes.append(tout.mid(debut));
    return lignes;
}

QString PremierChamp(QString ligne)
{
    ligne.remove(QLatin1Char('"'));
    for (const QChar separateur : {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')}) {
        const qsizetype p = ligne.indexOf(separateur);
        if (p >= 0)
            ligne.truncate(p);
    }
    return ligne;
}

EnsembleNumeros NumerosClients(const QStringList& lignes)
{
    EnsembleNumeros numeros;
    for (const QString& ligne : lignes) {
        QString champ = PremierChamp(ligne);
        if (ConvertirEntier64(champ) > 0)
            numeros.insert(std::move(champ));
    }
    return numeros;
}

} // namespace csv
