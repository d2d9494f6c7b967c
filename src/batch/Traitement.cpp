#include "batch/Traitement.h"

#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/JournalTraitement.h"
#include "batch/Operations.h"
#include "batch/Remplissage.h"
#include "batch/VerificationSimulation.h"
#include "annulation/ApercuChangements.h"
#include "annulation/CaptureLignes.h"
#include "annulation/JournalAnnulation.h"
#include "db/Connexion.h"
#include "db/Modeles.h"
#include "db/Sauvegarde.h"
#include "db/Session.h"
#include "operator/OperatorInterface.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QScopeGuard>
#include <chrono>

// The run itself: its checks, the selection, the operations in order and the clean-up.

namespace {

// A database failure met by the journal's capture before a commit: carried past the script
// runner, which would take a DbError for a failed COMMIT statement and go on.
struct ErreurCapture
{
    DbError erreur;
};

const char* const kSqlArticleSolde =
    "SELECT COUNT(*) FROM ARTICLE INNER JOIN ARTICLE_TARIF ON (ATA_IDART = ART_ID) "
    "INNER JOIN TVA ON (TVA_ID = ATA_IDTVA) WHERE (ATA_DEFAUT = -1) AND (ART_ID = :IDARTICLE)";

} // namespace

void Traitement::annulerEnCours(fb::Transaction& tr)
{
    // Whatever state the connection is in.
    try {
        if (tr.isActive())
            tr.rollback();
    } catch (const DbError&) {
    }
}

Traitement::Traitement(Session& session, ControleurOptions& options, ControleurSelection& selection,
                       OperatorInterface& operateur, QObject* parent)
    : QObject(parent), m_session(session), m_options(options), m_selection(selection), m_operateur(operateur),
      m_horloge([] { return QDateTime::currentDateTime(); }), m_dossierJournal(journal_traitement::Dossier()),
      m_dossierAnnulation(journal_annulation::Dossier())
{
    connect(&m_selection, &ControleurSelection::reactiverTraiter, this, [this] { Q_EMIT traiterActifChange(true); });
}

void Traitement::setHorloge(std::function<QDateTime()> horloge)
{
    m_horloge = std::move(horloge);
}

void Traitement::setSauvegardeAvant(const QString& fichier, std::function<void(const QString&)> ligne)
{
    m_sauvegarde = fichier;
    m_ligneSauvegarde = std::move(ligne);
}

void Traitement::setDossierJournal(const QString& dossier)
{
    m_dossierJournal = dossier;
}

void Traitement::setDossierAnnulation(const QString& dossier)
{
    m_dossierAnnulation = dossier;
}

bool Traitement::articleSoldeValide(qint64 idArticle)
{
    // The reset stops without a word at its first debtor when the article has no default
    // tariff with a VAT rate: refuse such an article before anything runs.
    fb::Query& q = m_session.qryLocale;
    try {
        m_session.trZelto.start();
        q.setSql(QLatin1String(kSqlArticleSolde));
        q.setParam(QStringLiteral("IDARTICLE"), idArticle);
        q.execute();
        const bool valide = q.asInt64(0) > 0;
        q.close();
        q.release();
        m_session.trZelto.rollback();
        return valide;
    } catch (const DbError&) {
        try {
            q.close();
            q.release();
        } catch (const DbError&) {
        }
        annulerEnCours(m_session.trZelto);
        throw;
    }
}

QString Traitement::verifier(const ValeursOptions& v, bool& confirme)
{
    // The checks of the operations ask the operator and the database through the run.
    class Contexte : public ContexteVerification
    {
    public:
        explicit Contexte(Traitement& t) : m_t(t) {}
        bool question(const QString& texte) override { return m_t.m_operateur.question(texte); }
        bool articleSoldeValide(qint64 idArticle) override { return m_t.articleSoldeValide(idArticle); }

    private:
        Traitement& m_t;
    } contexte(*this);
    return VerifierOperations(v, contexte, confirme);
}

Traitement::Resultat Traitement::btnTraiterClick()
{
    return lancer(false);
}

Traitement::Resultat Traitement::simuler()
{
    return lancer(true);
}

namespace {

// The runner is in simulation mode for one run only, however it ends.
class ModeSimulation
{
public:
    ModeSimulation(ScriptRunner& runner, bool simulation) : m_runner(runner) { m_runner.Simulation = simulation; }
    ~ModeSimulation() { m_runner.Simulation = false; }
    ModeSimulation(const ModeSimulation&) = delete;
    ModeSimulation& operator=(const ModeSimulation&) = delete;

private:
    ScriptRunner& m_runner;
};

} // namespace

Traitement::Resultat Traitement::lancer(bool simulation)
{
    Resultat r;
    r.simulation = simulation;
    {
        const std::lock_guard<std::mutex> verrou(m_annulation);
        m_fini = false;
    }
    const auto fin = qScopeGuard([this] { finExecution(); });
    m_dernierApercu.reset();
    m_session.NbErreurs = 0;
    m_nettoye = false;
    const ValeursOptions v = m_options.valeurs();
    for (const Operation& op : Operations())
        r.nombreOperations += op.cochee(v) ? 1 : 0;
    // After a lost connection, a new attachment instead of failing on the dead one until the
    // program is restarted.
    if (!RetablirConnexion(m_session, m_operateur))
        return r;

    try {
        bool confirme = true;
        const QString refus = verifier(v, confirme);
        if (!confirme)
            return r;
        if (!refus.isEmpty()) {
            m_operateur.avertissement(refus);
            return r;
        }
        if (simulation) {
            // The load and the clean-up write the work table: its triggers are reached too.
            QStringList textes{QStringLiteral("T_CLIENTS_PRESENTS")};
            for (const Operation& op : Operations())
                if (op.cochee(v))
                    textes << TexteModele(op.modele);
            const VerdictSimulation verdict = VerifierSimulation(m_session.dbZelto, textes);
            if (!verdict.refus.isEmpty()) {
                m_operateur.avertissement(verdict.refus);
                return r;
            }
            r.sqlDynamique = verdict.sqlDynamique;
        }
    } catch (const DbError& e) {
        if (interrompu())
            terminerInterrompu(r, false, false);
        else
            terminerSurErreur(r, e.texteCrLf(), false);
        return r;
    }
    if (interrompu()) {
        terminerInterrompu(r, false, false);
        return r;
    }

    Q_EMIT traiterActifChange(false);
    if (!m_sauvegarde.isEmpty() && !simulation) {
        m_operateur.statut(QStringLiteral("Sauvegarde de la base..."));
        try {
            const QString fichier = SauvegardeBase().sauvegarder(m_sauvegarde, [this](const QString& l) {
                if (m_ligneSauvegarde)
                    m_ligneSauvegarde(l);
            });
            m_operateur.statut(SauvegardeBase::messageTermine(fichier));
        } catch (const DbError& e) {
            Q_EMIT traiterActifChange(true);
            m_operateur.erreur(e.texte() + QStringLiteral("\r\nLe traitement n'a pas été lancé : rien n'a été modifié."));
            r.issue = Issue::SauvegardeEchouee;
            return r;
        }
    }
    const ModeSimulation mode(m_session.pFIBScripter1, simulation);
    const qint32 clientsAvant = m_selection.NbClients;
    // A simulation leaves the selection's count as the operator saw it, however it ends.
    const auto restaurer = qScopeGuard([&] {
        if (simulation)
            m_selection.NbClients = clientsAvant;
    });
    bool lignesValides = false;   // mTemp holds the CSV lines until the selection is loaded
    JournalAnnulation journal;
    std::shared_ptr<ApercuChangements> apercu;
    try {
        if (simulation && m_apercuSimulation)
            apercu = std::make_shared<ApercuChangements>();
        if (simulation)
            segments::ouvrir(m_session.trZelto);   // the load takes part in the simulation
        if (m_selection.ChargerSelection() == ControleurSelection::Chargement::Arrete) {
            if (simulation)
                annulerEnCours(m_session.trZelto);
            return r;   // its message is shown and "Traiter" enabled again
        }
        m_session.mTemp.clear();
        lignesValides = true;
        // A real run changes nothing without its way back: no journal, no operation.
        if (!simulation && !creerJournal(v, r, journal))
            return r;
        m_session.trZelto.start();
        executer(v, r, simulation ? nullptr : &journal, apercu.get());
        if (interrompu()) {
            terminerInterrompu(r, true, true);
            return r;
        }
        nettoyer();
        if (simulation)
            m_session.trZelto.rollback();
    } catch (const DbError& e) {
        r.lignesAnnulation = journal.lignes();
        if (interrompu())
            terminerInterrompu(r, true, lignesValides);
        else
            terminerSurErreur(r, e.texteCrLf(), lignesValides);
        return r;
    } catch (const ErreurCapture& e) {
        r.lignesAnnulation = journal.lignes();
        if (interrompu())
            terminerInterrompu(r, true, lignesValides);
        else
            terminerSurErreur(r, e.erreur.texteCrLf(), lignesValides);
        return r;
    } catch (const ErreurJournalAnnulation& e) {
        // The operation was rolled back before its commit.
        r.lignesAnnulation = journal.lignes();
        if (interrompu())
            terminerInterrompu(r, true, lignesValides);
        else
            terminerSurErreur(r, TexteAnnulationImpossible(e.chemin(), e.raison()), lignesValides);
        return r;
    }
    r.lignesAnnulation = journal.lignes();

    r.NbClients = m_selection.NbClients;
    r.NbErreurs = m_session.NbErreurs;
    r.lignesErreur = m_session.mTemp;
    if (!r.lignesErreur.isEmpty() && !simulation) {
        try {
            r.journal = journal_traitement::Ecrire(m_dossierJournal, m_horloge(), r.lignesErreur);
        } catch (const ErreurJournalTraitement& e) {
            terminerSurErreur(r,
                              TexteJournalImpossible(e.chemin(), e.raison()),
                              true);
            return r;
        }
    }

    Q_EMIT traiterActifChange(true);
    m_operateur.statut(TexteFin(m_horloge()));
    r.issue = Issue::Termine;
    r.resume = TexteResume(r.NbClients, r.NbErreurs);
    r.apercu = apercu;
    m_dernierApercu = apercu;
    m_operateur.resume(TexteBoite(r), r.lignesComptes());
    return r;
}

bool Traitement::creerJournal(const ValeursOptions& v, Resultat& r, JournalAnnulation& journal)
{
    journal_annulation::EnteteJournal entete;
    entete.base = m_session.dbZelto.databaseName();
    entete.centre = m_session.centre;
    entete.multiCentre = m_session.multiCentre;
    entete.moment = m_horloge();
    for (const Operation& op : Operations())
        if (op.cochee(v))
            entete.operations << op.modele;
    try {
        entete.creationBase = journal_annulation::CreationBase(m_session.dbZelto);
        journal.creer(m_dossierAnnulation, entete);
    } catch (const DbError& e) {
        terminerSurErreur(r, e.texteCrLf(), true);
        return false;
    } catch (const ErreurJournalAnnulation& e) {
        terminerSurErreur(r, TexteAnnulationImpossible(e.chemin(), e.raison()), true);
        return false;
    }
    r.journalAnnulation = journal.chemin();
    return true;
}

void Traitement::executer(const ValeursOptions& v, Resultat& r, JournalAnnulation* journal, ApercuChangements* apercu)
{
    const remplissage::Centres centres{m_session.centre, m_session.centreSelection()};
    ScriptRunner& runner = m_session.pFIBScripter1;
    StructuresTables structures(m_session.dbZelto, m_session.trZelto);
    CaptureLignes capture(m_session.dbZelto, m_session.trZelto, structures);
    const auto sansCrochets = qScopeGuard([&runner] {
        runner.AvantValidation = {};
        runner.ApresValidation = {};
    });
    int rang = 0;
    for (const Operation& op : Operations()) {
        if (interrompu())
            return;
        if (op.cochee(v)) {
            m_operateur.statut(op.statut);
            Q_EMIT progression(++rang, r.nombreOperations, op.statut);
            const ComptesModifications::Releve avant = ComptesModifications::lire(m_session.dbZelto);
            const qint32 erreursAvant = m_session.NbErreurs;
            if (journal) {
                // Before each commit of the operation, the rows it changed go to the journal, on disk.
                runner.AvantValidation = [&, modele = op.modele] {
                    QElapsedTimer duree;
                    duree.start();
                    try {
                        const QList<CompteTable> comptes =
                            ComptesModifications::difference(avant, ComptesModifications::lire(m_session.dbZelto));
                        QList<TableTouchee> tables;
                        for (const CompteTable& c : comptes)
                            tables.append({c.table, c.suppressions > 0, c.modifications > 0});
                        journal->debuterOperation(modele, capture.numeroTransaction(), comptes);
                        capture.capturer(tables, *journal);
                        journal->terminerOperation(duree.elapsed());
                    } catch (const DbError& e) {
                        throw ErreurCapture{e};
                    }
                };
                runner.ApresValidation = [journal](bool validee) { journal->marquer(validee); };
            }
            runner.setScript(op.remplir(v, centres));
            runner.RunFrom(1);
            const bool arrete = runner.stopped();   // only an interruption stops a script
            runner.ResetStatements();
            if (m_session.trZelto.isActive())
                m_session.validerEtape();
            if (interrompu()) {
                oublierAnnulation();
                // A statement that failed then (the cancelled one) stopped its script and
                // undid its work; otherwise the request came once the operation was committed.
                if (arrete) {
                    annulerEnCours(m_session.trZelto);
                    return;
                }
            }
            OperationFaite faite{op.modele, m_session.NbErreurs != erreursAvant, {}};
            faite.comptes = ComptesModifications::difference(avant, ComptesModifications::lire(m_session.dbZelto));
            // In a simulation the operation's segment has just ended: its rows are read now.
            if (apercu)
                apercu->operationTerminee(op.modele, faite.comptes, structures, capture, m_session.dbZelto,
                                          m_session.trZelto);
            r.operations.append(faite);
        }
        m_session.trZelto.start();
    }
}

void Traitement::nettoyer()
{
    m_operateur.statut(QStringLiteral("Nettoyage..."));
    fb::Query& q = m_session.qryLocale;
    m_session.trZelto.start();
    q.setSql(QStringLiteral("delete from t_clients_presents where tcpr_idctr=")
             + QString::number(static_cast<qint64>(m_session.centre) * 10));
    q.execute();
    q.close();
    m_session.validerEtape();
    m_nettoye = true;
}
