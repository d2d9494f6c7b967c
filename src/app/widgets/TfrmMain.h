#pragma once
// The one window of the program: header and footer bands, the page area with its four pages
// (tabs hidden, pages changed by label buttons), the version label, the start timer and the
// navigation. What each page holds is its own class: PageSelection, PageOptions,
// PageTraitement, PageDoublons.
#include "app/widgets/PageTraitement.h"
#include "overlap/widgets/PageDoublons.h"

#include <QWidget>
#include <functional>

class ControleurDefaire;
class ControleurDoublons;
class ControleurOptions;
class ControleurSelection;
class OperateurRelais;
class OperatorInterface;
class PageOptions;
class PageSelection;
class PanneauSauvegarde;
class QLabel;
class QStackedWidget;
class QTimer;
class Session;
class TDBGridColor;
class TLabelBouton;
class Traitement;

// The common base window of the product's programs; it adds nothing.
class TFormZelto : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
};

class TfrmMain : public TFormZelto
{
    Q_OBJECT
public:
    enum Page { PageLoadData = 0, PageOption = 1, PageGo = 2, PageDoublons = 3 };

    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Opens the connection once the start timer has fired; filled by whoever builds the
    // window with a session. Left empty, the window simply stays without a connection.
    std::function<void()> surConnexion;

    // The pages, for the code that fills them, and the page area.
    QStackedWidget* pages() const { return m_pages; }
    QWidget* tsLoadData() const { return m_tsLoadData; }
    QWidget* tsOption() const { return m_tsOption; }
    QWidget* tsGo() const { return m_tsGo; }
    QWidget* tsDoublons() const { return m_tsDoublons; }
    int pageActive() const;
    // Closes the window and ends the process with this exit code (2: no connection).
    void terminer(int codeSortie);
    void activerPage(int index);

    // Fills tsLoadData and tsOption with their controls and controllers on the session and
    // gives the run page its engine; the selection's start state then runs once the start
    // timer has opened the connection. A run speaks to `operateur` through a relay on this
    // window's thread. The undo of a run comes with them, its menu entry in the job menu.
    void installerPagesLot(Session& session, OperatorInterface& operateur);
    // A run is in progress on its own thread, which owns the connection until it ends.
    bool traitementEnCours() const { return m_pageTraitement->enCours(); }
    ControleurSelection* controleurSelection() const { return m_controleurSelection; }
    ControleurOptions* controleurOptions() const { return m_controleurOptions; }
    Traitement* traitement() const { return m_traitement; }
    ControleurDefaire* controleurDefaire() const { return m_controleurDefaire; }
    PageTraitement* pageTraitement() const { return m_pageTraitement; }

    // Gives the overlap page its controller on the session: entering the page reads the overlaps.
    void installerPageDoublons(Session& session, OperatorInterface& operateur);
    ControleurDoublons* controleurDoublons() const { return m_controleurDoublons; }
    ::PageDoublons* pageDoublons() const { return m_pageDoublons; }

    QTimer* Timer1() const { return m_timer1; }
    QLabel* lblVersion() const { return m_lblVersion; }
    // The controls of the run page and of the overlap page.
    TLabelBouton* btnTraiter() const { return m_pageTraitement->btnTraiter(); }
    TLabelBouton* btnSimuler() const { return m_pageTraitement->btnSimuler(); }
    TLabelBouton* btnAnnuler() const { return m_pageTraitement->btnAnnuler(); }
    TLabelBouton* btnDefaire() const { return m_pageTraitement->btnDefaire(); }
    QLabel* lblProgression() const { return m_pageTraitement->lblProgression(); }
    PanneauSauvegarde* panneauSauvegarde() const { return m_pageTraitement->panneauSauvegarde(); }
    QLabel* Label5() const { return m_pageTraitement->Label5(); }
    QLabel* Label13() const { return m_pageDoublons->Label13(); }
    TDBGridColor* DBGridColor1() const { return m_pageDoublons->DBGridColor1(); }

public Q_SLOTS:
    void Timer1Timer();
    void Label6Click();   // next page
    void Label8Click();   // previous page
    void btnDoublonsClick();
    void btnOKClick();
    void btnTraiterClick();
    void btnSimulerClick();
    void btnAnnulerClick();

Q_SIGNALS:
    // A run or an undo has ended and the window is usable again.
    void traitementTermine();

protected:
    void closeEvent(QCloseEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;

private:
    void construireCadre();
    void construirePages();
    // The rest of the window during a run, and where it goes after it.
    void suivreTraitement(bool enCours);
    void FormCreate();
    void appliquerCouleurs();
    void centrerSurEcran();
    TLabelBouton* boutonNavigation(QWidget* page, const QString& nom, const QString& texte, int rang);

    QLabel* m_pnlFenetreEntete = nullptr;
    QWidget* m_pnlFenetrePied = nullptr;
    TLabelBouton* m_btnOK = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_tsLoadData = nullptr;
    QWidget* m_tsOption = nullptr;
    QWidget* m_tsGo = nullptr;
    QWidget* m_tsDoublons = nullptr;
    TLabelBouton* m_btnDoublons = nullptr;
    QLabel* m_lblVersion = nullptr;
    QTimer* m_timer1 = nullptr;
    Session* m_session = nullptr;
    OperatorInterface* m_operateur = nullptr;
    ControleurOptions* m_controleurOptions = nullptr;
    ControleurSelection* m_controleurSelection = nullptr;
    Traitement* m_traitement = nullptr;
    ControleurDefaire* m_controleurDefaire = nullptr;
    OperateurRelais* m_relais = nullptr;
    bool m_fermerApres = false;   // closing was asked during the run
    PageSelection* m_pageSelection = nullptr;
    PageOptions* m_pageOptions = nullptr;
    PageTraitement* m_pageTraitement = nullptr;
    ControleurDoublons* m_controleurDoublons = nullptr;
    ::PageDoublons* m_pageDoublons = nullptr;
    bool m_centree = false;
    int m_codeSortie = 0;
};
