#include "overlap/widgets/PageDoublons.h"

#include "kit/widgets/Apparence.h"
#include "kit/widgets/DBGridColor.h"
#include "kit/widgets/LabelBouton.h"
#include "overlap/ControleurDoublons.h"
#include "overlap/ModeleEcheances.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kHauteurTitre = 24;
constexpr int kHauteurBande = 33;

// The server works while the window waits: say so with the cursor.
struct CurseurAttente
{
    CurseurAttente() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurAttente() { QApplication::restoreOverrideCursor(); }
};

} // namespace

PageDoublons::PageDoublons(QWidget* tsDoublons)
    : QObject(tsDoublons), m_page(tsDoublons)
{
    m_page->setWindowTitle(QStringLiteral("Doublons"));
    auto* colonne = new QVBoxLayout(m_page);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(0);

    m_label13 = Etiquette(m_page, QStringLiteral("Label13"), QStringLiteral("Echéances dont les dates se chevauchent"));
    m_label13->setFixedHeight(kHauteurTitre);
    m_label13->setContentsMargins(4, 0, 4, 0);
    m_label13->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    AppliquerCouleur(m_label13, QPalette::WindowText, kBleu);
    colonne->addWidget(m_label13);

    construireGrille();
    colonne->addWidget(m_grille, 1);

    m_bande = new QWidget(m_page);
    m_bande->setObjectName(QStringLiteral("pnlDoublonsPied"));
    m_bande->setFixedHeight(kHauteurBande);
    colonne->addWidget(m_bande);
    m_label14 = new TLabelBouton(QStringLiteral("Label14"), QStringLiteral("Précédent"), m_bande);
    AncrageBas::ancrer(m_label14, AncrageBas::Droite, TLabelBouton::kMarge,
                       (kHauteurBande - TLabelBouton::kHauteur) / 2);

    choisirFichier = [this] { return dialogueFichier(); };
}

void PageDoublons::construireGrille()
{
    m_grille = new TDBGridColor(m_page);
    m_grille->setObjectName(QStringLiteral("DBGridColor1"));
    m_grille->LignesBicolores = true;
    m_grille->LignesPaires = kBleuLigne;
    m_grille->LignesImpaires = clWindow;
    m_grille->CouleurSelection = kVertSelection;
    m_grille->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grille->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grille->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grille->setTabKeyNavigation(true);
    m_grille->setShowGrid(true);
    m_grille->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grille->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grille->verticalHeader()->setMinimumSectionSize(16);
    m_grille->verticalHeader()->setDefaultSectionSize(18);
}

void PageDoublons::installer(ControleurDoublons& controleur)
{
    if (m_controleur)
        return;
    m_controleur = &controleur;
    m_grille->setModel(&m_controleur->idsEcheances());
    QHeaderView* titres = m_grille->horizontalHeader();
    titres->setSectionsClickable(true);
    titres->setSortIndicatorShown(false);
    connect(titres, &QHeaderView::sectionClicked, this, [this](int colonne) {
        CurseurAttente attente;
        m_controleur->trier(colonne);
    });
    connect(m_controleur, &ControleurDoublons::triChange, this, &PageDoublons::appliquerTri);
    connect(&m_controleur->idsEcheances(), &QAbstractItemModel::modelReset, this, &PageDoublons::appliquerTri);
    connect(m_controleur, &ControleurDoublons::label13Change, m_label13, &QLabel::setText);
    m_label13->setText(m_controleur->label13());

    // Left of "Précédent" on the page's bottom band.
    m_btnExporter = new TLabelBouton(QStringLiteral("btnExporter"), QStringLiteral("Exporter"), m_bande);
    AncrageBas::ancrer(m_btnExporter, AncrageBas::Droite, 2 * TLabelBouton::kMarge + TLabelBouton::kLargeur,
                       (m_bande->height() - m_btnExporter->height()) / 2);
    connect(m_btnExporter, &TLabelBouton::clicked, this, [this] {
        const QString fichier = choisirFichier ? choisirFichier() : QString();
        if (fichier.isEmpty())
            return;
        CurseurAttente attente;
        m_controleur->exporter(fichier);
    });

    m_page->installEventFilter(this);
}

QString PageDoublons::dialogueFichier()
{
    const QString propose = QDir::home().filePath(
        QStringLiteral("Doublons_%1.csv").arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    return QFileDialog::getSaveFileName(m_page, QStringLiteral("Exporter les échéances"), propose,
                                        QStringLiteral("Fichier CSV (*.csv)"));
}

bool PageDoublons::eventFilter(QObject* objet, QEvent* evenement)
{
    // Spontaneous events (the window minimised and restored) neither enter nor leave the page.
    if (objet == m_page && !evenement->spontaneous()) {
        if (evenement->type() == QEvent::Show) {
            CurseurAttente attente;
            m_controleur->entrer();
            // Widths for what the first rows hold; the operator may change them.
            m_grille->resizeColumnsToContents();
        } else if (evenement->type() == QEvent::Hide) {
            m_controleur->quitter();
        }
    }
    return QObject::eventFilter(objet, evenement);
}

void PageDoublons::appliquerTri()
{
    QHeaderView* titres = m_grille->horizontalHeader();
    const int colonne = m_controleur->colonneTri();
    titres->setSortIndicatorShown(colonne >= 0);
    if (colonne >= 0)
        titres->setSortIndicator(colonne, m_controleur->ordreTri());
}
