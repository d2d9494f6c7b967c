#include "annulation/ControleurDefaire.h"

#include "annulation/LectureJournal.h"
#include "db/ComptesModifications.h"
#include "db/Connexion.h"
#include "db/Session.h"
#include "operator/OperatorInterface.h"

#include <QFileInfo>
#include <QScopeGuard>

namespace {

const QString kFormatMoment = QStringLiteral("dd/MM/yyyy HH:mm:ss");

QString Canonique(const QString& chemin)
{
    const QString c = QFileInfo(chemin).canonicalFilePath();
    return c.isEmpty() ? QFileInfo(chemin).absoluteFilePath() : c;
}

} // namespace

ControleurDefaire::ControleurDefaire(Session& session, OperatorInterface& operateur, QObject* parent)
    : QObject(parent), m_session(session), m_operateur(operateur)
{
}

void ControleurDefaire::retenir(const QString& journal, qint64 lignes)
{
    if (journal.isEmpty())
        return;
    const std::lock_guard<std::mutex> verrou(m_verrou);
    m_dernier = lignes > 0 ? Canonique(journal) : QString();
}

QString ControleurDefaire::dernier() const
{
    const std::lock_guard<std::mutex> verrou(m_verrou);
    return m_dernier;
}

QString ControleurDefaire::TexteQuestion(const QDateTime& moment, qint64 lignes)
{
    return QStringLiteral("Défaire le traitement du %1 ?\r\n%2 ligne(s) seront remises dans leur état d'avant le "
                          "traitement.")
        .arg(moment.toString(kFormatMoment))
        .arg(lignes);
}

bool ControleurDefaire::confirmer(const QString& journal)
{
    // Lire() says nothing of why a file cannot be read: the reading does.
    try {
        const LectureJournal lecture(journal);
    } catch (const ErreurLectureJournal& e) {
        m_operateur.erreur(e.texte());
        return false;
    }
    const Annulation::Apercu apercu = Annulation::Lire(journal);
    if (!apercu.moment.isValid()) {   // changed under us since
        m_operateur.erreur(QStringLiteral("Le journal %1 ne peut plus être lu : rien n'a été modifié. Vérifiez le "
                                          "fichier puis recommencez.")
                               .arg(journal));
        return false;
    }
    return m_operateur.question(TexteQuestion(apercu.moment, apercu.lignes));
}

void ControleurDefaire::commencer()
{
    const std::lock_guard<std::mutex> verrou(m_verrou);
    m_enCours = true;
    m_interrompu = false;
}

void ControleurDefaire::interrompre()
{
    const std::lock_guard<std::mutex> verrou(m_verrou);
    if (!m_enCours || m_interrompu)
        return;
    m_interrompu = true;
    if (m_annulation)
        m_annulation->interrompre();
}

Annulation::Resultat ControleurDefaire::defaire(const QString& journal)
{
    const auto fin = qScopeGuard([this] {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        m_annulation = nullptr;
        m_enCours = false;
    });
    const auto interrompu = [this] {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        return m_interrompu;
    };
    Annulation::Resultat r;
    // As a run: after a lost connection, a new attachment rather than an error on the dead one.
    if (!RetablirConnexion(m_session, m_operateur))
        return r;   // its message is shown
    if (!m_session.dbZelto.isOpen()) {
        r.erreur = QStringLiteral("La connexion à la base n'est pas ouverte : le traitement ne peut être défait. "
                                  "Relancez le programme une fois le serveur joignable.");
        m_operateur.erreur(r.erreur);
        return r;
    }
    if (interrompu()) {
        r.issue = Annulation::Issue::Interrompue;
        rendreCompte(r);
        return r;
    }

    Annulation annulation(m_session.dbZelto);
    {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        m_annulation = &annulation;
    }
    // A request made before the undo had begun is lost by it: made again at its first step.
    connect(&annulation, &Annulation::progression, this,
            [this, &annulation](qint64 faites, qint64 total) {
                {
                    const std::lock_guard<std::mutex> verrou(m_verrou);
                    if (m_interrompu)
                        annulation.interrompre();
                }
                Q_EMIT progression(faites, total);
            },
            Qt::DirectConnection);
    m_operateur.statut(QStringLiteral("Annulation du traitement..."));
    r = annulation.annuler(journal, false);
    if (r.issue == Annulation::Issue::Erreur)
        m_session.connexionAVerifier = true;
    if (r.issue == Annulation::Issue::Faite) {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        if (m_dernier == Canonique(journal))
            m_dernier.clear();
    }
    rendreCompte(r);
    return r;
}

void ControleurDefaire::rendreCompte(const Annulation::Resultat& r)
{
    if (r.issue != Annulation::Issue::Faite) {
        m_operateur.statut(QStringLiteral("Annulation non faite : rien n'a été modifié."));
        m_operateur.erreur(r.texteEchec());
        return;
    }
    // The change counts go to the summary's details, as a run's do.
    QStringList comptes;
    for (const CompteTable& c : r.comptes)
        comptes << ComptesModifications::ligne(QStringLiteral("Annulation"), c);
    QStringList texte;
    for (const QString& l : r.lignesSortie())
        if (!comptes.contains(l))
            texte << l;
    m_operateur.statut(QStringLiteral("Annulation terminée."));
    m_operateur.resume(texte.join(QLatin1Char('\n')), comptes);
}
