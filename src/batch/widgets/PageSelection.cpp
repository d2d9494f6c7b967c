#include "batch/widgets/PageSelection.h"

#include "operator/OperatorInterface.h"
#include "kit/widgets/Apparence.h"
#include "batch/ControleurSelection.h"
#include "db/DbError.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

PageSelection::PageSelection(QWidget* tsLoadData, ControleurSelection& controleur, OperatorInterface& operateur)
    : QObject(tsLoadData), m_page(tsLoadData), m_controleur(controleur), m_operateur(operateur)
{
    m_rgSource = new QGroupBox(QStringLiteral("Fiches à traiter"), m_page);
    m_rgSource->setObjectName(QStringLiteral("rgSource"));
    m_rgSource->setGeometry(8, 8, 473, 58);
    auto* grille = new QGridLayout(m_rgSource);
    grille->setContentsMargins(8, 4, 8, 4);
    grille->setVerticalSpacing(2);
    m_boutonsSource = new QButtonGroup(this);
    const QStringList elements = {QStringLiteral("Fichier CSV"), QStringLiteral("Table temporaire préremplie"),
                                  QStringLiteral("Clients actifs avec mandat actif")};
    for (int i = 0; i < elements.size(); ++i) {
        auto* bouton = new QRadioButton(elements[i], m_rgSource);
        bouton->setObjectName(QStringLiteral("rgSource_%1").arg(i));
        m_boutonsSource->addButton(bouton, i);
        grille->addWidget(bouton, i / 2, i % 2);   // two columns, filled row by row
    }

    m_lblCompteTemp = new QLabel(m_page);
    m_lblCompteTemp->setObjectName(QStringLiteral("lblCompteTemp"));
    m_lblCompteTemp->setGeometry(8, 80, 473, 16);

    m_label1 = new QLabel(QStringLiteral("Liste des numéros de clients (juste 1 colonne avec le numéro)"), m_page);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(8, 104, 473, 16);

    m_jvFilenameEdit1 = new QWidget(m_page);
    m_jvFilenameEdit1->setObjectName(QStringLiteral("JvFilenameEdit1"));
    m_jvFilenameEdit1->setGeometry(8, 120, 473, 21);
    auto* ligne = new QHBoxLayout(m_jvFilenameEdit1);
    ligne->setContentsMargins(0, 0, 0, 0);
    ligne->setSpacing(0);
    m_champFichier = new QLineEdit(m_jvFilenameEdit1);
    m_champFichier->setObjectName(QStringLiteral("JvFilenameEdit1_texte"));
    m_parcourir = new QToolButton(m_jvFilenameEdit1);
    m_parcourir->setObjectName(QStringLiteral("JvFilenameEdit1_parcourir"));
    m_parcourir->setText(QStringLiteral("…"));
    m_parcourir->setFixedSize(21, 21);
    ligne->addWidget(m_champFichier);
    ligne->addWidget(m_parcourir);

    m_cbxMultiCentre = new QCheckBox(QStringLiteral("Multi Centre"), m_page);
    m_cbxMultiCentre->setObjectName(QStringLiteral("cbxMultiCentre"));
    m_cbxMultiCentre->setToolTip(QStringLiteral("Traite les fiches de tous les centres de la base"));
    m_cbxMultiCentre->move(8, 176);
    m_cbxMultiCentre->adjustSize();

    connect(m_boutonsSource, &QButtonGroup::idClicked, this,
            [this](int id) { executer([this, id] { m_controleur.setSource(id); }); });
    connect(m_champFichier, &QLineEdit::textEdited, this, [this](const QString& t) { m_controleur.setNomFichier(t); });
    connect(m_parcourir, &QToolButton::clicked, this, [this] {
        const QString chemin = choisirFichier();
        if (!chemin.isEmpty())
            m_controleur.setNomFichier(chemin);
    });
    connect(m_cbxMultiCentre, &QCheckBox::clicked, this, [this](bool coche) { m_controleur.setMultiCentre(coche); });

    connect(&m_controleur, &ControleurSelection::sourceChange, this, [this] { synchroniser(); });
    connect(&m_controleur, &ControleurSelection::compteChange, m_lblCompteTemp, &QLabel::setText);
    connect(&m_controleur, &ControleurSelection::fichierVisibleChange, this, [this] { synchroniser(); });
    connect(&m_controleur, &ControleurSelection::nomFichierChange, this, [this](const QString& chemin) {
        if (m_champFichier->text() != chemin)
            m_champFichier->setText(chemin);
    });
    connect(&m_controleur, &ControleurSelection::multiCentreChange, this, [this] { synchroniser(); });
    synchroniser();
}

template <typename F>
void PageSelection::executer(F&& action)
{
    // The count queries let a database error through: it reaches the operator here.
    try {
        action();
    } catch (const DbError& e) {
        m_operateur.erreur(e.texte());
    }
    synchroniser();
}

void PageSelection::synchroniser()
{
    if (QAbstractButton* bouton = m_boutonsSource->button(m_controleur.source()))
        bouton->setChecked(true);
    m_lblCompteTemp->setText(m_controleur.lblCompteTemp());
    m_label1->setVisible(m_controleur.fichierVisible());
    m_jvFilenameEdit1->setVisible(m_controleur.fichierVisible());
    if (m_champFichier->text() != m_controleur.nomFichier())
        m_champFichier->setText(m_controleur.nomFichier());
    m_cbxMultiCentre->setChecked(m_controleur.multiCentre());
    appliquerCouleurMultiCentre();
}

void PageSelection::appliquerCouleurMultiCentre()
{
    const quint32 couleur = m_controleur.couleurMultiCentre();
    AppliquerCouleur(m_cbxMultiCentre, QPalette::WindowText, couleur);
    AppliquerCouleur(m_cbxMultiCentre, QPalette::ButtonText, couleur);
}

QString PageSelection::choisirFichier()
{
    QFileDialog dialogue(m_page, QString(), QString(), QStringLiteral("Fichier CSV (*.csv)"));
    dialogue.setFileMode(QFileDialog::ExistingFile);
    dialogue.setAcceptMode(QFileDialog::AcceptOpen);
    dialogue.setDefaultSuffix(QStringLiteral("csv"));
    if (!m_controleur.nomFichier().isEmpty())
        dialogue.selectFile(m_controleur.nomFichier());
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return QString();
    return dialogue.selectedFiles().constFirst();
}
