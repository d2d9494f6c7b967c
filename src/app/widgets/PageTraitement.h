#pragma once
// The run page's controls mirroring the batch engine: the warning and the disclaimer,
// "Traiter" and "Simuler", the backup, and during a run "Annuler" and the progress line.
// The engine runs on a thread of its own, which owns the connection until it ends; its boxes
// reach the operator through the relay on the window's thread.
#include <QObject>

class ControleurSelection;
class OperateurRelais;
class OperatorInterface;
class PanneauSauvegarde;
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

    bool enCours() const { return m_execution != nullptr; }
    // The last run was a real one (not a simulation) and went to its end.
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
    QLabel* lblProgression() const { return m_lblProgression; }
    PanneauSauvegarde* panneauSauvegarde() const { return m_sauvegarde; }
    QLabel* Label5() const { return m_label5; }
    // "Précédent": where it leads is the window's navigation.
    TLabelBouton* Label9() const { return m_label9; }

public Q_SLOTS:
    void btnTraiterClick();
    void btnSimulerClick();
    void btnAnnulerClick();

Q_SIGNALS:
    // A run starts (true), or has ended and its thread is gone (false): the rest of the
    // window follows.
    void enCoursChange(bool enCours);

private:
    void construireActions();
    void construireSuivi();
    void activer(bool actif);
    void lancer(bool simulation);
    void fin();

    QWidget* const m_page;
    TLabelBouton* m_btnTraiter = nullptr;
    TLabelBouton* m_btnSimuler = nullptr;
    TLabelBouton* m_btnAnnuler = nullptr;
    TLabelBouton* m_label9 = nullptr;
    QLabel* m_lblProgression = nullptr;
    QLabel* m_label5 = nullptr;
    PanneauSauvegarde* m_sauvegarde = nullptr;
    Traitement* m_traitement = nullptr;
    OperateurRelais* m_relais = nullptr;
    QThread* m_execution = nullptr;
    int m_issue = 0;              // Traitement::Issue of the last run, written by its thread
    bool m_simulation = false;    // the run in progress, or the last one, is a simulation
};
