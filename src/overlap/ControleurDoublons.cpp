#include "overlap/ControleurDoublons.h"

#include "operator/OperatorInterface.h"
#include "db/Modeles.h"
#include "config/FichierSortie.h"
#include "db/Connexion.h"
#include "db/Session.h"
#include "overlap/Echeances.h"
#include "overlap/ModeleEcheances.h"

#include <QDir>

ControleurDoublons::ControleurDoublons(Session& session, OperatorInterface& operateur, QObject* parent)
    : QObject(parent), m_session(session), m_operateur(operateur),
      m_modele(new ModeleEcheances(session.dbZelto, session.trZelto, this)), m_label13(TitreLabel13())
{
    // A failure while scrolling is shown once the view has finished asking for rows.
    connect(m_modele, &ModeleEcheances::erreurLecture, this,
            [this](const QString& texte) {
                m_session.connexionAVerifier = true;
                m_operateur.erreur(texte);
            },
            Qt::QueuedConnection);
}

QString ControleurDoublons::sqlCourant() const
{
    return m_colonneTri < 0 ? SqlEcheances() : SqlEcheancesTriees(m_colonneTri, m_ordreTri);
}

void ControleurDoublons::entrer()
{
    m_modele->fermer();
    // After a lost connection, a new attachment (a refused one leaves the connection closed).
    // Else only the screenshot tool (tools/) shows the page without a connection.
    if (!RetablirConnexion(m_session, m_operateur) || !m_session.dbZelto.isOpen())
        return;
    if (m_colonneTri >= 0) {
        m_colonneTri = -1;
        Q_EMIT triChange(m_colonneTri, m_ordreTri);
    }

    // A failed creation is counted and logged by the runner's handler; the dataset then
    // reads whatever procedure the database holds.
    ScriptRunner& runner = m_session.pFIBScripter1;
    runner.setScript(TexteModele(QStringLiteral("mSQL_PS1")));
    runner.RunFrom(1);

    if (ouvrirDataset())
        compter();
}

bool ControleurDoublons::ouvrirDataset()
{
    try {
        m_session.trZelto.start();
        m_modele->ouvrir(sqlCourant());
        return true;
    } catch (const DbError& e) {
        m_session.connexionAVerifier = true;
        m_operateur.erreur(e.texte());
        return false;
    }
}

void ControleurDoublons::compter()
{
    // On the dataset's transaction, which must stay active for its cursor: no roll-back here.
    fb::Query compte(m_session.dbZelto, m_session.trZelto);
    try {
        compte.setSql(SqlCompteEcheances());
        compte.execute();
        const qint64 n = compte.asInt64(0);
        compte.close();
        m_label13 = TexteLabel13(n);
        Q_EMIT label13Change(m_label13);
    } catch (const DbError& e) {
        m_session.connexionAVerifier = true;
        m_operateur.erreur(e.texte());
    }
}

void ControleurDoublons::quitter()
{
    m_modele->fermer();
    // The page only read: ending its transaction keeps no read-write transaction open on
    // the server for as long as the window stays on another page.
    try {
        if (m_session.trZelto.isActive())
            m_session.trZelto.commit();
    } catch (const DbError&) {
        try {
            m_session.trZelto.rollback();
        } catch (const DbError&) {
        }
    }
}

void ControleurDoublons::trier(int colonne)
{
    if (!m_modele->estOuvert() || colonne < 0 || colonne >= m_modele->columnCount())
        return;
    if (colonne == m_colonneTri)
        m_ordreTri = m_ordreTri == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
        m_ordreTri = Qt::AscendingOrder;
    m_colonneTri = colonne;
    Q_EMIT triChange(m_colonneTri, m_ordreTri);
    ouvrirDataset();
}

bool ControleurDoublons::exporter(const QString& fichier)
{
    if (fichier.isEmpty())
        return false;
    const QString chemin = QDir::toNativeSeparators(fichier);
    FichierSortie sortie(fichier);
    if (!sortie.ouvrir()) {
        m_operateur.erreur(QStringLiteral("Le fichier %1 ne peut pas être écrit :\r\n%2.\r\n%3")
                               .arg(chemin, sortie.cause(), sortie.conseil()));
        return false;
    }
    const ResultatExport r = ExporterEcheances(m_session.dbZelto, m_session.trZelto, sqlCourant(), sortie);
    // A device or a pipe written in place keeps what it was sent before the failure.
    const bool enPlace = sortie.enPlace();
    switch (r.etat) {
    case ResultatExport::Ecrit:
        m_operateur.information(QStringLiteral("%1 échéance(s) exportée(s) dans %2.").arg(r.lignes).arg(chemin));
        return true;
    case ResultatExport::FichierImpossible:
        m_operateur.erreur((enPlace ? QStringLiteral("L'écriture dans %1 s'est arrêtée sur une erreur :\r\n%2")
                                    : QStringLiteral("Le fichier %1 n'a pas pu être écrit, il n'a pas été créé :\r\n%2"))
                               .arg(chemin, r.erreur));
        return false;
    case ResultatExport::LectureImpossible:
        m_operateur.erreur((enPlace ? QStringLiteral("Les échéances n'ont pas pu être lues jusqu'au bout, %1 peut en "
                                                     "avoir reçu une partie :\r\n%2")
                                    : QStringLiteral("Les échéances n'ont pas pu être lues, le fichier %1 n'a pas été "
                                                     "créé :\r\n%2"))
                               .arg(chemin, r.erreur));
        return false;
    }
    return false;
}
