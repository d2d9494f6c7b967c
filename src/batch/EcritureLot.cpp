#include "batch/EcritureLot.h"

#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "config/FichierSortie.h"
#include "db/DbError.h"

#include <QDir>
#include <QFileInfo>

using Genre = FichierLot::Genre;

namespace ecriture_lot {

namespace {

std::optional<qint64> idChoisi(const ValeursOptions& v, const QString& liste)
{
    if (liste == QLatin1String("cbModes"))
        return v.cbModes;
    if (liste == QLatin1String("cbModes2"))
        return v.cbModes2;
    if (liste == QLatin1String("cbModes4"))
        return v.cbModes4;
    const std::optional<tArticle>& a = liste == QLatin1String("cbArticle") ? v.cbArticle : v.cbArticle2;
    return a ? std::optional<qint64>(a->Id) : std::nullopt;
}

QString echapper(const QString& texte)
{
    QString t;
    for (const QChar c : texte) {
        if (c == QLatin1Char('\\'))
            t += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            t += QLatin1String("\\n");
        else
            t += c;
    }
    return t;
}

QString cheminEcrit(const QString& fichier, const QString& chemin)
{
    const QString absolu = QFileInfo(fichier).absoluteFilePath();
    const QString relatif = QFileInfo(chemin).absoluteDir().relativeFilePath(absolu);
    const bool dessous = !relatif.startsWith(QLatin1String("../")) && relatif != QLatin1String("..")
        && QFileInfo(relatif).isRelative();
    return dessous ? relatif : absolu;
}

QString valeur(const FichierLot& job, const FichierLot::Cle& cle)
{
    const QString& nom = cle.nom;
    switch (cle.genre) {
    case Genre::Source: return job.rgSource ? QString::number(*job.rgSource) : QString();
    case Genre::Chemin: return job.JvFilenameEdit1 ? cheminEcrit(*job.JvFilenameEdit1, job.chemin) : QString();
    case Genre::Drapeau: return job.cbxMultiCentre ? QString::number(int(*job.cbxMultiCentre)) : QString();
    case Genre::Case: {
        const CaseOption c = *ControleurOptions::caseParNom(nom);
        return job.cases.contains(c) ? QString::number(int(job.cases.value(c))) : QString();
    }
    case Genre::Texte: return job.textes.contains(nom) ? echapper(job.textes.value(nom)) : QString();
    case Genre::Date:
        return job.dates.contains(nom) ? job.dates.value(nom).toString(QStringLiteral("yyyy-MM-dd")) : QString();
    case Genre::Montant: return job.montants.contains(nom) ? job.montants.value(nom).texte() : QString();
    case Genre::Choix: return job.rgChoix2 ? QString::number(*job.rgChoix2) : QString();
    case Genre::Liste: return job.listes.contains(nom) ? QString::number(job.listes.value(nom)) : QString();
    case Genre::TypeMessage: return job.MessageType ? QString::number(*job.MessageType) : QString();
    }
    return QString();
}

// The reading trims values and knows no escape for a carriage return: such a value would come
// back changed.
QString valeurPerdue(const FichierLot& ecrit, const FichierLot& lu)
{
    for (auto it = ecrit.textes.cbegin(); it != ecrit.textes.cend(); ++it)
        if (lu.textes.value(it.key()) != *it)
            return it.key();
    if (ecrit.JvFilenameEdit1 && QFileInfo(*ecrit.JvFilenameEdit1).absoluteFilePath() != lu.JvFilenameEdit1)
        return QStringLiteral("JvFilenameEdit1");
    return QString();
}

void remettreAuDepart(ControleurSelection& selection, ControleurOptions& options)
{
    const QList<CaseOption>& cases = ControleurOptions::cases();
    for (auto it = cases.crbegin(); it != cases.crend(); ++it)
        options.setCoche(*it, false);
    for (const QString& liste : ControleurOptions::listes())
        options.setChoix(liste, -1);
    const ValeursOptions depart = options.valeursDepart();
    options.setRgChoix2(depart.rgChoix2);
    options.initialiserValeurs();
    for (const QString& nom : ControleurOptions::champsTexte())
        options.setTexte(nom, options.texteDepart(nom));
    options.setTypeMessage(depart.typeMessage);
    selection.setMultiCentre(false);
    selection.setNomFichier(QString());
}

} // namespace

FichierLot PagesEnLot(const ControleurSelection& selection, const ControleurOptions& options, const QString& chemin)
{
    FichierLot job;
    job.chemin = chemin;
    job.rgSource = selection.source();
    if (!selection.nomFichier().isEmpty())
        job.JvFilenameEdit1 = selection.nomFichier();
    if (selection.multiCentre())
        job.cbxMultiCentre = true;
    const ValeursOptions v = options.valeurs();
    const ValeursOptions depart = options.valeursDepart();
    for (CaseOption c : ControleurOptions::cases())
        if (options.coche(c))
            job.cases.insert(c, true);
    for (const QString& nom : ControleurOptions::champsTexte())
        if (options.texte(nom) != options.texteDepart(nom))
            job.textes.insert(nom, options.texte(nom));
    // Ticking cbCreate puts its own date in edtDateEch, and choosing rgChoix2 its neutral value
    // in edtValeur1, before the job's values: behind them the value is written whatever it is.
    const bool dateRemplacee = options.coche(CaseOption::cbCreate);
    for (const QString& nom : ControleurOptions::champsDate())
        if (options.date(nom) != options.dateDepart(nom) || (dateRemplacee && nom == QLatin1String("edtDateEch")))
            job.dates.insert(nom, options.date(nom));
    const bool valeurRemplacee = v.rgChoix2 != depart.rgChoix2;
    for (const QString& nom : ControleurOptions::champsMontant())
        if (!(options.montant(nom) == options.montantDepart(nom)) || (valeurRemplacee && nom == QLatin1String("edtValeur1")))
            job.montants.insert(nom, options.montant(nom));
    if (valeurRemplacee)
        job.rgChoix2 = v.rgChoix2;
    for (const QString& liste : ControleurOptions::listes())
        if (const auto id = idChoisi(v, liste))
            job.listes.insert(liste, *id);
    if (v.typeMessage != depart.typeMessage)
        job.MessageType = v.typeMessage;
    return job;
}

QString TexteLot(const FichierLot& job, const QString& entete)
{
    QString texte = QLatin1String("; ") + entete + QLatin1Char('\n');
    QString section;
    for (const FichierLot::Cle& cle : FichierLot::cles()) {
        const QString v = valeur(job, cle);
        if (v.isNull())
            continue;
        if (cle.section != section) {
            section = cle.section;
            texte += QLatin1String("\n[") + section + QLatin1String("]\n");
        }
        texte += cle.nom + QLatin1Char('=') + v + QLatin1Char('\n');
    }
    return texte;
}

void EnregistrerLot(const ControleurSelection& selection, const ControleurOptions& options, const QString& chemin,
                    qint32 centre, const QDateTime& moment)
{
    const QString nom = QDir::toNativeSeparators(chemin);
    const FichierLot job = PagesEnLot(selection, options, chemin);
    const QString texte = TexteLot(job, QStringLiteral("Lot enregistré le %1, centre %2")
                                            .arg(moment.toString(QStringLiteral("yyyy-MM-dd hh:mm")))
                                            .arg(centre));
    // What "--batch" would refuse or read otherwise is not written.
    FichierLot lu;
    try {
        lu = FichierLot::analyser(chemin, texte);
    } catch (const ErreurFichierLot& e) {
        throw ErreurFichierLot(QStringLiteral("Le lot « %1 » n'a pas été enregistré, --batch le refuserait :\r\n%2")
                                   .arg(nom, e.message()));
    }
    const QString perdue = valeurPerdue(job, lu);
    if (!perdue.isEmpty())
        throw ErreurFichierLot(QStringLiteral("Le lot « %1 » n'a pas été enregistré : la valeur de %2 commence ou finit "
                                              "par des blancs, ou contient un retour chariot, qu'un fichier de lot ne "
                                              "garde pas. Corrigez-la, puis enregistrez de nouveau.")
                                   .arg(nom, perdue));
    FichierSortie sortie(chemin);
    if (!sortie.ouvrir() || !sortie.ecrire(texte.toUtf8()) || !sortie.valider())
        throw ErreurFichierLot(QStringLiteral("Le lot « %1 » ne peut pas être écrit :\r\n%2.\r\n%3")
                                   .arg(nom, sortie.cause(), sortie.conseil()));
}

void OuvrirLot(ControleurSelection& selection, ControleurOptions& options, const QString& chemin)
{
    // The reading refuses before anything changes; what the application refuses, the pages
    // taken as a job just before put back.
    FichierLot job = FichierLot::lire(chemin);
    if (!job.rgSource)
        job.rgSource = ControleurSelection::ClientsActifs;   // the source "--batch" starts with
    const FichierLot avant = PagesEnLot(selection, options, chemin);
    const auto remettre = [&] {
        try {
            remettreAuDepart(selection, options);
            avant.appliquer(selection, options);
            return QString();
        } catch (const ErreurFichierLot& e) {
            return e.message();
        } catch (const DbError& e) {
            return e.texte();
        }
    };
    const auto refuser = [](const QString& refus, const QString& retour) {
        if (retour.isEmpty())
            return refus + QStringLiteral("\r\nLes pages sont restées comme avant.");
        return refus + QStringLiteral("\r\nLes pages n'ont pas pu être remises comme avant (%1) : vérifiez-les avant "
                                      "de traiter.")
                           .arg(retour);
    };
    try {
        remettreAuDepart(selection, options);
        job.appliquer(selection, options);
    } catch (const ErreurFichierLot& e) {
        throw ErreurFichierLot(refuser(e.message(), remettre()));
    } catch (const DbError& e) {
        throw ErreurFichierLot(refuser(e.texte(), remettre()));
    }
}

} // namespace ecriture_lot
