#include "batch/widgets/FenetreApercu.h"

#include "annulation/ModeleApercu.h"
#include "config/FichierSortie.h"
#include "kit/widgets/Apparence.h"
#include "kit/widgets/DBGridColor.h"
#include "kit/widgets/LabelBouton.h"
#include "operator/OperatorInterface.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

FenetreApercu::FenetreApercu(std::shared_ptr<const ApercuChangements> apercu, OperatorInterface& operateur,
                             QWidget* parent)
    : QDialog(parent), m_apercu(std::move(apercu)), m_operateur(operateur)
{
    setObjectName(QStringLiteral("frmApercu"));
    setWindowTitle(QStringLiteral("Changements de la simulation"));
    resize(900, 520);
    auto* colonne = new QVBoxLayout(this);

    m_comptes = Etiquette(this, QStringLiteral("lblComptes"),
                          QStringLiteral("%1 ligne(s) de changement. %2")
                              .arg(m_apercu->nombreLignes())
                              .arg(m_apercu->texteComptes()));
    m_comptes->setWordWrap(true);
    AppliquerCouleur(m_comptes, QPalette::WindowText, kBleu);
    colonne->addWidget(m_comptes);

    m_modele = new ModeleApercu(m_apercu, this);
    m_grille = new TDBGridColor(this);
    m_grille->setObjectName(QStringLiteral("DBGridApercu"));
    m_grille->LignesPaires = kBleuLigne;
    m_grille->LignesImpaires = clWindow;
    m_grille->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grille->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grille->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grille->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grille->verticalHeader()->setDefaultSectionSize(18);
    m_grille->setModel(m_modele);
    // No sort at opening: the lines come in run order.
    m_grille->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_grille->setSortingEnabled(true);
    m_grille->resizeColumnsToContents();
    colonne->addWidget(m_grille, 1);

    auto* bande = new QHBoxLayout;
    bande->addStretch(1);
    m_btnExporter = new TLabelBouton(QStringLiteral("btnExporter"), QStringLiteral("Exporter"), this);
    bande->addWidget(m_btnExporter);
    colonne->addLayout(bande);
    connect(m_btnExporter, &TLabelBouton::clicked, this, &FenetreApercu::exporter);

    choisirFichier = [this] {
        const QString propose = QDir::home().filePath(
            QStringLiteral("Apercu_%1.csv").arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
        return QFileDialog::getSaveFileName(this, QStringLiteral("Exporter les changements"), propose,
                                            QStringLiteral("Fichier CSV (*.csv)"));
    };
}

void FenetreApercu::exporter()
{
    const QString fichier = choisirFichier ? choisirFichier() : QString();
    if (fichier.isEmpty())
        return;
    const QString chemin = QDir::toNativeSeparators(fichier);
    FichierSortie sortie(fichier);
    if (!sortie.ouvrir()) {
        m_operateur.erreur(QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2.\n%3")
                               .arg(chemin, sortie.cause(), sortie.conseil()));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString cause;
    const bool ecrit = m_apercu->exporter(sortie, cause);
    QApplication::restoreOverrideCursor();
    if (!ecrit)
        m_operateur.erreur(QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2.\nVérifiez la place libre et "
                                          "les droits sur ce dossier, puis exportez de nouveau.")
                               .arg(chemin, cause));
    else
        m_operateur.information(
            QStringLiteral("%1 ligne(s) de changement exportée(s) dans « %2 ».").arg(m_apercu->nombreLignes()).arg(chemin));
}

void ProposerApercu(QMessageBox& boite, std::shared_ptr<const ApercuChangements> apercu, OperatorInterface& operateur)
{
    if (!apercu)
        return;
    QPushButton* voir = boite.addButton(QStringLiteral("Voir les changements"), QMessageBox::ActionRole);
    voir->setObjectName(QStringLiteral("btnVoirChangements"));
    QWidget* fenetre = boite.parentWidget();
    QObject::connect(voir, &QPushButton::clicked, fenetre ? fenetre : voir, [apercu, fenetre, &operateur] {
        auto* f = new FenetreApercu(apercu, operateur, fenetre);
        f->setAttribute(Qt::WA_DeleteOnClose);
        f->show();
    });
}
