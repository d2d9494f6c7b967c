// Any bytes as a client-number CSV file. Every line of the file is cut, its first field converted by
// a second, independent reading of the same rule, and the set of numbers must be exactly the first
// fields whose value is above 0: no number that does not parse as a 64-bit integer reaches a query.
#include "batch/NumerosCsv.h"
#include "config/Texte.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The conversion rule written a second way, on bytes with std::from_chars: nullopt-like 0 for
// anything that is not a number or does not fit.
qint64 reference(const QString& champ)
{
    qsizetype i = 0;
    while (i < champ.size() && champ[i] == u' ')
        ++i;
    bool negatif = false;
    if (i < champ.size() && (champ[i] == u'-' || champ[i] == u'+'))
        negatif = champ[i++] == u'-';
    int base = 10;
    if (i < champ.size() && champ[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < champ.size() && champ[i] == u'0' && (champ[i + 1] == u'x' || champ[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    std::string chiffres;
    for (; i < champ.size(); ++i) {
        const char16_t u = champ[i].unicode();
        const bool ok = (u >= u'0' && u <= u'9') || (base == 16 && ((u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F')));
        if (!ok)
            return 0;
        chiffres += char(u);
    }
    if (chiffres.empty())
        return 0;
    const char* debut = chiffres.data();
    const char* fin = debut + chiffres.size();
    if (base == 16) {
        // Sixteen digits fill the 64 bits; the top bit gives a negative value.
        std::uint64_t v = 0;
        if (std::from_chars(debut, fin, v, 16).ec != std::errc())
            return 0;
        return static_cast<qint64>(negatif ? 0 - v : v);
    }
    if (negatif)
        chiffres.insert(chiffres.begin(), '-');
    qint64 v = 0;
    const auto r = std::from_chars(chiffres.data(), chiffres.data() + chiffres.size(), v, 10);
    return r.ec == std::errc() ? v : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray octets(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lignes = csv::LignesFichier(octets);

    // The lines are the decoded text cut at its line ends, nothing lost or added.
    QString texte = texte::decoderFichier(octets);
    texte.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    texte.replace(u'\r', u'\n');
    if (texte.endsWith(u'\n'))
        texte.chop(1);
    if (lignes.join(u'\n') != texte)
        std::abort();

    csv::EnsembleNumeros attendus;
    for (const QString& ligne : lignes) {
        const QString champ = csv::PremierChamp(ligne);
        if (champ.contains(u'"') || champ.contains(u',') || champ.contains(u';') || champ.contains(u'\t'))
            std::abort();
        const qint64 valeur = csv::ConvertirEntier64(champ);
        if (valeur != reference(champ))
            std::abort();
        if (valeur > 0)
            attendus.insert(champ);
    }
    const csv::EnsembleNumeros numeros = csv::NumerosClients(lignes);
    if (numeros.size() != attendus.size())
        std::abort();
    for (const QString& n : numeros) {
        if (csv::ConvertirEntier64(n) <= 0 || !attendus.count(n))
            std::abort();
    }
    return 0;
}
