#include "batch/FichierLot.h"

#include "batch/ControleurSelection.h"
#include "batch/Remplissage.h"
#include "config/LectureBornee.h"
#include "config/Texte.h"
#include "db/Decimal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using Genre = FichierLot::Genre;
using Cle = FichierLot::Cle;

// The boxes' keys come from the operation table.
const QList<Cle>& FichierLot::cles()
{
    static const QList<Cle> cles = [] {
        const QString selection = QStringLiteral("Selection");
        const QString options = QStringLiteral("Options");
        QList<Cle> c = {
            {selection, QStringLiteral("rgSource"), Genre::Source},
            {selection, QStringLiteral("JvFilenameEdit1"), Genre::Chemin},
            {selection, QStringLiteral("cbxMultiCentre"), Genre::Drapeau},
        };
        for (const CaseOperation& d : CasesOperations())
            c.append({options, d.nom, Genre::Case});
        for (const QString& nom : ControleurOptions::champsTexte())
            c.append({options, nom, Genre::Texte});
        for (const QString& nom : ControleurOptions::champsDate())
            c.append({options, nom, Genre::Date});
        for (const QString& nom : ControleurOptions::champsMontant())
            c.append({options, nom, Genre::Montant});
        c.append({options, QStringLiteral("rgChoix2"), Genre::Choix});
        for (const QString& nom : ControleurOptions::listes())
            c.append({options, nom, Genre::Liste});
        c.append({options, QStringLiteral("MessageType"), Genre::TypeMessage});
        return c;
    }();
    return cles;
}

namespace {

const Cle* trouverCle(const QString& section, const QString& nom)
{
    for (const Cle& c : FichierLot::cles())
        if (section.compare(c.section, Qt::CaseInsensitive) == 0 && nom.compare(c.nom, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

QString nomFichier(const QString& chemin)
{
    return QDir::toNativeSeparators(chemin);
}

// "\n" is a line break and "\\" a backslash; any other backslash stays as it is.
QString texteJob(const QString& valeur)
{
    QString t;
    for (qsizetype i = 0; i < valeur.size(); ++i) {
        const QChar c = valeur.at(i);
        if (c == QLatin1Char('\\') && i + 1 < valeur.size()) {
            const QChar suivant = valeur.at(i + 1);
            if (suivant == QLatin1Char('n')) {
                t += QLatin1Char('\n');
                ++i;
                continue;
            }
            if (suivant == QLatin1Char('\\')) {
                t += QLatin1Char('\\');
                ++i;
                continue;
            }
        }
        t += c;
    }
    return t;
}

std::optional<int> entierParmi(const QString& valeur, int maximum)
{
    static const QRegularExpression chiffre(QStringLiteral("^[0-9]$"));
    if (!chiffre.match(valeur).hasMatch())
        return std::nullopt;
    const int n = valeur.toInt();
    return n <= maximum ? std::optional<int>(n) : std::nullopt;
}

// The characters a text takes in the column it ends in, and that column's room: Memo1 goes to
// CLIENTS_MESSAGE.CMG_MESSAGE, VARCHAR(4000), with CR LF line breaks and the character 127 that
// the filling adds; mmoSolde to the template's SMSG, VARCHAR(250), trimmed, each "%SOLDE"
// becoming a balance of up to 20 characters. Longer, the server would refuse the operation.
struct Place
{
    qsizetype longueur;
    qsizetype maximum;
};

Place placeTexte(const QString& nom, const QString& texte)
{
    if (nom == QLatin1String("Memo1"))
        return {texte.size() + texte.count(QLatin1Char('\n')) + 1, 4000};
    const QString t = remplissage::rogner(texte);
    return {t.size() + t.count(QLatin1Char('\n')) + t.count(QLatin1String("%SOLDE")) * (20 - 6), 250};
}

[[noreturn]] void refuser(const QString& fichier, int ligne, const QString& raison)
{
    throw ErreurFichierLot(QStringLiteral("Fichier de lot « %1 », ligne %2 : %3").arg(fichier).arg(ligne).arg(raison));
}

[[noreturn]] void refuserJob(const QString& fichier, const QString& raison)
{
    throw ErreurFichierLot(QStringLiteral("Fichier de lot « %1 » : %2").arg(fichier, raison));
}

} // namespace

FichierLot FichierLot::lire(const QString& chemin)
{
    // A job of the keys above holds a few kilobytes: more is no job file, and /dev/zero or a
    // pipe that never ends must not fill the memory.
    constexpr qint64 kTailleMax = 1024 * 1024;
    const entree::Lecture l = entree::Lire(chemin, kTailleMax);
    switch (l.etat) {
    case entree::Lecture::Lu:
        break;
    case entree::Lecture::Absent:
        throw ErreurFichierLot(QStringLiteral("Le fichier de lot « %1 » n'existe pas.").arg(nomFichier(chemin)));
    case entree::Lecture::Dossier:
        throw ErreurFichierLot(QStringLiteral("Le fichier de lot « %1 » est un dossier : donnez le chemin d'un fichier.")
                                   .arg(nomFichier(chemin)));
    case entree::Lecture::Illisible:
        throw ErreurFichierLot(QStringLiteral("Le fichier de lot « %1 » ne peut pas être lu : %2.")
                                   .arg(nomFichier(chemin), l.erreur));
    case entree::Lecture::TropGrand:
        throw ErreurFichierLot(QStringLiteral("Le fichier de lot « %1 » dépasse %2 : ce n'est pas un fichier de lot.")
                                   .arg(nomFichier(chemin), entree::TexteTaille(kTailleMax)));
    }
    return analyser(chemin, texte::decoderFichier(l.octets));
}

FichierLot FichierLot::analyser(const QString& chemin, const QString& texte)
{
    FichierLot job;
    job.chemin = chemin;
    const QString fichier = nomFichier(chemin);

    QString section;
    QMap<QString, int> vues;   // "Section/clé" → line
    QMap<QString, int> sections;   // section → line of its header
    const QStringList lignes = texte.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    for (int n = 0; n < lignes.size(); ++n) {
        const int numero = n + 1;
        const QString ligne = lignes.at(n).trimmed();
        if (ligne.isEmpty() || ligne.startsWith(QLatin1Char(';')) || ligne.startsWith(QLatin1Char('#')))
            continue;
        if (ligne.startsWith(QLatin1Char('['))) {
            if (!ligne.endsWith(QLatin1Char(']')))
                refuser(fichier, numero, QStringLiteral("en-tête de section mal formé « %1 ».").arg(entree::Extrait(ligne)));
            const QString nom = ligne.mid(1, ligne.size() - 2).trimmed();
            if (nom.compare(QLatin1String("Selection"), Qt::CaseInsensitive) == 0)
                section = QStringLiteral("Selection");
            else if (nom.compare(QLatin1String("Options"), Qt::CaseInsensitive) == 0)
                section = QStringLiteral("Options");
            else
                refuser(fichier, numero, QStringLiteral("section inconnue [%1] (sections admises : [Selection], [Options]).")
                                             .arg(entree::Extrait(nom)));
            // As for a key given twice: which of the two would the operator have meant?
            if (sections.contains(section))
                refuser(fichier, numero, QStringLiteral("la section [%1] est déjà donnée ligne %2 : réunissez ses clés "
                                                        "sous un seul en-tête.")
                                             .arg(section).arg(sections.value(section)));
            sections.insert(section, numero);
            continue;
        }
        const qsizetype egal = ligne.indexOf(QLatin1Char('='));
        if (egal <= 0)
            refuser(fichier, numero, QStringLiteral("ligne illisible « %1 » (attendu : clé=valeur).").arg(entree::Extrait(ligne)));
        const QString nom = ligne.left(egal).trimmed();
        const QString valeur = ligne.mid(egal + 1).trimmed();
        if (section.isEmpty())
            refuser(fichier, numero, QStringLiteral("la clé « %1 » précède toute section.").arg(entree::Extrait(nom)));
        const Cle* cle = trouverCle(section, nom);
        if (!cle)
            refuser(fichier, numero, QStringLiteral("clé inconnue « %1 » (valeur « %2 ») dans la section [%3].")
                                         .arg(entree::Extrait(nom), entree::Extrait(valeur), section));
        const QString nomCle = cle->nom;
        const QString id = section + QLatin1Char('/') + nomCle;
        if (vues.contains(id))
            refuser(fichier, numero, QStringLiteral("la clé « %1 » est déjà donnée ligne %2.").arg(nomCle).arg(vues.value(id)));
        vues.insert(id, numero);
        job.lignes.insert(nomCle, numero);
        const auto invalide = [&](const QString& attendu) {
            return QStringLiteral("valeur « %1 » de la clé « %2 » non valide (attendu : %3).")
                .arg(entree::Extrait(valeur), nomCle, attendu);
        };

        switch (cle->genre) {
        case Genre::Source:
            if (const auto n = entierParmi(valeur, 2))
                job.rgSource = *n;
            else
                refuser(fichier, numero, invalide(QStringLiteral("0, 1 ou 2")));
            break;
        case Genre::Chemin:
            if (valeur.isEmpty())
                refuser(fichier, numero, invalide(QStringLiteral("le chemin d'un fichier CSV")));
            job.JvFilenameEdit1 = QFileInfo(valeur).isRelative()
                ? QFileInfo(QFileInfo(chemin).absoluteDir(), valeur).absoluteFilePath()
                : valeur;
            break;
        case Genre::Drapeau:
        case Genre::Case: {
            const auto n = entierParmi(valeur, 1);
            if (!n)
                refuser(fichier, numero, invalide(QStringLiteral("0 ou 1")));
            if (cle->genre == Genre::Drapeau)
                job.cbxMultiCentre = *n == 1;
            else
                job.cases.insert(*ControleurOptions::caseParNom(nomCle), *n == 1);
            break;
        }
        case Genre::Texte: {
            const QString texte = texteJob(valeur);
            const Place place = placeTexte(nomCle, texte);
            if (place.longueur > place.maximum)
                refuser(fichier, numero, QStringLiteral("le texte de la clé « %1 » prendrait %2 caractères dans la base, "
                                                        "qui en reçoit %3 au plus : raccourcissez-le.")
                                             .arg(nomCle).arg(place.longueur).arg(place.maximum));
            job.textes.insert(nomCle, texte);
            break;
        }
        case Genre::Date: {
            static const QRegularExpression forme(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
            const QDate d = QDate::fromString(valeur, QStringLiteral("yyyy-MM-dd"));
            if (!forme.match(valeur).hasMatch() || !d.isValid())
                refuser(fichier, numero, invalide(QStringLiteral("une date aaaa-mm-jj")));
            job.dates.insert(nomCle, d);
            break;
        }
        case Genre::Montant: {
            static const QRegularExpression nombre(QStringLiteral("^[+-]?[0-9]+(\\.[0-9]{0,2})?$"));
            const auto d = decimaux::depuisTexte(valeur, 2);
            if ((d && qAbs(d->valeur) > decimaux::kCentimesMax) || (!d && nombre.match(valeur).hasMatch()))
                refuser(fichier, numero, QStringLiteral("valeur « %1 » de la clé « %2 » trop grande (les montants vont de "
                                                        "-%3 à %3).")
                                             .arg(entree::Extrait(valeur), nomCle,
                                                  fb::Decimal{decimaux::kCentimesMax, -2}.texte()));
            if (!d)
                refuser(fichier, numero, invalide(QStringLiteral("un nombre, un point pour les décimales, deux décimales au plus")));
            job.montants.insert(nomCle, *d);
            break;
        }
        case Genre::Choix:
            if (const auto n = entierParmi(valeur, 1))
                job.rgChoix2 = *n;
            else
                refuser(fichier, numero, invalide(QStringLiteral("0 (Pourcent.) ou 1 (Fixe)")));
            break;
        case Genre::Liste: {
            static const QRegularExpression forme(QStringLiteral("^-?[0-9]{1,19}$"));
            bool ok = false;
            const qint64 id = valeur.toLongLong(&ok);
            if (!forme.match(valeur).hasMatch() || !ok)
                refuser(fichier, numero, invalide(QStringLiteral("un identifiant entier")));
            job.listes.insert(nomCle, id);
            break;
        }
        case Genre::TypeMessage:
            if (const auto n = entierParmi(valeur, 2))
                job.MessageType = *n;
            else
                refuser(fichier, numero, invalide(QStringLiteral("0 (Remarque), 1 (Alerte) ou 2 (Message)")));
            break;
        }
    }

    // Refused here rather than lost in the run: a box that the source hides, boxes that
    // exclude each other.
    const int source = job.rgSource.value_or(ControleurSelection::ClientsActifs);
    for (const CaseOperation& d : CasesOperations())
        if (job.cochee(d.id) && !d.sources.isEmpty() && !d.sources.contains(source))
            refuserJob(fichier, QStringLiteral("%1=1 n'est pas possible avec rgSource=%2 : %3").arg(d.nom).arg(source).arg(d.raisonSource));
    for (const CaseOperation& d : CasesOperations())
        for (CaseOption exclue : d.exclues)
            if (job.cochee(d.id) && job.cochee(exclue))
                refuserJob(fichier, QStringLiteral("%1=1 et %2=1 s'excluent : n'en cochez qu'une.")
                                        .arg(d.nom, ControleurOptions::nomCase(exclue)));
    if (source == ControleurSelection::FichierCsv && !job.JvFilenameEdit1)
        refuserJob(fichier, QStringLiteral("rgSource=0 demande le fichier CSV des clients dans la clé JvFilenameEdit1."));
    return job;
}

void FichierLot::appliquer(ControleurSelection& selection, ControleurOptions& options) const
{
    // A refusal names the key's line when the file gives the key.
    const auto fichier = [this](const QString& cle) {
        const QString nom = nomFichier(chemin);
        return lignes.contains(cle) ? QStringLiteral("%1 », ligne %2").arg(nom).arg(lignes.value(cle)) : nom + QStringLiteral(" »");
    };
    if (cbxMultiCentre)
        selection.setMultiCentre(*cbxMultiCentre);
    if (JvFilenameEdit1)
        selection.setNomFichier(*JvFilenameEdit1);
    selection.appliquerSource(rgSource.value_or(selection.source()));

    for (CaseOption c : ControleurOptions::cases()) {
        if (!cochee(c))
            continue;
        options.setCoche(c, true);
        if (!options.coche(c))
            throw ErreurFichierLot(QStringLiteral("Fichier de lot « %1 : %2=1 n'a pas pu être coché (voir le "
                                                  "message ci-dessus) ; rien n'a été traité.")
                                       .arg(fichier(ControleurOptions::nomCase(c)), ControleurOptions::nomCase(c)));
    }

    if (rgChoix2)
        options.setRgChoix2(*rgChoix2);
    for (auto it = dates.cbegin(); it != dates.cend(); ++it) {
        if (!options.setDate(it.key(), *it))
            throw ErreurFichierLot(QStringLiteral("Fichier de lot « %1 : la date %2=%3 précède la plus petite date "
                                                  "permise, %4.")
                                       .arg(fichier(it.key()), it.key(), it->toString(QStringLiteral("yyyy-MM-dd")),
                                            options.dateMinimum(it.key()).toString(QStringLiteral("yyyy-MM-dd"))));
    }
    for (auto it = montants.cbegin(); it != montants.cend(); ++it)
        options.setMontant(it.key(), *it);
    for (auto it = textes.cbegin(); it != textes.cend(); ++it)
        options.setTexte(it.key(), *it);
    for (auto it = listes.cbegin(); it != listes.cend(); ++it)
        options.choisirParId(it.key(), *it);
    if (MessageType)
        options.setTypeMessage(*MessageType);
}
