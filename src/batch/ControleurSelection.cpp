#include "batch/ControleurSelection.h"

#include "app/OperatorInterface.h"
#include "batch/ControleurOptions.h"
#include "batch/NumerosCsv.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const char* const kSqlCompteActifs =
    "SELECT COUNT(DISTINCT ACT_IDCLI) FROM CLIENTS_ACTIVITE INNER JOIN CLIENTS ON (CLI_ID = ACT_IDCLI) "
    "INNER JOIN ECHEANCIER ON (ECHE_IDACT = ACT_ID) INNER JOIN MODE_PAIEMENT ON (MOD_ID = ECHE_IDMOD) "
    "WHERE IIF(:IDCTR = -1,TRUE,CLI_CENTRE = :IDCTR) AND (MOD_TYPE = 4) AND (ACT_ARCHIVE_DATE IS NULL) "
    "AND ((ACT_FIN >= CURRENT_DATE) OR (ACT_FIN IS NULL))";

const char* const kSqlInsertionActifs =
    "INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID,TCPR_IDCLI,TCPR_IDCTR,TCPR_NOM_PRENOM) SELECT NEXT VALUE FOR "
    "IDTEMPORAIRE,CLI_ID,CLI_CENTRE*10,CLI_NOM FROM CLIENTS_ACTIVITE INNER JOIN CLIENTS ON (CLI_ID = ACT_IDCLI) "
    "INNER JOIN ECHEANCIER ON (ECHE_IDACT = ACT_ID) INNER JOIN MODE_PAIEMENT ON (MOD_ID = ECHE_IDMOD) "
    "WHERE IIF(:IDCTR = -1,TRUE,CLI_CENTRE = :IDCTR) AND (MOD_TYPE = 4) AND (ACT_ARCHIVE_DATE IS NULL) "
    "AND ((ACT_FIN >= CURRENT_DATE) OR (ACT_FIN IS NULL))";

} // namespace

ControleurSelection::ControleurSelection(Session& session, ControleurOptions& options, OperatorInterface& operateur,
                                         QObject* parent)
    : QObject(parent), m_session(session), m_options(options), m_operateur(operateur)
{
}

void ControleurSelection::setSource(int index)
{
    if (index < FichierCsv || index > ClientsActifs || index == m_source)
        return;
    appliquerSource(index);
}

void ControleurSelection::appliquerSource(int index)
{
    if (index < FichierCsv || index > ClientsActifs)
        return;
    const bool fichierAvant = fichierVisible();
    if (index != m_source) {
        m_source = index;
        Q_EMIT sourceChange(index);
    }
    if (fichierAvant != fichierVisible())
        Q_EMIT fichierVisibleChange(fichierVisible());
    rgSourceClick();
}

void ControleurSelection::rgSourceClick()
{
    const int i = m_source;
    m_session.NbClients = 0;

    m_options.setVisible(QStringLiteral("cbAnnulation"), i < 2);
    if (i >= 2)
        m_options.setCoche(CaseOption::cbAnnulation, false);

    m_compte.clear();
    Q_EMIT compteChange(m_compte);

    if (i == TableTemporaire) {
        m_session.NbClients = compter(
            QStringLiteral("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = ")
                + QString::number(static_cast<qint64>(m_session.centre) * 10),
            false);
        m_compte = QString::number(m_session.NbClients) + QStringLiteral(" lignes temp.");
        Q_EMIT compteChange(m_compte);
    } else if (i == ClientsActifs) {
        m_session.NbClients = compter(QLatin1String(kSqlCompteActifs), true);
        m_compte = QString::number(m_session.NbClients) + QStringLiteral(" clients actifs.");
        Q_EMIT compteChange(m_compte);
    }

    // A balance reset never runs for a source that does not offer it.
    m_options.setVisible(QStringLiteral("pnlRazSolde"), i == FichierCsv);
    if (i != FichierCsv)
        m_options.setCoche(CaseOption::cbSolde, false);
}

qint32 ControleurSelection::compter(const QString& sql, bool parametreCentre)
{
    fb::Query& q = m_session.qryLocale;
    try {
        m_session.trZelto.start();
        q.setSql(sql);
        if (parametreCentre)
            q.setParam(QStringLiteral("IDCTR"), static_cast<qint64>(m_session.centreSelection()));
        q.execute();
        const qint32 n = q.asInteger(0);
        q.close();
        q.release();
        m_session.trZelto.rollback();
        return n;
    } catch (const DbError&) {
        // Counts only read: leave no half-used statement nor open transaction behind.
        try {
            q.close();
            q.release();
            if (m_session.trZelto.isActive())
                m_session.trZelto.rollback();
        } catch (const DbError&) {
        }
        throw;
    }
}

void ControleurSelection::etatDemarrage()
{
    if (m_demarre)
        return;
    m_demarre = true;
    appliquerSource(ClientsActifs);
}

void ControleurSelection::setNomFichier(const QString& chemin)
{
    if (chemin == m_fichier)
        return;
    m_fichier = chemin;
    Q_EMIT nomFichierChange(chemin);
}

bool ControleurSelection::multiCentre() const
{
    return m_session.multiCentre;
}

void ControleurSelection::setMultiCentre(bool coche)
{
    if (coche == m_session.multiCentre)
        return;
    m_session.multiCentre = coche;
    Q_EMIT multiCentreChange(coche);
    cbxMultiCentreClick();
}

void ControleurSelection::cbxMultiCentreClick()
{
    // The count is not recomputed: it changes with the next source choice.
    m_session.setTitre(TitreConnexion(m_session.centreSelection()));
}

ControleurSelection::Chargement ControleurSelection::arreter(const QString& message)
{
    Q_EMIT reactiverTraiter();
    m_operateur.avertissement(message);
    return Chargement::Arrete;
}

ControleurSelection::Chargement ControleurSelection::ChargerSelection()
{
    switch (m_source) {
    case FichierCsv: return chargerCsv();
    case TableTemporaire:
        if (m_session.NbClients == 0)
            return arreter(QStringLiteral("Aucun client trouvé"));
        return Chargement::Pret;   // the rows already tagged with the centre are the selection
    default: return chargerActifs();
    }
}

ControleurSelection::Chargement ControleurSelection::chargerCsv()
{
    if (!QFileInfo(m_fichier).isFile())
        return arreter(QStringLiteral("Fichier non trouvé"));

    m_operateur.statut(QStringLiteral("Chargement fichier csv..."));
    QFile fichier(m_fichier);
    if (!fichier.open(QIODevice::ReadOnly)) {
        Q_EMIT reactiverTraiter();
        m_operateur.erreur(QStringLiteral("Lecture impossible du fichier ") + QDir::toNativeSeparators(m_fichier)
                           + QStringLiteral(" :\r\n") + fichier.errorString());
        return Chargement::Arrete;
    }
    m_session.mTemp = csv::LignesFichier(fichier.readAll());
    fichier.close();

    const csv::EnsembleNumeros numeros = csv::NumerosClients(m_session.mTemp);
    if (numeros.empty())
        return arreter(QStringLiteral("Aucun numéro de client trouvé"));

    m_operateur.statut(QStringLiteral("Insertions dans la base..."));
    const QString tag = QString::number(static_cast<qint64>(m_session.centre) * 10);
    fb::Query& q = m_session.qryLocale;
    m_session.trZelto.start();
    q.setSql(QStringLiteral("DELETE FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR=") + tag);
    q.execute();
    q.close();

    m_session.NbClients = 0;
    q.setSql(QStringLiteral("INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID,TCPR_IDCLI,TCPR_IDCTR,TCPR_NOM_PRENOM) "
                            "VALUES (NEXT VALUE FOR IDTEMPORAIRE, :IDCLI,")
             + tag + QStringLiteral(",'')"));
    const qint32 total = qint32(numeros.size());
    for (const QString& numero : numeros) {
        // An interrupted run keeps what is inserted: its clean-up removes it.
        if (m_session.interruption)
            break;
        q.setParam(QStringLiteral("IDCLI"), csv::ConvertirEntier64(numero));
        try {
            q.execute();
            ++m_session.NbClients;
        } catch (const DbError&) {
            // A number the table refuses is skipped and not counted; the loading goes on.
        }
        q.close();
        Q_EMIT insertionsCsv(m_session.NbClients, total);
    }
    q.release();
    m_session.trZelto.commit();
    return Chargement::Pret;
}

ControleurSelection::Chargement ControleurSelection::chargerActifs()
{
    if (m_session.NbClients == 0)
        return arreter(QStringLiteral("Aucun client trouvé"));

    m_operateur.statut(QStringLiteral("Insertions dans la base..."));
    fb::Query& q = m_session.qryLocale;
    m_session.trZelto.start();
    q.setSql(QLatin1String(kSqlInsertionActifs));
    q.setParam(QStringLiteral("IDCTR"), static_cast<qint64>(m_session.centreSelection()));
    q.execute();
    q.close();
    q.release();
    m_session.trZelto.commit();
    return Chargement::Pret;   // NbClients keeps the count of the source choice
}
