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

namespace {

template <typename T>
T* enfant(QWidget* page, const char* nom)
{
    T* w = page->findChild<T*>(QLatin1String(nom));
    if (!w)
        qFatal("tsDoublons has no %s", nom);
    return w;
}

// The server works while the window waits: say so with the cursor.
struct CurseurAttente
{
    CurseurAttente() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurAttente() { QApplication::restoreOverrideCursor(); }
};

} // namespace

PageDoublons::PageDoublons(QWidget* tsDoublons, ControleurDoublons& controleur)
    : QObject(tsDoublons), m_page(tsDoublons), m_controleur(controleur)
{
    m_label13 = enfant<QLabel>(m_page, "Label13");
    m_grille = enfant<TDBGridColor>(m_page, "DBGridColor1");
    QWidget* bande = enfant<QWidget>(m_page, "pnlDoublonsPied");

    m_grille->setModel(&m_controleur.idsEcheances());
    QHeaderView* titres = m_grille->horizontalHeader();
    titres->setSectionsClickable(true);
    titres->setSortIndicatorShown(false);
    connect(titres, &QHeaderView::sectionClicked, this, [this](int colonne) {
        CurseurAttente attente;
        m_controleur.trier(colonne);
    });
    connect(&m_controleur, &ControleurDoublons::triChange, this, &PageDoublons::appliquerTri);
    connect(&m_controleur.idsEcheances(), &QAbstractItemModel::modelReset, this, &PageDoublons::appliquerTri);
    connect(&m_controleur, &ControleurDoublons::label13Change, m_label13, &QLabel::setText);
    m_label13->setText(m_controleur.label13());

    // Left of "Précédent" on the page's bottom band.
    m_btnExporter = new TLabelBouton(QStringLiteral("btnExporter"), QStringLiteral("Exporter"), bande);
    AncrageBas::ancrer(m_btnExporter, AncrageBas::Droite, 8 + 88 + 8, (bande->height() - m_btnExporter->height()) / 2);
    choisirFichier = [this] { return dialogueFichier(); };
    connect(m_btnExporter, &TLabelBouton::clicked, this, [this] {
        const QString fichier = choisirFichier ? choisirFichier() : QString();
        if (fichier.isEmpty())
            return;
        CurseurAttente attente;
        m_controleur.exporter(fichier);
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
            m_controleur.entrer();
            // Widths for what the first rows hold; the operator may change them.
            m_grille->resizeColumnsToContents();
        } else if (evenement->type() == QEvent::Hide) {
            m_controleur.quitter();
        }
    }
    return QObject::eventFilter(objet, evenement);
}

void PageDoublons::appliquerTri()
{
    QHeaderView* titres = m_grille->horizontalHeader();
    const int colonne = m_controleur.colonneTri();
    titres->setSortIndicatorShown(colonne >= 0);
    if (colonne >= 0)
        titres->setSortIndicator(colonne, m_controleur.ordreTri());
}
