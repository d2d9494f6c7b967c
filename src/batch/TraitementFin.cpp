#include "batch/Traitement.h"

#include "batch/ControleurSelection.h"
#include "batch/JournalTraitement.h"
#include "db/Session.h"
#include "operator/OperatorInterface.h"

#include <QDir>

// The endings of a run that did not complete: an interruption, an unexpected error.

void Traitement::terminerInterrompu(Resultat& r, bool commence, bool lignesValides)
{
    // The operation in progress leaves nothing; the finished ones stay committed.
    oublierAnnulation();
    annulerEnCours(m_session.trZelto);
    if (r.simulation)
        m_nettoye = true;   // the rollback took the work table's rows with it
    QString probleme;
    if (commence && !m_nettoye) {
        try {
            nettoyer();
        } catch (const DbError& e) {
            annulerEnCours(m_session.trZelto);
            probleme = TexteNettoyageImpossible(e.texteCrLf()) + QStringLiteral("Vérifiez la connexion au serveur et la base.");
        }
    }
    if (lignesValides)
        r.lignesErreur = m_session.mTemp;
    if (!r.lignesErreur.isEmpty() && !r.simulation) {
        try {
            r.journal = journal_traitement::Ecrire(m_dossierJournal, m_horloge(), r.lignesErreur);
        } catch (const ErreurJournalTraitement& e) {
            probleme += TexteJournalImpossible(e.chemin(), e.raison());
        }
    }

    r.issue = Issue::Interrompu;
    r.NbClients = m_selection.NbClients;
    r.NbErreurs = m_session.NbErreurs;
    r.interruption = TexteInterruption(qint32(r.operations.size()), r.nombreOperations);
    r.resume = TexteResume(r.NbClients, r.NbErreurs);
    r.erreur = probleme;
    Q_EMIT traiterActifChange(true);
    m_operateur.statut(QStringLiteral("Traitement interrompu."));
    if (!probleme.isEmpty())
        m_operateur.erreur(probleme);
    m_operateur.resume(r.interruption + QStringLiteral("\n\r") + TexteBoite(r), r.lignesComptes());
}

void Traitement::terminerSurErreur(Resultat& r, const QString& cause, bool lignesValides)
{
    m_session.connexionAVerifier = true;
    // What is not committed goes; what the finished operations committed stays.
    annulerEnCours(m_session.trZelto);
    QString message = QStringLiteral("Le traitement s'est arrêté sur une erreur inattendue :\r\n") + cause;
    if (!message.endsWith(QLatin1String("\r\n")))
        message += QLatin1String("\r\n");

    // A simulation's rollback has undone everything, the work table's rows included.
    if (r.simulation)
        m_nettoye = true;
    if (lignesValides && !m_nettoye) {
        try {
            nettoyer();
        } catch (const DbError& e) {
            annulerEnCours(m_session.trZelto);
            message += TexteNettoyageImpossible(e.texteCrLf());
        }
    }
    if (lignesValides)
        r.lignesErreur = m_session.mTemp;
    if (r.simulation)
        message += QStringLiteral("La simulation est annulée : la base est restée telle qu'elle était.\r\n");
    else if (!r.operations.isEmpty())
        message += QStringLiteral("Les opérations terminées avant l'erreur restent enregistrées ; "
                                  "celle qui était en cours a été annulée.\r\n");
    if (!r.lignesErreur.isEmpty() && r.journal.isEmpty() && !r.simulation) {
        try {
            r.journal = journal_traitement::Ecrire(m_dossierJournal, m_horloge(), r.lignesErreur);
        } catch (const ErreurJournalTraitement&) {
        }
    }
    if (!r.journal.isEmpty())
        message += QStringLiteral("Les instructions en erreur sont dans le journal %1.\r\n")
                       .arg(QDir::toNativeSeparators(r.journal));
    else if (!r.lignesErreur.isEmpty())
        message += QStringLiteral("Instructions en erreur :\r\n") + r.lignesErreur.join(QLatin1String("\r\n"))
            + QLatin1String("\r\n");
    message += QStringLiteral("Vérifiez la connexion au serveur et la base, puis relancez le traitement.");

    r.issue = Issue::ErreurInattendue;
    r.NbClients = m_selection.NbClients;
    r.NbErreurs = m_session.NbErreurs;
    r.erreur = message;
    Q_EMIT traiterActifChange(true);
    m_operateur.statut(QStringLiteral("Traitement arrêté sur une erreur."));
    m_operateur.erreur(message);
}

