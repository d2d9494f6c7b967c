#pragma once
// The rules and the state of the client-selection page, without any widget: the source
// choice and its count, its effects on the options page, "Multi Centre" and the title, and
// the loading of the work table at the start of a run.
#include <QObject>
#include <QString>

class ControleurOptions;
class OperatorInterface;
class Session;

class ControleurSelection : public QObject
{
    Q_OBJECT
public:
    enum Source { FichierCsv = 0, TableTemporaire = 1, ClientsActifs = 2 };
    enum class Chargement { Pret, Arrete };
    // CSV numbers sent per round trip; a block holds at most 256 INSERT statements.
    static constexpr int NumerosParBloc = 250;

    ControleurSelection(Session& session, ControleurOptions& options, OperatorInterface& operateur,
                        QObject* parent = nullptr);

    // The clients of the selection: counted by the source choice, then the CSV numbers inserted.
    qint32 NbClients = 0;

    int source() const { return m_source; }
    // The operator picks an item: the source choice runs when the item changes.
    void setSource(int index);
    // Selects the item and runs the source choice once, whether or not it changed.
    void appliquerSource(int index);
    void rgSourceClick();

    // Once the connection is open: source 2 and its choice, run once for the life of the page.
    void etatDemarrage();
    bool demarre() const { return m_demarre; }

    QString lblCompteTemp() const { return m_compte; }
    bool fichierVisible() const { return m_source == FichierCsv; }   // Label1 and JvFilenameEdit1
    QString nomFichier() const { return m_fichier; }
    void setNomFichier(const QString& chemin);

    bool multiCentre() const;
    void setMultiCentre(bool coche);   // runs cbxMultiCentreClick when the state changes
    void cbxMultiCentreClick();
    // Caption colour of "Multi Centre" as 0x00BBGGRR: red while ticked, black otherwise.
    static constexpr quint32 kRouge = 0x0000FFu;
    static constexpr quint32 kNoir = 0u;
    quint32 couleurMultiCentre() const { return multiCentre() ? kRouge : kNoir; }

    // Loads the work table for the chosen source. On Arrete the message has been shown and
    // reactiverTraiter() emitted before it; DbError from the work-table statements (other than
    // a CSV number's INSERT, which is skipped) is left to the caller.
    Chargement ChargerSelection();

Q_SIGNALS:
    void sourceChange(int index);
    void compteChange(const QString& texte);
    void fichierVisibleChange(bool visible);
    void nomFichierChange(const QString& chemin);
    void multiCentreChange(bool coche);
    void reactiverTraiter();
    // While the CSV numbers go into the work table: after each insertion (or group of them),
    // the numbers inserted so far out of the file's distinct numbers.
    void insertionsCsv(qint32 inseres, qint32 total);

private:
    qint32 compter(const QString& sql, bool parametreCentre);
    Chargement arreter(const QString& message);
    Chargement chargerCsv();
    Chargement chargerActifs();

    Session& m_session;
    ControleurOptions& m_options;
    OperatorInterface& m_operateur;
    int m_source = ClientsActifs;
    bool m_demarre = false;
    QString m_compte;
    QString m_fichier;
};
