#include "app/widgets/TfrmMain.h"

#include "kit/widgets/Apparence.h"
#include "kit/widgets/DBGridColor.h"
#include "kit/widgets/LabelBouton.h"
#include "app/widgets/ActionsLot.h"
#include "app/widgets/PanneauSauvegarde.h"
#include "app/widgets/Version.h"
#include "app/OperateurRelais.h"
#include "operator/OperatorInterface.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/Traitement.h"
#include "batch/widgets/PageOptions.h"
#include "batch/widgets/PageSelection.h"
#include "db/Session.h"
#include "overlap/ControleurDoublons.h"
#include "overlap/widgets/PageDoublons.h"
#include "config/ConfigPrg.h"
#include "config/FichierConfig.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStackedWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kLargeur = 518;
constexpr int kHauteur = 696;
constexpr int kHauteurEntete = 42;
constexpr int kHauteurPied = 30;
constexpr int kMarge = 8;   // label buttons from the page edges

QLabel* etiquette(QWidget* parent, const QString& nom, const QString& texte)
{
    auto* label = new QLabel(texte, parent);
    label->setObjectName(nom);
    label->setTextFormat(Qt::PlainText);
    return label;
}

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
    // Nobody answers the run any more: it stops at its next step and ends without a box.
    if (m_execution) {
        m_relais->liberer();
        m_traitement->interrompre();
        m_execution->wait();
        delete m_execution;
        m_execution = nullptr;
    }
}

void TfrmMain::construireCadre()
{
    m_pnlFenetreEntete = etiquette(this, QStringLiteral("pnlFenetreEntete"), QStringLiteral(" Module spécial"));
    m_pnlFenetreEntete->setGeometry(0, 0, kLargeur, kHauteurEntete);
    m_pnlFenetreEntete->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pnlFenetreEntete->setFont(PoliceCalibri(19, true));
    m_pnlFenetreEntete->setAutoFillBackground(true);
    // Design colours; the start-up sequence replaces them.
    AppliquerCouleur(m_pnlFenetreEntete, QPalette::Window, kBleuBouton);
    AppliquerCouleur(m_pnlFenetreEntete, QPalette::WindowText, 0x00FFFFFF);

    m_pnlFenetrePied = new QWidget(this);
    m_pnlFenetrePied->setObjectName(QStringLiteral("pnlFenetrePied"));
    m_pnlFenetrePied->setGeometry(0, kHauteur - kHauteurPied, kLargeur, kHauteurPied);
    m_pnlFenetrePied->setAutoFillBackground(true);
    AppliquerCouleur(m_pnlFenetrePied, QPalette::Window, kBleuBouton);
    AppliquerCouleur(m_pnlFenetrePied, QPalette::WindowText, 0x00FFFFFF);

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
    AncrageBas::ancrer(bouton, AncrageBas::Droite, kMarge + rang * (88 + kMarge), kMarge);
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
    m_tsDoublons->setWindowTitle(QStringLiteral("Doublons"));

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
    m_lblVersion = etiquette(m_tsOption, QStringLiteral("lblVersion"), QString());
    m_lblVersion->setFont(PoliceTahoma(11));
    AppliquerCouleur(m_lblVersion, QPalette::WindowText, kBleu);
    m_lblVersion->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lblVersion->resize(200, 26);
    AncrageBas::ancrer(m_lblVersion, AncrageBas::Gauche, kMarge, kMarge);

    construireRun();
    construireDoublons();
}

void TfrmMain::construireRun()
{
    QLabel* label3 = etiquette(m_tsGo, QStringLiteral("Label3"),
                               QStringLiteral("Faire une sauvegarde avant l'utilisation de ce module.\n\n"
                                              "Les opérations ne seront pas réversibles."));
    label3->setGeometry(2, 45, 488, 53);
    label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label3->setFont(PoliceTahoma(11, true));
    AppliquerCouleur(label3, QPalette::WindowText, kRouge);

    m_btnTraiter = new TLabelBouton(QStringLiteral("btnTraiter"), QStringLiteral("Traiter"), m_tsGo);
    m_btnTraiter->setFixedSize(110, 37);
    m_btnTraiter->move(189, 117);
    // Beside "Traiter", on the free part of its row.
    m_btnSimuler = new TLabelBouton(QStringLiteral("btnSimuler"), QStringLiteral("Simuler"), m_tsGo);
    m_btnSimuler->setFixedSize(110, 37);
    m_btnSimuler->move(189 + 110 + 12, 117);

    // The backup that Label3 asks for: on the other side of "Traiter", its indicator above Label21.
    m_sauvegarde = new PanneauSauvegarde(m_tsGo);
    m_sauvegarde->btnSauvegarder()->setFixedSize(110, 37);
    m_sauvegarde->btnSauvegarder()->move(189 - 110 - 12, 117);
    m_sauvegarde->pbSauvegarde()->setGeometry(10, 272, 472, 14);
    m_sauvegarde->lblSauvegarde()->setGeometry(10, 290, 472, 36);

    QLabel* label21 = etiquette(
        m_tsGo, QStringLiteral("Label21"),
        QStringLiteral("La société Zelto System ne saurait être tenue responsable de soucis résultant de "
                       "l'utilisation de ce module. A n'utiliser que par une personne habilitée et en toute "
                       "connaissance des tenants et aboutissants.\nVous pouvez contacter le service technique "
                       "en cas de question quand à son utilisation."));
    label21->setGeometry(4, 333, 488, 53);
    label21->setContentsMargins(8, 0, 8, 0);
    label21->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label21->setWordWrap(true);
    label21->setFont(PoliceTahoma(11));
    AppliquerCouleur(label21, QPalette::WindowText, kRouge);

    m_label5 = etiquette(m_tsGo, QStringLiteral("Label5"), QStringLiteral("En attente."));
    m_label5->setFont(PoliceTahoma(11));
    AppliquerCouleur(m_label5, QPalette::WindowText, kBleu);
    m_label5->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Up to the "Précédent" button: the status texts are long.
    m_label5->resize(493 - 2 * kMarge - 88 - kMarge, 26);
    AncrageBas::ancrer(m_label5, AncrageBas::Gauche, kMarge, kMarge);

    connect(boutonNavigation(m_tsGo, QStringLiteral("Label9"), QStringLiteral("Précédent"), 0),
            &TLabelBouton::clicked, this, &TfrmMain::Label8Click);
    construireProgression();
}

void TfrmMain::construireProgression()
{
    // Between "Traiter" and the disclaimer, shown during a run only.
    m_btnAnnuler = new TLabelBouton(QStringLiteral("btnAnnuler"), QStringLiteral("Annuler"), m_tsGo);
    m_btnAnnuler->setFixedSize(110, 37);
    m_btnAnnuler->move(189, 164);
    m_btnAnnuler->hide();
    connect(m_btnAnnuler, &TLabelBouton::clicked, this, &TfrmMain::btnAnnulerClick);

    m_lblProgression = etiquette(m_tsGo, QStringLiteral("lblProgression"), QString());
    m_lblProgression->setGeometry(2, 214, 488, 53);
    m_lblProgression->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_lblProgression->setWordWrap(true);
    m_lblProgression->setFont(PoliceTahoma(11));
    AppliquerCouleur(m_lblProgression, QPalette::WindowText, kBleu);
}

void TfrmMain::activerPendantTraitement(bool actif)
{
    // Every control but "Annuler": the pages, the navigation and "Quitter" (the close box
    // stays, and asks first). Plain labels keep their colours.
    for (QWidget* page : {m_tsLoadData, m_tsOption, m_tsDoublons})
        page->setEnabled(actif);
    m_btnOK->setEnabled(actif);
    for (QObject* enfant : m_tsGo->children()) {
        auto* controle = qobject_cast<QWidget*>(enfant);
        if (!controle || controle == m_btnAnnuler || controle->metaObject() == &QLabel::staticMetaObject)
            continue;
        controle->setEnabled(actif);
    }
    m_btnAnnuler->setEnabled(!actif);
    m_btnAnnuler->setVisible(!actif);
    if (!actif)
        m_btnAnnuler->raise();
}

void TfrmMain::construireDoublons()
{
    auto* colonne = new QVBoxLayout(m_tsDoublons);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(0);

    m_label13 = etiquette(m_tsDoublons, QStringLiteral("Label13"),
                          QStringLiteral("Echéances dont les dates se chevauchent"));
    m_label13->setFixedHeight(24);
    m_label13->setContentsMargins(4, 0, 4, 0);
    m_label13->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    AppliquerCouleur(m_label13, QPalette::WindowText, kBleu);
    colonne->addWidget(m_label13);

    m_dbGridColor1 = new TDBGridColor(m_tsDoublons);
    m_dbGridColor1->setObjectName(QStringLiteral("DBGridColor1"));
    m_dbGridColor1->LignesBicolores = true;
    m_dbGridColor1->LignesPaires = 16117203;   // RGB(211,237,245)
    m_dbGridColor1->LignesImpaires = clWindow;
    m_dbGridColor1->CouleurSelection = 4227072;
    m_dbGridColor1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_dbGridColor1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_dbGridColor1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_dbGridColor1->setTabKeyNavigation(true);
    m_dbGridColor1->setShowGrid(true);
    m_dbGridColor1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_dbGridColor1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_dbGridColor1->verticalHeader()->setMinimumSectionSize(16);
    m_dbGridColor1->verticalHeader()->setDefaultSectionSize(18);
    colonne->addWidget(m_dbGridColor1, 1);

    auto* bande = new QWidget(m_tsDoublons);
    bande->setObjectName(QStringLiteral("pnlDoublonsPied"));
    bande->setFixedHeight(33);
    colonne->addWidget(bande);
    auto* label14 = new TLabelBouton(QStringLiteral("Label14"), QStringLiteral("Précédent"), bande);
    AncrageBas::ancrer(label14, AncrageBas::Droite, kMarge, (33 - 26) / 2);
    connect(label14, &TLabelBouton::clicked, this, &TfrmMain::Label8Click);
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
    ConfigPrg.CouleurEntete = 16767935;   // RGB(191,219,255)
    ConfigPrg.CouleurTexteEntete = 0;
    ConfigPrg.CouleurFond = 15987699;     // RGB(243,243,243)
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
    if (m_btnTraiter->isEnabled())
        lancerTraitement(false);
}

void TfrmMain::btnSimulerClick()
{
    if (m_btnSimuler->isEnabled())
        lancerTraitement(true);
}

void TfrmMain::lancerTraitement(bool simulation)
{
    if (!m_traitement || m_execution)
        return;
    // From here the run's thread owns the connection and reads the controllers alone: nothing
    // on this thread may touch them until it has ended.
    activerPendantTraitement(false);
    m_lblProgression->clear();
    m_fermerApres = false;
    m_relais->setFermeture(false);
    m_simulation = simulation;
    m_execution = QThread::create([this, simulation] {
        m_issue = int((simulation ? m_traitement->simuler() : m_traitement->btnTraiterClick()).issue);
    });
    m_execution->setObjectName(QStringLiteral("Traitement"));
    connect(m_execution, &QThread::finished, this, &TfrmMain::finTraitement);
    m_execution->start();
}

void TfrmMain::btnAnnulerClick()
{
    if (!m_execution)
        return;
    m_btnAnnuler->setEnabled(false);
    m_lblProgression->setText(QStringLiteral("Interruption du traitement..."));
    m_traitement->interrompre();
}

void TfrmMain::finTraitement()
{
    m_execution->wait();
    delete m_execution;
    m_execution = nullptr;
    activerPendantTraitement(true);
    m_lblProgression->clear();
    if (m_fermerApres) {
        close();
        return;
    }
    // A simulation leaves the run page where it is: it changed nothing.
    if (Traitement::Issue(m_issue) == Traitement::Issue::Termine && !m_simulation)
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
    m_sauvegarde->setOperateur(&operateur);
    m_controleurOptions = new ControleurOptions(session, operateur, this);
    // The selection is loaded by the run's thread: its boxes come through the relay too.
    m_relais = new OperateurRelais(operateur, this);
    m_controleurSelection = new ControleurSelection(session, *m_controleurOptions, *m_relais, this);
    m_pageSelection = new PageSelection(m_tsLoadData, *m_controleurSelection, operateur);
    m_pageOptions = new PageOptions(m_tsOption, *m_controleurOptions);
    new ActionsLot(*this, m_pnlFenetreEntete, session, *m_controleurSelection, *m_controleurOptions, operateur);
    m_traitement = new Traitement(session, *m_controleurOptions, *m_controleurSelection, *m_relais, this);
    // The run disables "Traiter" with every other control and enables it when it has ended.
    connect(m_traitement, &Traitement::traiterActifChange, this, [this](bool actif) {
        if (!m_execution) {
            m_btnTraiter->setEnabled(actif);
            m_btnSimuler->setEnabled(actif);
            m_sauvegarde->btnSauvegarder()->setEnabled(actif);
        }
    });
    connect(m_traitement, &Traitement::progression, this, [this](int rang, int nombre, const QString& operation) {
        if (m_btnAnnuler->isEnabled())
            m_lblProgression->setText(QStringLiteral("Opération %1 / %2 : %3").arg(rang).arg(nombre).arg(operation));
    });
    connect(m_controleurSelection, &ControleurSelection::insertionsCsv, this, [this](qint32 inseres, qint32 total) {
        if (m_btnAnnuler->isEnabled())
            m_lblProgression->setText(
                QStringLiteral("Chargement de la sélection : %1 / %2 numéros insérés").arg(inseres).arg(total));
    });
    connect(m_btnTraiter, &TLabelBouton::clicked, this, &TfrmMain::btnTraiterClick);
    connect(m_btnSimuler, &TLabelBouton::clicked, this, &TfrmMain::btnSimulerClick);
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
    m_pageDoublons = new ::PageDoublons(m_tsDoublons, *m_controleurDoublons);
}

void TfrmMain::terminer(int codeSortie)
{
    m_codeSortie = codeSortie;
    close();
}

void TfrmMain::closeEvent(QCloseEvent* evenement)
{
    if (m_execution) {
        // The run owns the connection: it is interrupted and the window closes once it ends.
        evenement->ignore();
        if (m_fermerApres
            || !m_operateur->question(QStringLiteral("Un traitement est en cours.\r\n"
                                                     "L'interrompre et quitter le programme ?")))
            return;
        if (!m_execution) {   // it ended while the question was asked
            close();
            return;
        }
        m_fermerApres = true;
        m_relais->setFermeture(true);
        btnAnnulerClick();
        return;
    }
    evenement->accept();
    m_timer1->stop();
    QCoreApplication::exit(m_codeSortie);
}
