#include "batch/Traitement.h"

#include "operator/OperatorInterface.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/JournalTraitement.h"
#include "batch/Operations.h"
#include "db/Modeles.h"
#include "batch/Remplissage.h"
#include "batch/VerificationSimulation.h"
#include "db/Connexion.h"
#include "db/Sauvegarde.h"
#include "db/Session.h"

#include <QDir>
#include <QLocale>
#include <QScopeGuard>
#include <chrono>

namespace {

const char* const kSqlArticleSolde =
    "SELECT COUNT(*) FROM ARTICLE INNER JOIN ARTICLE_TARIF ON (ATA_IDART = ART_ID) "
    "INNER JOIN TVA ON (TVA_ID = ATA_IDTVA) WHERE (ATA_DEFAUT = -1) AND (ART_ID = :IDARTICLE)";

// Rolls back whatever is left open, whatever state the connection is in.
void annulerEnCours(fb::Transaction& tr)
{
    try {
        if (tr.isActive())
            tr.rollback();
    } catch (const DbError&) {
    }
}

} // namespace

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

Traitement::Traitement(Session& session, ControleurOptions& options, ControleurSelection& selection,
                       OperatorInterface& operateur, QObject* parent)
    : QObject(parent), m_session(session), m_options(options), m_selection(selection), m_operateur(operateur),
      m_horloge([] { return QDateTime::currentDateTime(); }), m_dossierJournal(journal_traitement::Dossier())
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

Traitement::~Traitement()
{
    {
        const std::lock_guard<std::mutex> verrou(m_annulation);
        m_fini = true;
        m_vu.notify_all();
    }
    if (m_relance.joinable())
        m_relance.join();
}

void Traitement::interrompre()
{
    const std::lock_guard<std::mutex> verrou(m_annulation);
    if (m_fini || m_session.interruption.exchange(true))
        return;
    m_session.dbZelto.annulerOperation();
    // A request that finds no statement running is lost, and the run may be about to start
    // one: the request is made again every 100 ms until the run has seen it.
    m_relance = std::thread([this] {
        std::unique_lock<std::mutex> attente(m_annulation);
        while (!m_vu.wait_for(attente, std::chrono::milliseconds(100), [this] { return m_fini || m_acquitte; }))
            m_session.dbZelto.annulerOperation();
    });
}

bool Traitement::interrompu() const
{
    return m_session.interruption;
}

void Traitement::oublierAnnulation()
{
    // Taken once the request is seen, the lock waits for a cancellation being sent; after it
    // no other one is.
    const std::lock_guard<std::mutex> verrou(m_annulation);
    m_acquitte = true;
    m_vu.notify_all();
    m_session.dbZelto.oublierAnnulation();
}

void Traitement::finExecution()
{
    {
        const std::lock_guard<std::mutex> verrou(m_annulation);
        m_fini = true;
        m_vu.notify_all();
        if (m_session.interruption.exchange(false))
            m_session.dbZelto.oublierAnnulation();
    }
    if (m_relance.joinable())
        m_relance.join();
    const std::lock_guard<std::mutex> verrou(m_annulation);
    m_acquitte = false;
}

QString Traitement::TexteResume(qint32 clients, qint32 erreurs)
{
    return QStringLiteral("Opérations terminées,\n\r") + QString::number(clients) + QStringLiteral(" clients traités,")
        + QStringLiteral("\n\r") + QString::number(erreurs) + QStringLiteral(" erreurs.");
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
    confirme = true;
    if (v.aucuneOperation())
        return QStringLiteral("Aucune option sélectionnée");
    const QString dates = QStringLiteral("La date de fin ne peut être inférieure à la date de début");
    if (v.cbIncPrel && v.edtDateInc > v.edtDate2Inc)
        return dates;
    if (v.cbModifMontant2) {
        if (v.edtDateEch1 > v.edtDateEch2)
            return dates;
        if (v.edtMontant4.arrondi(2).valeur < v.edtMontant3.arrondi(2).valeur)
            return QStringLiteral("Le montant 2 ne peut être inférieur au montant 1");
        const qint64 valeur = v.edtValeur1.arrondi(2).valeur;
        if ((v.rgChoix2 == 0 && valeur == 10000) || (v.rgChoix2 == 1 && valeur == 0))
            return QStringLiteral("Valeur incorrecte, aucune modification appliquée");
    }
    if (v.cbMsg && v.Memo1.isEmpty())
        return QStringLiteral("Pas de message saisi");
    if (v.cbSolde && v.mmoSolde.isEmpty() && !m_operateur.question(QStringLiteral("Pas de message (solde) saisi, continuer ?"))) {
        confirme = false;
        return QString();
    }
    if (v.cbSolde && (!v.cbArticle2 || !articleSoldeValide(v.cbArticle2->Id)))
        return QStringLiteral("Article (solde) non valide");
    if (v.cbCreate && !v.cbArticle)
        return QStringLiteral("Article non valide");
    if (v.cbCreate && v.cbArticle->Prix.valeur <= 0)
        return QStringLiteral("Montant non valide");
    // An operation without its payment method would run on method 0 and change nothing.
    if (((v.cbModifMontant || v.cbModifMontant2) && !v.cbModes4) || (v.cbCreate && !v.cbModes)
        || (v.cbAnnulation && !v.cbModes2))
        return QStringLiteral("Mode de paiement non valide");
    return QString();
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
    const qint32 clientsAvant = m_session.NbClients;
    // A simulation leaves the selection's count as the operator saw it, however it ends.
    const auto restaurer = qScopeGuard([&] {
        if (simulation)
            m_session.NbClients = clientsAvant;
    });
    bool lignesValides = false;   // mTemp holds the CSV lines until the selection is loaded
    try {
        if (simulation)
            segments::ouvrir(m_session.trZelto);   // the load takes part in the simulation
        if (m_selection.ChargerSelection() == ControleurSelection::Chargement::Arrete) {
            if (simulation)
                annulerEnCours(m_session.trZelto);
            return r;   // its message is shown and "Traiter" enabled again
        }
        m_session.mTemp.clear();
        lignesValides = true;
        m_session.trZelto.start();
        executer(v, r);
        if (interrompu()) {
            terminerInterrompu(r, true, true);
            return r;
        }
        nettoyer();
        if (simulation)
            m_session.trZelto.rollback();
    } catch (const DbError& e) {
        if (interrompu())
            terminerInterrompu(r, true, lignesValides);
        else
            terminerSurErreur(r, e.texteCrLf(), lignesValides);
        return r;
    }

    r.NbClients = m_session.NbClients;
    r.NbErreurs = m_session.NbErreurs;
    r.lignesErreur = m_session.mTemp;
    if (!r.lignesErreur.isEmpty() && !simulation) {
        try {
            r.journal = journal_traitement::Ecrire(m_dossierJournal, m_horloge(), r.lignesErreur);
        } catch (const ErreurJournalTraitement& e) {
            terminerSurErreur(r,
                              QStringLiteral("Le journal du traitement ne peut pas être écrit dans %1 : %2.\r\n"
                                             "Vérifiez que ce dossier est accessible en écriture.")
                                  .arg(QDir::toNativeSeparators(e.chemin()), e.raison()),
                              true);
            return r;
        }
    }

    Q_EMIT traiterActifChange(true);
    m_operateur.statut(TexteFin(m_horloge()));
    r.issue = Issue::Termine;
    r.resume = TexteResume(r.NbClients, r.NbErreurs);
    m_operateur.resume(TexteBoite(r), r.lignesComptes());
    return r;
}

void Traitement::executer(const ValeursOptions& v, Resultat& r)
{
    const remplissage::Centres centres{m_session.centre, m_session.centreSelection()};
    ScriptRunner& runner = m_session.pFIBScripter1;
    int rang = 0;
    for (const Operation& op : Operations()) {
        if (interrompu())
            return;
        if (op.cochee(v)) {
            m_operateur.statut(op.statut);
            Q_EMIT progression(++rang, r.nombreOperations, op.statut);
            const ComptesModifications::Releve avant = ComptesModifications::lire(m_session.dbZelto);
            const qint32 erreursAvant = m_session.NbErreurs;
            runner.setScript(remplissage::Remplir(op.modele, v, centres));
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
            probleme = QStringLiteral("La table de travail n'a pas pu être vidée des lignes du centre :\r\n")
                + e.texteCrLf() + QStringLiteral("Vérifiez la connexion au serveur et la base.");
        }
    }
    if (lignesValides)
        r.lignesErreur = m_session.mTemp;
    if (!r.lignesErreur.isEmpty() && !r.simulation) {
        try {
            r.journal = journal_traitement::Ecrire(m_dossierJournal, m_horloge(), r.lignesErreur);
        } catch (const ErreurJournalTraitement& e) {
            probleme += QStringLiteral("Le journal du traitement ne peut pas être écrit dans %1 : %2.\r\n"
                                       "Vérifiez que ce dossier est accessible en écriture.")
                            .arg(QDir::toNativeSeparators(e.chemin()), e.raison());
        }
    }

    r.issue = Issue::Interrompu;
    r.NbClients = m_session.NbClients;
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
            message += QStringLiteral("La table de travail n'a pas pu être vidée des lignes du centre :\r\n")
                + e.texteCrLf();
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
    r.NbClients = m_session.NbClients;
    r.NbErreurs = m_session.NbErreurs;
    r.erreur = message;
    Q_EMIT traiterActifChange(true);
    m_operateur.statut(QStringLiteral("Traitement arrêté sur une erreur."));
    m_operateur.erreur(message);
}
