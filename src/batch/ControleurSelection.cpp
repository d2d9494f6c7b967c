#include "batch/ControleurSelection.h"

#include "operator/OperatorInterface.h"
#include "batch/ControleurOptions.h"
#include "batch/NumerosCsv.h"
#include "config/LectureBornee.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QDir>
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

QString nomParametre(int rang)
{
    return QStringLiteral("C%1").arg(rang);
}

// One round trip inserts a whole chunk: each number in a sub-block of its own, so that a number
// the table refuses is undone alone and not counted, as a separate INSERT would be. Ids are drawn
// in the parameters' order; unused slots (the last chunk) are null and skipped.
QString sqlBlocInsertion(const QString& tag)
{
    QString entete;
    QString corps;
    for (int i = 0; i < ControleurSelection::NumerosParBloc; ++i) {
        const QString c = nomParametre(i);
        entete += (i ? QStringLiteral(",") : QString()) + c + QStringLiteral(" BIGINT=:") + c;
        corps += QStringLiteral("IF(") + c + QStringLiteral(" IS NOT NULL)THEN BEGIN "
                 "INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID,TCPR_IDCLI,TCPR_IDCTR,TCPR_NOM_PRENOM) "
                 "VALUES (NEXT VALUE FOR IDTEMPORAIRE,:") + c + QLatin1Char(',') + tag
                 + QStringLiteral(",'');N=N+1;WHEN ANY DO BEGIN END END\n");
    }
    return QStringLiteral("EXECUTE BLOCK (") + entete + QStringLiteral(") RETURNS (N INTEGER) AS\nBEGIN\nN=0;\n")
           + corps + QStringLiteral("SUSPEND;\nEND");
}

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
    NbClients = 0;

    m_options.adapterASource(i);

    m_compte.clear();
    Q_EMIT compteChange(m_compte);

    if (i == TableTemporaire) {
        NbClients = compter(
            QStringLiteral("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = ")
                + QString::number(static_cast<qint64>(m_session.centre) * 10),
            false);
        m_compte = QString::number(NbClients) + QStringLiteral(" lignes temp.");
        Q_EMIT compteChange(m_compte);
    } else if (i == ClientsActifs) {
        NbClients = compter(QLatin1String(kSqlCompteActifs), true);
        m_compte = QString::number(NbClients) + QStringLiteral(" clients actifs.");
        Q_EMIT compteChange(m_compte);
    }
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
        if (NbClients == 0)
            return arreter(QStringLiteral("Aucun client trouvé"));
        return Chargement::Pret;   // the rows already tagged with the centre are the selection
    default: return chargerActifs();
    }
}

ControleurSelection::Chargement ControleurSelection::chargerCsv()
{
    // What exists but is no file is named for what it is: a folder, or a pipe or device that
    // could hold the run (and its connection) waiting for ever.
    const QString nature = entree::Nature(m_fichier);
    if (!nature.isEmpty())
        return arreter(QStringLiteral("« %1 » est %2, pas un fichier : choisissez le fichier CSV des numéros de clients.")
                           .arg(QDir::toNativeSeparators(m_fichier), nature));
    if (!QFileInfo(m_fichier).isFile())
        return arreter(QStringLiteral("Fichier non trouvé"));

    m_operateur.statut(QStringLiteral("Chargement fichier csv..."));
    // About eight million numbers: far above any club, and within the memory the lines take.
    constexpr qint64 kTailleMaxCsv = qint64(64) * 1024 * 1024;
    entree::Lecture lecture = entree::Lire(m_fichier, kTailleMaxCsv);
    if (lecture.etat != entree::Lecture::Lu) {
        Q_EMIT reactiverTraiter();
        const QString cause = lecture.etat == entree::Lecture::TropGrand
            ? QStringLiteral("il dépasse %1 : ce n'est pas une liste de numéros de clients.")
                  .arg(entree::TexteTaille(kTailleMaxCsv))
            : lecture.erreur;
        m_operateur.erreur(QStringLiteral("Lecture impossible du fichier ") + QDir::toNativeSeparators(m_fichier)
                           + QStringLiteral(" :\r\n") + cause);
        return Chargement::Arrete;
    }
    m_session.mTemp = csv::LignesFichier(lecture.octets);
    lecture.octets = QByteArray();

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

    NbClients = 0;
    q.setSql(sqlBlocInsertion(tag));
    // One round trip per chunk. A block that fails as a whole (a lost connection) is no refused
    // number: its error goes to the caller.
    const qint32 total = qint32(numeros.size());
    auto numero = numeros.cbegin();
    while (numero != numeros.cend()) {
        // An interrupted run keeps what is inserted: its clean-up removes it. Checked between
        // chunks: the server drops a cancellation that lands inside a WHEN handler.
        if (m_session.interruption)
            break;
        int rempli = 0;
        for (; rempli < NumerosParBloc && numero != numeros.cend(); ++rempli, ++numero)
            q.setParam(rempli, csv::ConvertirEntier64(*numero));
        for (int vide = rempli; vide < NumerosParBloc; ++vide)
            q.setParamNull(nomParametre(vide));
        q.execute();
        NbClients += q.asInteger(0);
        q.close();
        Q_EMIT insertionsCsv(NbClients, total);
    }
    q.release();
    m_session.validerEtape();
    return Chargement::Pret;
}

ControleurSelection::Chargement ControleurSelection::chargerActifs()
{
    if (NbClients == 0)
        return arreter(QStringLiteral("Aucun client trouvé"));

    m_operateur.statut(QStringLiteral("Insertions dans la base..."));
    fb::Query& q = m_session.qryLocale;
    m_session.trZelto.start();
    q.setSql(QLatin1String(kSqlInsertionActifs));
    q.setParam(QStringLiteral("IDCTR"), static_cast<qint64>(m_session.centreSelection()));
    q.execute();
    q.close();
    q.release();
    m_session.validerEtape();
    return Chargement::Pret;   // NbClients keeps the count of the source choice
}
