#pragma once
// The batch run behind "Traiter": the checks of the option values, the loading of the
// selection, every ticked operation in the fixed order with its own commit, the clean-up of
// the work table, the run log and the summary. It speaks to the operator only through
// OperatorInterface and touches no widget, so the window and the command line run this one
// code path; it never pumps the event loop either (the window decides how it stays painted).
#include "db/ComptesModifications.h"
#include "batch/ValeursOptions.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class ApercuChangements;
class ControleurOptions;
class JournalAnnulation;
class ControleurSelection;
class OperatorInterface;
class Session;
namespace fb {
class Transaction;
}

class Traitement : public QObject
{
    Q_OBJECT
public:
    enum class Issue {
        Termine,            // every ticked operation ran (some statements may have failed)
        Arrete,             // a check, the question or the selection stopped it: nothing changed
        ErreurInattendue,   // a lost connection, a failed work-table statement, a log not written
        SauvegardeEchouee,  // the backup asked before the run failed: nothing changed
        Interrompu,         // interrompre(): the finished operations stay, the one in progress left nothing
    };

    struct OperationFaite
    {
        QString modele;
        bool enErreur = false;   // a statement failed: the server's figures count undone work
        QList<CompteTable> comptes;
    };

    struct Resultat
    {
        Issue issue = Issue::Arrete;
        qint32 NbClients = 0;
        qint32 NbErreurs = 0;
        QStringList lignesErreur;          // the "error stmt #" lines, in the order of failure
        QList<OperationFaite> operations;  // the operations that ran to their commit
        QString journal;                   // the run log's path, when one was written
        QString journalAnnulation;         // the undo journal of a real run (absolute path)
        qint64 lignesAnnulation = 0;       // rows it holds for the committed operations
        QString resume;                    // the summary's text
        QString erreur;                    // the unexpected error's message
        bool simulation = false;
        QStringList sqlDynamique;          // reached routines whose calls cannot be followed
        qint32 nombreOperations = 0;       // the ticked operations
        QString interruption;              // "Traitement interrompu : K opération(s) terminée(s) sur N."
        // A simulation that ran to its end with the preview asked: every row change it made.
        std::shared_ptr<const ApercuChangements> apercu;

        // "mSQL1 ECHEANCIER : 0 ajout(s), 11 modification(s), 0 suppression(s)", run order.
        QStringList lignesComptes() const;
    };

    Traitement(Session& session, ControleurOptions& options, ControleurSelection& selection,
               OperatorInterface& operateur, QObject* parent = nullptr);
    ~Traitement() override;

    // Simulations also gather the preview of their row changes (Resultat::apercu).
    void setApercuSimulation(bool apercu) { m_apercuSimulation = apercu; }
    // The preview of the last simulation once its summary is being shown, null otherwise.
    std::shared_ptr<const ApercuChangements> dernierApercu() const { return m_dernierApercu; }

    // The moment used for the run log's name and the completion text (tests fix it).
    void setHorloge(std::function<QDateTime()> horloge);
    // The run log's folder; by default the local application-data folder's "temp".
    void setDossierJournal(const QString& dossier);
    // The undo journal's folder; by default module-special/journaux of the local data folder.
    void setDossierAnnulation(const QString& dossier);

    // A backup of the database into `fichier` after the checks and the question and before the
    // selection loads; its progress lines go to `ligne`. A failed backup ends the run there.
    void setSauvegardeAvant(const QString& fichier, std::function<void(const QString&)> ligne);

    // The whole run, from the checks to the summary.
    Resultat btnTraiterClick();
    // The same run inside one transaction rolled back at its end: same checks, question,
    // selection, operations, error lines, summary and change counts; no run log, and the
    // selection's count is left as it was. Refused when a reached object could write
    // outside that transaction.
    Resultat simuler();

    static const QString kBanniereSimulation;   // "Simulation : aucune modification n'est enregistrée."
    static const QString kGenerateursSimulation;
    // The summary box's text of a run: the summary, framed for a simulation.
    static QString TexteBoite(const Resultat& r);

    // The warning of the first check that fails, empty when all pass. Only the question of
    // the empty balance message is asked of the operator: false when it was not confirmed.
    QString verifier(const ValeursOptions& v, bool& confirme);

    // "dd/MM/yyyy hh:mm:ss - Terminé." in the workstation's formats.
    static QString TexteFin(const QDateTime& moment);
    static QString TexteResume(qint32 clients, qint32 erreurs);
    static QString TexteInterruption(qint32 terminees, qint32 nombre);
    static QString TexteJournalImpossible(const QString& chemin, const QString& raison);
    static QString TexteNettoyageImpossible(const QString& erreur);
    static QString TexteAnnulationImpossible(const QString& chemin, const QString& raison);

    // From any thread while btnTraiterClick runs on another: cancels the statement in progress
    // through the client library and lets no further operation start; the run then cleans the
    // work table up and ends with Interrompu. Ignored once a run has ended.
    void interrompre();

Q_SIGNALS:
    // "Traiter" is disabled once the checks pass, and enabled again at every ending.
    void traiterActifChange(bool actif);
    // An operation starts: its rank among the ticked ones (from 1), their number, its status text.
    void progression(int rang, int nombre, const QString& operation);

private:
    Resultat lancer(bool simulation);
    void executer(const ValeursOptions& v, Resultat& r, JournalAnnulation* journal, ApercuChangements* apercu);
    bool creerJournal(const ValeursOptions& v, Resultat& r, JournalAnnulation& journal);
    void nettoyer();
    void terminerSurErreur(Resultat& r, const QString& cause, bool lignesValides);
    bool articleSoldeValide(qint64 idArticle);
    bool interrompu() const;
    void oublierAnnulation();
    void terminerInterrompu(Resultat& r, bool commence, bool lignesValides);
    void finExecution();
    // Rolls back what is left open; a failure there changes nothing for the ending.
    static void annulerEnCours(fb::Transaction& tr);

    Session& m_session;
    ControleurOptions& m_options;
    ControleurSelection& m_selection;
    OperatorInterface& m_operateur;
    std::function<QDateTime()> m_horloge;
    QString m_dossierJournal;
    QString m_dossierAnnulation;
    bool m_nettoye = false;   // the centre's work-table rows are gone for this run
    QString m_sauvegarde;
    bool m_apercuSimulation = false;
    std::shared_ptr<const ApercuChangements> m_dernierApercu;
    std::function<void(const QString&)> m_ligneSauvegarde;
    // The interruption's state, shared with the threads that ask for it and repeat it.
    std::mutex m_annulation;        // a cancellation request is made whole before it is forgotten
    std::condition_variable m_vu;   // the run has seen the request, or has ended
    bool m_fini = false;            // the last run has ended: a late request must not reach the next one
    bool m_acquitte = false;        // the run has seen the request: no further cancellation
    std::thread m_relance;          // makes the request again until then
};
