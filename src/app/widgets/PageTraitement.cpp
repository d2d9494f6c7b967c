#include "app/widgets/PageTraitement.h"

#include "kit/widgets/Apparence.h"
#include "kit/widgets/LabelBouton.h"
#include "app/widgets/PanneauSauvegarde.h"
#include "app/OperateurRelais.h"
#include "annulation/ControleurDefaire.h"
#include "annulation/JournalAnnulation.h"
#include "batch/ControleurSelection.h"
#include "batch/Traitement.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QThread>

namespace {

constexpr int kLargeurPage = 493;
constexpr int kLargeurAction = 110;
constexpr int kHauteurAction = 37;
constexpr int kColonneTraiter = 189;
constexpr int kRangeeActions = 117;
constexpr int kEcartActions = 12;

}   // namespace

PageTraitement::PageTraitement(QWidget* tsGo)
    : QObject(tsGo), m_page(tsGo)
{
    construireActions();
    construireSuivi();
}

PageTraitement::~PageTraitement()
{
    arreter();
}

void PageTraitement::construireActions()
{
    QLabel* label3 = Etiquette(m_page, QStringLiteral("Label3"),
                               QStringLiteral("Faire une sauvegarde avant l'utilisation de ce module.\n\n"
                                              "Les opérations ne seront pas réversibles."));
    label3->setGeometry(2, 45, 488, 53);
    label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label3->setFont(PoliceTahoma(11, true));
    AppliquerCouleur(label3, QPalette::WindowText, kRouge);

    m_btnTraiter = new TLabelBouton(QStringLiteral("btnTraiter"), QStringLiteral("Traiter"), m_page);
    m_btnTraiter->setFixedSize(kLargeurAction, kHauteurAction);
    m_btnTraiter->move(kColonneTraiter, kRangeeActions);
    // Beside "Traiter", on the free part of its row.
    m_btnSimuler = new TLabelBouton(QStringLiteral("btnSimuler"), QStringLiteral("Simuler"), m_page);
    m_btnSimuler->setFixedSize(kLargeurAction, kHauteurAction);
    m_btnSimuler->move(kColonneTraiter + kLargeurAction + kEcartActions, kRangeeActions);

    // The backup that Label3 asks for: on the other side of "Traiter", its indicator above Label21.
    m_sauvegarde = new PanneauSauvegarde(m_page);
    m_sauvegarde->btnSauvegarder()->setFixedSize(kLargeurAction, kHauteurAction);
    m_sauvegarde->btnSauvegarder()->move(kColonneTraiter - kLargeurAction - kEcartActions, kRangeeActions);
    m_sauvegarde->pbSauvegarde()->setGeometry(10, 272, 472, 14);
    m_sauvegarde->lblSauvegarde()->setGeometry(10, 290, 472, 36);
}

void PageTraitement::construireSuivi()
{
    QLabel* label21 = Etiquette(
        m_page, QStringLiteral("Label21"),
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

    m_label5 = Etiquette(m_page, QStringLiteral("Label5"), QStringLiteral("En attente."));
    m_label5->setFont(PoliceTahoma(11));
    AppliquerCouleur(m_label5, QPalette::WindowText, kBleu);
    m_label5->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Up to the "Précédent" button: the status texts are long.
    m_label5->resize(kLargeurPage - 3 * TLabelBouton::kMarge - TLabelBouton::kLargeur, TLabelBouton::kHauteur);
    AncrageBas::ancrer(m_label5, AncrageBas::Gauche, TLabelBouton::kMarge, TLabelBouton::kMarge);

    m_label9 = new TLabelBouton(QStringLiteral("Label9"), QStringLiteral("Précédent"), m_page);
    AncrageBas::ancrer(m_label9, AncrageBas::Droite, TLabelBouton::kMarge, TLabelBouton::kMarge);

    // Between "Traiter" and the disclaimer, shown during a run only.
    m_btnAnnuler = new TLabelBouton(QStringLiteral("btnAnnuler"), QStringLiteral("Annuler"), m_page);
    m_btnAnnuler->setFixedSize(kLargeurAction, kHauteurAction);
    m_btnAnnuler->move(kColonneTraiter, 164);
    m_btnAnnuler->hide();
    connect(m_btnAnnuler, &TLabelBouton::clicked, this, &PageTraitement::btnAnnulerClick);
    // Where "Annuler" stands during a run, and shown only while the last run can be undone.
    m_btnDefaire = new TLabelBouton(QStringLiteral("btnDefaire"), QStringLiteral("Défaire le dernier traitement"), m_page);
    m_btnDefaire->setFixedSize(2 * kLargeurAction + kEcartActions, kHauteurAction);
    m_btnDefaire->move(kColonneTraiter + (kLargeurAction - m_btnDefaire->width()) / 2, 164);
    m_btnDefaire->setEnabled(false);
    m_btnDefaire->hide();
    connect(m_btnDefaire, &TLabelBouton::clicked, this, &PageTraitement::btnDefaireClick);
    m_actDefaire = new QAction(QStringLiteral("Défaire un traitement..."), this);
    m_actDefaire->setObjectName(QStringLiteral("actDefaire"));
    m_actDefaire->setEnabled(false);
    connect(m_actDefaire, &QAction::triggered, this, &PageTraitement::actDefaireTrigger);

    m_lblProgression = Etiquette(m_page, QStringLiteral("lblProgression"), QString());
    m_lblProgression->setGeometry(2, 214, 488, 53);
    m_lblProgression->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_lblProgression->setWordWrap(true);
    m_lblProgression->setFont(PoliceTahoma(11));
    AppliquerCouleur(m_lblProgression, QPalette::WindowText, kBleu);
}

void PageTraitement::installer(Traitement& traitement, ControleurSelection& selection, OperateurRelais& relais,
                               OperatorInterface& operateur)
{
    if (m_traitement)
        return;
    m_traitement = &traitement;
    m_relais = &relais;
    m_sauvegarde->setOperateur(&operateur);
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
    connect(&selection, &ControleurSelection::insertionsCsv, this, [this](qint32 inseres, qint32 total) {
        if (m_btnAnnuler->isEnabled())
            m_lblProgression->setText(
                QStringLiteral("Chargement de la sélection : %1 / %2 numéros insérés").arg(inseres).arg(total));
    });
    connect(m_btnTraiter, &TLabelBouton::clicked, this, &PageTraitement::btnTraiterClick);
    connect(m_btnSimuler, &TLabelBouton::clicked, this, &PageTraitement::btnSimulerClick);
}

void PageTraitement::installerDefaire(ControleurDefaire& defaire)
{
    if (m_defaire || !m_relais)
        return;
    m_defaire = &defaire;
    connect(m_defaire, &ControleurDefaire::progression, this, [this](qint64 faites, qint64 total) {
        if (m_btnAnnuler->isEnabled())
            m_lblProgression->setText(QStringLiteral("Annulation : %1 / %2 ligne(s)").arg(faites).arg(total));
    });
    if (!choisirJournal)
        choisirJournal = [this](const QString& dossier) {
            return QFileDialog::getOpenFileName(m_page->window(), QStringLiteral("Défaire un traitement"), dossier,
                                                QStringLiteral("Journaux d'annulation (*.sql)"));
        };
    montrerDefaire(!m_execution);
}

void PageTraitement::montrerDefaire(bool libre)
{
    libre = libre && m_defaire;
    const bool possible = libre && !m_defaire->dernier().isEmpty();
    m_btnDefaire->setEnabled(possible);
    m_btnDefaire->setVisible(possible);
    m_actDefaire->setEnabled(libre);
}

void PageTraitement::activer(bool actif)
{
    // Every control of the page but "Annuler" and "Défaire"; plain labels keep their colours.
    for (QObject* enfant : m_page->children()) {
        auto* controle = qobject_cast<QWidget*>(enfant);
        if (!controle || controle == m_btnAnnuler || controle == m_btnDefaire
            || controle->metaObject() == &QLabel::staticMetaObject)
            continue;
        controle->setEnabled(actif);
    }
    montrerDefaire(actif);
    m_btnAnnuler->setEnabled(!actif);
    m_btnAnnuler->setVisible(!actif);
    if (!actif)
        m_btnAnnuler->raise();
}

void PageTraitement::btnTraiterClick()
{
    if (m_btnTraiter->isEnabled())
        lancer(false);
}

void PageTraitement::btnSimulerClick()
{
    if (m_btnSimuler->isEnabled())
        lancer(true);
}

void PageTraitement::lancer(bool simulation)
{
    if (!m_traitement || m_execution)
        return;
    m_simulation = simulation;
    m_annulation = false;
    demarrer([this, simulation] {
        const Traitement::Resultat r = simulation ? m_traitement->simuler() : m_traitement->btnTraiterClick();
        m_issue = int(r.issue);
        if (!simulation && m_defaire)
            m_defaire->retenir(r.journalAnnulation, r.lignesAnnulation);
    });
}

void PageTraitement::btnDefaireClick()
{
    if (m_defaire && m_btnDefaire->isEnabled())
        defaire(m_defaire->dernier());
}

void PageTraitement::actDefaireTrigger()
{
    if (!m_defaire || m_execution || !m_actDefaire->isEnabled())
        return;
    const QString chemin = choisirJournal ? choisirJournal(journal_annulation::Dossier()) : QString();
    if (!chemin.isEmpty())
        defaire(chemin);
}

void PageTraitement::defaire(const QString& journal)
{
    if (m_execution || journal.isEmpty() || !m_defaire->confirmer(journal))
        return;
    m_annulation = true;
    m_defaire->commencer();
    demarrer([this, journal] { m_defaire->defaire(journal); });
}

void PageTraitement::demarrer(std::function<void()> travail)
{
    // From here the thread owns the connection and reads the controllers alone: nothing on
    // this thread may touch them until it has ended.
    activer(false);
    Q_EMIT enCoursChange(true);
    m_lblProgression->clear();
    m_relais->setFermeture(false);
    m_execution = QThread::create(std::move(travail));
    m_execution->setObjectName(m_annulation ? QStringLiteral("Annulation") : QStringLiteral("Traitement"));
    connect(m_execution, &QThread::finished, this, &PageTraitement::fin);
    m_execution->start();
}

void PageTraitement::btnAnnulerClick()
{
    if (!m_execution)
        return;
    m_btnAnnuler->setEnabled(false);
    if (m_annulation) {
        m_lblProgression->setText(QStringLiteral("Interruption de l'annulation..."));
        m_defaire->interrompre();
        return;
    }
    m_lblProgression->setText(QStringLiteral("Interruption du traitement..."));
    m_traitement->interrompre();
}

void PageTraitement::interrompreAvantFermeture()
{
    m_relais->setFermeture(true);
    btnAnnulerClick();
}

void PageTraitement::arreter()
{
    if (!m_execution)
        return;
    m_relais->liberer();
    if (m_annulation)
        m_defaire->interrompre();
    else
        m_traitement->interrompre();
    m_execution->wait();
    delete m_execution;
    m_execution = nullptr;
}

void PageTraitement::fin()
{
    if (!m_execution)   // arreter() came first
        return;
    m_execution->wait();
    delete m_execution;
    m_execution = nullptr;
    activer(true);
    m_lblProgression->clear();
    Q_EMIT enCoursChange(false);
}

bool PageTraitement::termine() const
{
    return !m_annulation && Traitement::Issue(m_issue) == Traitement::Issue::Termine && !m_simulation;
}
