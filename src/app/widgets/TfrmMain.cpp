#include "app/widgets/TfrmMain.h"

#include "kit/widgets/Apparence.h"
#include "kit/widgets/LabelBouton.h"
#include "app/widgets/ActionsLot.h"
#include "app/widgets/Version.h"
#include "app/OperateurRelais.h"
#include "operator/OperatorInterface.h"
#include "annulation/ControleurDefaire.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/Traitement.h"
#include "batch/widgets/PageOptions.h"
#include "batch/widgets/PageSelection.h"
#include "db/Session.h"
#include "overlap/ControleurDoublons.h"
#include "config/ConfigPrg.h"
#include "config/FichierConfig.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kLargeur = 518;
constexpr int kHauteur = 696;
constexpr int kHauteurEntete = 42;
constexpr int kHauteurPied = 30;
constexpr int kMarge = TLabelBouton::kMarge;

}   // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : TFormZelto(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    // A tool window is not counted by quitOnLastWindowClosed: closing it quits explicitly.
    setWindowFlags(Qt::Tool);
    setFixedSize(kLargeur, kHauteur);
    setFont(PoliceTahoma(11));
    setAutoFillBackground(true);

    construireCadre();
    construirePages();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setSingleShot(true);
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);

    FormCreate();
    m_timer1->start();
    centrerSurEcran();
}

TfrmMain::~TfrmMain()
{
    // Before the controllers and the relay that the run's thread uses go.
    m_pageTraitement->arreter();
}

void TfrmMain::construireCadre()
{
    m_pnlFenetreEntete = Etiquette(this, QStringLiteral("pnlFenetreEntete"), QStringLiteral(" Module spécial"));
    m_pnlFenetreEntete->setGeometry(0, 0, kLargeur, kHauteurEntete);
    m_pnlFenetreEntete->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pnlFenetreEntete->setFont(PoliceCalibri(19, true));
    m_pnlFenetreEntete->setAutoFillBackground(true);
    // Design colours; FormCreate gives the bands their run-time colours.
    AppliquerCouleur(m_pnlFenetreEntete, QPalette::Window, kBleuBouton);
    AppliquerCouleur(m_pnlFenetreEntete, QPalette::WindowText, kBlanc);

    m_pnlFenetrePied = new QWidget(this);
    m_pnlFenetrePied->setObjectName(QStringLiteral("pnlFenetrePied"));
    m_pnlFenetrePied->setGeometry(0, kHauteur - kHauteurPied, kLargeur, kHauteurPied);
    m_pnlFenetrePied->setAutoFillBackground(true);
    AppliquerCouleur(m_pnlFenetrePied, QPalette::Window, kBleuBouton);
    AppliquerCouleur(m_pnlFenetrePied, QPalette::WindowText, kBlanc);

    m_btnOK = TLabelBouton::transparent(QStringLiteral("btnOK"), QStringLiteral("Quitter"), 16, m_pnlFenetrePied);
    m_btnOK->setGeometry(kLargeur - 3 - 100, 3, 100, kHauteurPied - 6);
    connect(m_btnOK, &TLabelBouton::clicked, this, &TfrmMain::btnOKClick);

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->setFrameShape(QFrame::NoFrame);
    m_pages->setGeometry(8, 48, 493, 608);
}

TLabelBouton* TfrmMain::boutonNavigation(QWidget* page, const QString& nom, const QString& texte, int rang)
{
    // rang 0 is the button at the bottom-right corner, rang 1 the one to its left.
    auto* bouton = new TLabelBouton(nom, texte, page);
    AncrageBas::ancrer(bouton, AncrageBas::Droite, kMarge + rang * (TLabelBouton::kLargeur + kMarge), kMarge);
    return bouton;
}

void TfrmMain::construirePages()
{
    const auto page = [this](const QString& nom) {
        auto* p = new QWidget(m_pages);
        p->setObjectName(nom);
        m_pages->addWidget(p);
        return p;
    };
    m_tsLoadData = page(QStringLiteral("tsLoadData"));
    m_tsOption = page(QStringLiteral("tsOption"));
    m_tsGo = page(QStringLiteral("tsGo"));
    m_tsDoublons = page(QStringLiteral("tsDoublons"));

    connect(boutonNavigation(m_tsLoadData, QStringLiteral("Label6"), QStringLiteral("Suivant"), 0),
            &TLabelBouton::clicked, this, &TfrmMain::Label6Click);
    m_btnDoublons = new TLabelBouton(QStringLiteral("btnDoublons"), QStringLiteral("Doublons"), m_tsLoadData);
    AncrageBas::ancrer(m_btnDoublons, AncrageBas::Gauche, kMarge, kMarge);
    connect(m_btnDoublons, &TLabelBouton::clicked, this, &TfrmMain::btnDoublonsClick);

    connect(boutonNavigation(m_tsOption, QStringLiteral("Label7"), QStringLiteral("Suivant"), 0),
            &TLabelBouton::clicked, this, &TfrmMain::Label6Click);
    connect(boutonNavigation(m_tsOption, QStringLiteral("Label8"), QStringLiteral("Précédent"), 1),
            &TLabelBouton::clicked, this, &TfrmMain::Label8Click);
    // The bottom-left corner of the page area is free on this page only (the selection page
    // has "Doublons" there, the run page its status text, the overlap page its grid band).
    m_lblVersion = Etiquette(m_tsOption, QStringLiteral("lblVersion"), QString());
    m_lblVersion->setFont(PoliceTahoma(11));
    AppliquerCouleur(m_lblVersion, QPalette::WindowText, kBleu);
    m_lblVersion->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lblVersion->resize(200, TLabelBouton::kHauteur);
    AncrageBas::ancrer(m_lblVersion, AncrageBas::Gauche, kMarge, kMarge);

    m_pageTraitement = new PageTraitement(m_tsGo);
    connect(m_pageTraitement->Label9(), &TLabelBouton::clicked, this, &TfrmMain::Label8Click);
    connect(m_pageTraitement, &PageTraitement::enCoursChange, this, &TfrmMain::suivreTraitement);
    m_pageDoublons = new ::PageDoublons(m_tsDoublons);
    connect(m_pageDoublons->Label14(), &TLabelBouton::clicked, this, &TfrmMain::Label8Click);
}

void TfrmMain::FormCreate()
{
    setWindowTitle(QStringLiteral("Module spécial"));
    // The selection page empties its count label when it is built.
    activerPage(PageLoadData);
    DemarrerModule();
    m_lblVersion->setText(LireVersion());
    // The option panels take the window colour and the option editors their start values
    // when the options page is built.
    ConfigPrg.CouleurEntete = kBleuClair;
    ConfigPrg.CouleurTexteEntete = kNoir;
    ConfigPrg.CouleurFond = kGrisFond;
    appliquerCouleurs();
}

void TfrmMain::appliquerCouleurs()
{
    AppliquerCouleur(this, QPalette::Window, ConfigPrg.CouleurFond);
    for (QWidget* bande : {static_cast<QWidget*>(m_pnlFenetreEntete), m_pnlFenetrePied}) {
        AppliquerCouleur(bande, QPalette::Window, ConfigPrg.CouleurEntete);
        AppliquerCouleur(bande, QPalette::WindowText, ConfigPrg.CouleurTexteEntete);
    }
}

void TfrmMain::centrerSurEcran()
{
    // No window manager may be there to place us (Xvfb): centre ourselves, keeping the
    // caption on the screen when the screen is smaller than the window.
    const QScreen* ecran = QGuiApplication::primaryScreen();
    if (!ecran)
        return;
    const QRect zone = ecran->geometry();
    QRect cadre(QPoint(0, 0), frameGeometry().size());
    cadre.moveCenter(zone.center());
    move(std::max(cadre.left(), zone.left()), std::max(cadre.top(), zone.top()));
}

int TfrmMain::pageActive() const
{
    return m_pages->currentIndex();
}

void TfrmMain::activerPage(int index)
{
    if (index >= 0 && index < m_pages->count())
        m_pages->setCurrentIndex(index);
}

void TfrmMain::Timer1Timer()
{
    m_timer1->stop();
    if (surConnexion)
        surConnexion();
    // Once connected with a valid centre, the selection page takes its start state, once.
    if (m_controleurSelection && m_session && m_session->dbZelto.isOpen() && m_session->centre >= 1000) {
        try {
            m_controleurSelection->etatDemarrage();
        } catch (const DbError& e) {
            m_operateur->erreur(e.texte());
        }
    }
}

void TfrmMain::Label6Click()
{
    activerPage(pageActive() + 1);
}

void TfrmMain::Label8Click()
{
    activerPage(pageActive() - 1);
}

void TfrmMain::btnDoublonsClick()
{
    activerPage(PageDoublons);
}

void TfrmMain::btnTraiterClick()
{
    m_pageTraitement->btnTraiterClick();
}

void TfrmMain::btnSimulerClick()
{
    m_pageTraitement->btnSimulerClick();
}

void TfrmMain::btnAnnulerClick()
{
    m_pageTraitement->btnAnnulerClick();
}

void TfrmMain::suivreTraitement(bool enCours)
{
    // The other pages and "Quitter" wait for the run (the close box stays, and asks first).
    for (QWidget* page : {m_tsLoadData, m_tsOption, m_tsDoublons})
        page->setEnabled(!enCours);
    m_btnOK->setEnabled(!enCours);
    if (enCours) {
        m_fermerApres = false;
        // An undo started from the menu shows its progress where a run does.
        activerPage(PageGo);
        return;
    }
    if (m_fermerApres) {
        close();
        return;
    }
    // A simulation leaves the run page where it is: it changed nothing.
    if (m_pageTraitement->termine())
        activerPage(PageOption);
    Q_EMIT traitementTermine();
}

void TfrmMain::btnOKClick()
{
    close();
}

void TfrmMain::showEvent(QShowEvent* evenement)
{
    TFormZelto::showEvent(evenement);
    // Once shown, the frame is known: centre the whole window, caption included.
    if (!m_centree) {
        m_centree = true;
        centrerSurEcran();
    }
}

void TfrmMain::installerPagesLot(Session& session, OperatorInterface& operateur)
{
    if (m_controleurSelection)
        return;
    m_session = &session;
    m_operateur = &operateur;
    m_controleurOptions = new ControleurOptions(session, operateur, this);
    // The selection is loaded by the run's thread: its boxes come through the relay too.
    m_relais = new OperateurRelais(operateur, this);
    m_controleurSelection = new ControleurSelection(session, *m_controleurOptions, *m_relais, this);
    m_pageSelection = new PageSelection(m_tsLoadData, *m_controleurSelection, operateur);
    m_pageOptions = new PageOptions(m_tsOption, *m_controleurOptions);
    auto* lot = new ActionsLot(*this, m_pnlFenetreEntete, session, *m_controleurSelection, *m_controleurOptions, operateur);
    m_traitement = new Traitement(session, *m_controleurOptions, *m_controleurSelection, *m_relais, this);
    m_pageTraitement->installer(*m_traitement, *m_controleurSelection, *m_relais, operateur);
    // The undo works on the run's thread: it speaks through the relay too.
    m_controleurDefaire = new ControleurDefaire(session, *m_relais, this);
    m_pageTraitement->installerDefaire(*m_controleurDefaire);
    // Beside the jobs: the header's one menu, reachable from every page.
    lot->mnuLot()->addSeparator();
    lot->mnuLot()->addAction(m_pageTraitement->actDefaire());
    // The label buttons stay above the page contents.
    for (QWidget* page : {m_tsLoadData, m_tsOption})
        for (QObject* enfant : page->children())
            if (auto* bouton = qobject_cast<TLabelBouton*>(enfant))
                bouton->raise();
    m_lblVersion->raise();
}

void TfrmMain::installerPageDoublons(Session& session, OperatorInterface& operateur)
{
    if (m_controleurDoublons)
        return;
    m_controleurDoublons = new ControleurDoublons(session, operateur, this);
    m_pageDoublons->installer(*m_controleurDoublons);
}

void TfrmMain::terminer(int codeSortie)
{
    m_codeSortie = codeSortie;
    close();
}

void TfrmMain::closeEvent(QCloseEvent* evenement)
{
    if (m_pageTraitement->enCours()) {
        // The run owns the connection: it is interrupted and the window closes once it ends.
        evenement->ignore();
        if (m_fermerApres
            || !m_operateur->question(QStringLiteral("Un traitement est en cours.\r\n"
                                                     "L'interrompre et quitter le programme ?")))
            return;
        if (!m_pageTraitement->enCours()) {   // it ended while the question was asked
            close();
            return;
        }
        m_fermerApres = true;
        m_pageTraitement->interrompreAvantFermeture();
        return;
    }
    evenement->accept();
    m_timer1->stop();
    QCoreApplication::exit(m_codeSortie);
}
