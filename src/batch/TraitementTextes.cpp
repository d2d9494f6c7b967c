#include "batch/Traitement.h"

#include "db/ComptesModifications.h"

#include <QDir>
#include <QLocale>

// The run's texts: the summary, the completion, the interruption and the failures shared by
// several endings.

const QString Traitement::kBanniereSimulation = QStringLiteral("Simulation : aucune modification n'est enregistrée.");
const QString Traitement::kGenerateursSimulation = QStringLiteral(
    "Les numéros que la simulation a tirés des générateurs ne sont pas rendus : les prochains identifiants les sauteront.");

QString Traitement::TexteBoite(const Resultat& r)
{
    if (!r.simulation)
        return r.resume;
    QString texte = kBanniereSimulation + QStringLiteral("\n\r") + r.resume + QStringLiteral("\n\r") + kGenerateursSimulation;
    if (!r.sqlDynamique.isEmpty())
        texte += QStringLiteral("\n\rSQL dynamique (EXECUTE STATEMENT), dont les appels ne peuvent pas être suivis : ")
            + r.sqlDynamique.join(QStringLiteral(", ")) + QLatin1Char('.');
    return texte;
}

QStringList Traitement::Resultat::lignesComptes() const
{
    QStringList lignes;
    for (const OperationFaite& o : operations) {
        if (o.enErreur)
            continue;
        for (const CompteTable& c : o.comptes)
            lignes << ComptesModifications::ligne(o.modele, c);
    }
    return lignes;
}

QString Traitement::TexteFin(const QDateTime& moment)
{
    const QLocale locale;
    QString texte = locale.toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() != QTime(0, 0)) {
        // The workstation's long time format, without Qt's time-zone field.
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t'));
        texte += QLatin1Char(' ') + locale.toString(moment.time(), format.trimmed());
    }
    return texte + QStringLiteral(" - Terminé.");
}

QString Traitement::TexteInterruption(qint32 terminees, qint32 nombre)
{
    return QStringLiteral("Traitement interrompu : %1 opération(s) terminée(s) sur %2.").arg(terminees).arg(nombre);
}

QString Traitement::TexteResume(qint32 clients, qint32 erreurs)
{
    return QStringLiteral("Opérations terminées,\n\r") + QString::number(clients) + QStringLiteral(" clients traités,")
        + QStringLiteral("\n\r") + QString::number(erreurs) + QStringLiteral(" erreurs.");
}

QString Traitement::TexteJournalImpossible(const QString& chemin, const QString& raison)
{
    return QStringLiteral("Le journal du traitement ne peut pas être écrit dans %1 : %2.\r\n"
                          "Vérifiez que ce dossier est accessible en écriture.")
        .arg(QDir::toNativeSeparators(chemin), raison);
}

QString Traitement::TexteNettoyageImpossible(const QString& erreur)
{
    return QStringLiteral("La table de travail n'a pas pu être vidée des lignes du centre :\r\n") + erreur;
}

QString Traitement::TexteAnnulationImpossible(const QString& chemin, const QString& raison)
{
    return QStringLiteral("Le journal d'annulation %1 ne peut pas être écrit : %2. L'opération en cours a été "
                          "annulée pour que rien ne soit enregistré sans moyen de le défaire.\r\n")
        .arg(QDir::toNativeSeparators(chemin), raison);
}
