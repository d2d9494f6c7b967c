// Any bytes as a profile file, then writes of fuzzed names and values. What is written must read
// back as written (texts with line breaks as blanks, integers, dates), from memory and from disk,
// and no write may change what any other key of the file reads.
#include "DossierEssai.h"
#include "config/ErreurConfig.h"
#include "config/FichierIni.h"
#include "config/Texte.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <utility>

namespace {

using Valeurs = std::map<std::pair<QString, QString>, QString>;

QString chaine(FuzzedDataProvider& donnees, size_t longueurMax)
{
    const std::string s = donnees.ConsumeRandomLengthString(longueurMax);
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

bool sautDeLigne(const QString& s)
{
    return s.contains(u'\r') || s.contains(u'\n');
}

// Names a caller can use: what the file would show is what was asked for.
bool sectionUtilisable(const QString& s)
{
    return !s.isEmpty() && s == s.trimmed() && !s.contains(u']') && !sautDeLigne(s);
}

bool cleUtilisable(const QString& c)
{
    return !c.isEmpty() && c == c.trimmed() && !c.contains(u'=') && !sautDeLigne(c) && !c.startsWith(u';')
           && !c.startsWith(u'[');
}

// Every key of every section as the file reads it; a section name is taken as a header shows it.
Valeurs toutLire(const FichierIni& ini, const QStringList& lignes)
{
    Valeurs valeurs;
    for (const QString& ligne : lignes) {
        const QString t = ligne.trimmed();
        if (!t.startsWith(u'['))
            continue;
        const qsizetype fin = t.indexOf(u']');
        const QString section = (fin < 0 ? t.mid(1) : t.mid(1, fin - 1)).trimmed();
        for (const QString& cle : ini.cles(section))
            valeurs.emplace(std::pair(section.toLower(), cle.toLower()), ini.lireTexte(section, cle, QString()));
    }
    return valeurs;
}

QStringList lignesDuDisque(const QString& chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    return texte::decoderFichier(f.readAll()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
}

void verifierAutres(const Valeurs& avant, const Valeurs& apres, const QString& section, const QString& cle)
{
    const auto ecrite = std::pair(section.toLower(), cle.toLower());
    for (const auto& [nom, valeur] : avant) {
        if (nom == ecrite)
            continue;
        const auto it = apres.find(nom);
        if (it == apres.end() || it->second != valeur)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QTemporaryDir& dossier = dossierEssai();
    const QString chemin = dossier.filePath(QStringLiteral("essai.ini"));

    FuzzedDataProvider donnees(data, size);
    const QString section = chaine(donnees, 24);
    const QString cle = chaine(donnees, 24);
    const QString valeur = chaine(donnees, 3000);
    const qint32 entier = donnees.ConsumeIntegral<qint32>();
    const QDate date = QDate(1, 1, 1).addDays(donnees.ConsumeIntegralInRange<qint64>(0, 3652058));
    const std::string contenu = donnees.ConsumeRemainingBytesAsString();

    QFile::remove(chemin);
    {
        QFile f(chemin);
        if (!f.open(QIODevice::WriteOnly) || f.write(contenu.data(), qint64(contenu.size())) != qint64(contenu.size()))
            std::abort();
    }

    // Reading alone: any value, any integer conversion, never a crash.
    FichierIni ini(chemin);
    const Valeurs avant = toutLire(FichierIni(chemin), lignesDuDisque(chemin));
    for (const auto& [nom, v] : avant) {
        if (v.size() > FichierIni::kLongueurMaxValeur)
            std::abort();
        (void)FichierIni::convertirEntier(v);
        (void)FichierIni::convertirDate(v);
    }
    if (!sectionUtilisable(section) || !cleUtilisable(cle))
        return 0;

    QString attendu = valeur;
    attendu.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    attendu = attendu.trimmed().left(FichierIni::kLongueurMaxValeur);

    try {
        ini.ecrireTexte(section, cle, valeur);
        if (ini.lireTexte(section, cle, QStringLiteral("?absent")) != attendu)
            std::abort();
        const FichierIni relu(chemin);
        if (relu.lireTexte(section, cle, QStringLiteral("?absent")) != attendu || !relu.sectionPresente(section))
            std::abort();
        verifierAutres(avant, toutLire(relu, lignesDuDisque(chemin)), section, cle);

        ini.ecrireEntier(section, cle, entier);
        if (FichierIni(chemin).lireEntier(section, cle, entier ^ 1) != entier)
            std::abort();
        ini.ecrireDate(section, cle, date);
        if (FichierIni(chemin).lireDate(section, cle, QDate()) != date)
            std::abort();
        verifierAutres(avant, toutLire(FichierIni(chemin), lignesDuDisque(chemin)), section, cle);
    } catch (const ErreurConfig&) {
        std::abort();   // a file of this folder can always be written
    }
    return 0;
}
