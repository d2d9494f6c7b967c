#pragma once
// The run page's controls mirroring the batch engine: the warning and the disclaimer,
// "Traiter" and "Simuler", the backup, "Défaire le dernier traitement" and the menu's
// "Défaire un traitement...", and during a run or an undo "Annuler" and the progress line.
// Both run on a thread of their own, which owns the connection until it ends; their boxes
// reach the operator through the relay on the window's thread.
#include <QObject>
#include <QString>
#include <functional>

class ControleurDefaire;
class ControleurSelection;
class OperateurRelais;
class OperatorInterface;
class PanneauSauvegarde;
class QAction;
class QLabel;
class QThread;
class TLabelBouton;
class Traitement;

class PageTraitement : public QObject
{
    Q_OBJECT
public:
    // Builds the controls on tsGo; "Traiter" and "Simuler" do nothing before installer().
    explicit PageTraitement(QWidget* tsGo);
    ~PageTraitement() override;

    // The engine that the buttons start, the selection whose loading the progress line shows.
    void installer(Traitement& traitement, ControleurSelection& selection, OperateurRelais& relais,
                   OperatorInterface& operateur);
    // The undo that "Défaire" and the menu entry start; both do nothing before.
    void installerDefaire(ControleurDefaire& defaire);

    // The journal chosen for "Défaire un traitement...", given the journals' folder; an empty
    // text when cancelled. Tests put a file name here.
    std::function<QString(const QString& dossier)> choisirJournal;

    bool enCours() const { return m_execution != nullptr; }
    // The last run was a real one (not a simulation, nor an undo) and went to its end.
    bool termine() const;
    // Nobody answers the run any more (the window is going): it stops at its next step and
    // ends without a box; returns once its thread has ended.
    void arreter();
    // "Annuler" for a window that closes once the run has ended: from then on only errors
    // reach the operator.
    void interrompreAvantFermeture();

    TLabelBouton* btnTraiter() const { return m_btnTraiter; }
    TLabelBouton* btnSimuler() const { return m_btnSimuler; }
    TLabelBouton* btnAnnuler() const { return m_btnAnnuler; }
    TLabelBouton* btnDefaire() const { return m_btnDefaire; }
    QAction* actDefaire() const { return m_actDefaire; }
    QLabel* lblProgression() const { return m_lblProgression; }
    PanneauSauvegarde* panneauSauvegarde() const { return m_sauvegarde; }
    QLabel* Label5() const { return m_label5; }
    // "Précédent": where it leads is the window's navigation.
    TLabelBouton* Label9() const { return m_label9; }

public Q_SLOTS:
    void btnTraiterClick();
    void btnSimulerClick();
    void btnAnnulerClick();
    void btnDefaireClick();
    void actDefaireTrigger();

Q_SIGNALS:
    // A run or an undo starts (true), or has ended and its thread is gone (false): the rest
    // of the window follows.
    void enCoursChange(bool enCours);

private:
    void construireActions();
    void construireSuivi();
    void activer(bool actif);
    void lancer(bool simulation);
    void defaire(const QString& journal);
    void demarrer(std::function<void()> travail);
    void fin();
    // "Défaire" while the page is usable and the last run can be undone, the menu entry while usable.
    void montrerDefaire(bool libre);

    QWidget* const m_page;
    TLabelBouton* m_btnTraiter = nullptr;
    TLabelBouton* m_btnSimuler = nullptr;
    TLabelBouton* m_btnAnnuler = nullptr;
    TLabelBouton* m_btnDefaire = nullptr;
    QAction* m_actDefaire = nullptr;
    TLabelBouton* m_label9 = nullptr;
    QLabel* m_lblProgression = nullptr;
    QLabel* m_label5 = nullptr;
    PanneauSauvegarde* m_sauvegarde = nullptr;
    Traitement* m_traitement = nullptr;
    ControleurDefaire* m_defaire = nullptr;
    OperateurRelais* m_relais = nullptr;
    QThread* m_execution = nullptr;
    int m_issue = 0;              // Traitement::Issue of the last run, written by its thread
    bool m_simulation = false;    // the run in progress, or the last one, is a simulation
    bool m_annulation = false;    // ... or an undo
};
