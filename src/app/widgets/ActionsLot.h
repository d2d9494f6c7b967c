#pragma once
// "Enregistrer le lot..." and "Ouvrir un lot..." of the window: the header's "Lot" button and
// its menu, their shortcuts, the file dialogs and the boxes. The rules are in batch/EcritureLot.
#include <QObject>
#include <QString>
#include <functional>

class ControleurOptions;
class ControleurSelection;
class OperatorInterface;
class QAction;
class QMenu;
class Session;
class TfrmMain;

class ActionsLot : public QObject
{
    Q_OBJECT
public:
    // `entete` is the header band the button goes into.
    ActionsLot(TfrmMain& fenetre, QWidget* entete, Session& session, ControleurSelection& selection,
               ControleurOptions& options, OperatorInterface& operateur);

    QMenu* mnuLot() const { return m_menu; }
    QAction* actEnregistrerLot() const { return m_enregistrer; }
    QAction* actOuvrirLot() const { return m_ouvrir; }

    // The file dialogs, given the proposed name; an empty text when cancelled. Tests put a
    // file name here.
    std::function<QString(const QString& propose)> choisirEnregistrement;
    std::function<QString(const QString& propose)> choisirOuverture;

    void enregistrer();
    void ouvrir();

private:
    bool occupe();

    TfrmMain& m_fenetre;
    Session& m_session;
    ControleurSelection& m_selection;
    ControleurOptions& m_options;
    OperatorInterface& m_operateur;
    QString m_dernier;   // the job last saved or opened, proposed next time
    QMenu* m_menu = nullptr;
    QAction* m_enregistrer = nullptr;
    QAction* m_ouvrir = nullptr;
};
