#include "batch/widgets/PageOptions.h"

#include "kit/widgets/Apparence.h"
#include "db/Decimal.h"
#include "batch/widgets/EditeurMontant.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Room left at the bottom of the page for its label buttons.
constexpr int kBandeBoutons = 40;

struct Type
{
    const char* nom;
    const char* texte;
    int type;
};
const Type kTypes[] = {{"Alerte1", "Alerte", 1}, {"Message1", "Message", 2}, {"Remarque1", "Remarque", 0}};

} // namespace

PageOptions::PageOptions(QWidget* tsOption, ControleurOptions& controleur)
    : QObject(tsOption), m_page(tsOption), m_controleur(controleur)
{
    auto* cadre = new QVBoxLayout(m_page);
    cadre->setContentsMargins(0, 0, 0, kBandeBoutons);
    auto* defilement = new QScrollArea(m_page);
    defilement->setFrameShape(QFrame::NoFrame);
    defilement->setWidgetResizable(true);
    defilement->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cadre->addWidget(defilement);
    auto* contenu = new QWidget;
    contenu->setAutoFillBackground(false);
    defilement->setWidget(contenu);
    defilement->viewport()->setAutoFillBackground(false);
    auto* colonne = new QVBoxLayout(contenu);
    colonne->setContentsMargins(8, 8, 8, 8);
    colonne->setSpacing(4);

    sectionMessage(contenu, colonne);
    sectionReport(contenu, colonne);
    sectionEcheance(contenu, colonne);
    sectionAnnulation(contenu, colonne);
    sectionMontants(contenu, colonne);
    sectionSolde(contenu, colonne);
    sectionTypeMessage(contenu, colonne);
    colonne->addStretch();
    connecter();
    synchroniserTout();
}

void PageOptions::sectionMessage(QWidget* contenu, QVBoxLayout* colonne)
{
    colonne->addWidget(caseA(contenu, CaseOption::cbMsg, QStringLiteral("Créer un message")));
    m_memo1 = new QPlainTextEdit(contenu);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->setFixedHeight(48);
    colonne->addWidget(m_memo1);
}

void PageOptions::sectionReport(QWidget* contenu, QVBoxLayout* colonne)
{
    colonne->addWidget(caseA(contenu, CaseOption::cbIncPrel, QStringLiteral("Repousser 1 mois les prélèvements")));
    {
        auto* ligne = new QHBoxLayout;
        ligne->addWidget(etiquette(contenu, QStringLiteral("Label2"), QStringLiteral("Date de début")));
        ligne->addWidget(editeurDateA(contenu, QStringLiteral("edtDateInc")));
        ligne->addWidget(etiquette(contenu, QStringLiteral("Label15"), QStringLiteral("Date de fin")));
        ligne->addWidget(editeurDateA(contenu, QStringLiteral("edtDate2Inc")));
        ligne->addStretch();
        colonne->addLayout(ligne);
    }
}

void PageOptions::sectionEcheance(QWidget* contenu, QVBoxLayout* colonne)
{
    colonne->addWidget(caseA(contenu, CaseOption::cbCreate, QStringLiteral("Créer une échéance")));
    {
        QWidget* pnl = panneau(contenu, QStringLiteral("pnlEcheance"));
        auto* g = new QGridLayout(pnl);
        g->setContentsMargins(16, 0, 0, 0);
        g->addWidget(etiquette(pnl, QStringLiteral("Label10"), QStringLiteral("Date")), 0, 0);
        g->addWidget(editeurDateA(pnl, QStringLiteral("edtDateEch")), 0, 1, Qt::AlignLeft);
        g->addWidget(etiquette(pnl, QStringLiteral("Label11"), QStringLiteral("Mode de paiement")), 1, 0);
        g->addWidget(listeA(pnl, QStringLiteral("cbModes")), 1, 1);
        g->addWidget(etiquette(pnl, QStringLiteral("Label12"), QStringLiteral("Article (accès)")), 2, 0);
        g->addWidget(listeA(pnl, QStringLiteral("cbArticle")), 2, 1);
        g->addWidget(etiquette(pnl, QStringLiteral("lblMontant"), m_controleur.texte(QStringLiteral("lblMontant"))),
                     2, 2);
        g->setColumnStretch(1, 1);
        colonne->addWidget(pnl);
    }
}

void PageOptions::sectionAnnulation(QWidget* contenu, QVBoxLayout* colonne)
{
    colonne->addWidget(caseA(contenu, CaseOption::cbAnnulation, QStringLiteral("Annuler les prélèvements")));
    {
        QWidget* pnl = panneau(contenu, QStringLiteral("pnlAnnulation"));
        auto* g = new QGridLayout(pnl);
        g->setContentsMargins(16, 0, 0, 0);
        g->addWidget(etiquette(pnl, QStringLiteral("Label16"), QStringLiteral("Date de paiement")), 0, 0);
        g->addWidget(editeurDateA(pnl, QStringLiteral("edtDateAnnul")), 0, 1, Qt::AlignLeft);
        g->addWidget(etiquette(pnl, QStringLiteral("Label17"), QStringLiteral("Mode de paiement")), 1, 0);
        g->addWidget(listeA(pnl, QStringLiteral("cbModes2")), 1, 1);
        g->setColumnStretch(1, 1);
        colonne->addWidget(pnl);
    }
}

void PageOptions::sectionMontants(QWidget* contenu, QVBoxLayout* colonne)
{
    colonne->addWidget(caseA(contenu, CaseOption::cbModifMontant,
                             QStringLiteral("Modifier les montants de toutes les échéances")));
    colonne->addWidget(caseA(contenu, CaseOption::cbModifMontant2,
                             QStringLiteral("Modifier le montant de la prochaine échéance")));
    {
        QWidget* pnl = panneau(contenu, QStringLiteral("pnlMontant2"));
        auto* g = new QGridLayout(pnl);
        g->setContentsMargins(16, 0, 0, 0);
        g->addWidget(etiquette(pnl, QStringLiteral("Label28"), QStringLiteral("Entre")), 0, 0);
        g->addWidget(editeurDateA(pnl, QStringLiteral("edtDateEch1")), 0, 1);
        g->addWidget(etiquette(pnl, QStringLiteral("Label29"), QStringLiteral("et")), 0, 2);
        g->addWidget(editeurDateA(pnl, QStringLiteral("edtDateEch2")), 0, 3, Qt::AlignLeft);
        g->addWidget(etiquette(pnl, QStringLiteral("Label23"), QStringLiteral("Entre")), 1, 0);
        g->addWidget(editeurMontantA(pnl, QStringLiteral("edtMontant3")), 1, 1);
        g->addWidget(etiquette(pnl, QStringLiteral("Label24"), QStringLiteral("et")), 1, 2);
        g->addWidget(editeurMontantA(pnl, QStringLiteral("edtMontant4")), 1, 3, Qt::AlignLeft);

        auto* rgChoix2 = new QGroupBox(QStringLiteral("Montant"), pnl);
        rgChoix2->setObjectName(QStringLiteral("rgChoix2"));
        auto* choix = new QHBoxLayout(rgChoix2);
        m_rgChoix2 = new QButtonGroup(this);
        const QStringList libelles = {QStringLiteral("Pourcent."), QStringLiteral("Fixe")};
        for (int i = 0; i < libelles.size(); ++i) {
            auto* bouton = new QRadioButton(libelles[i], rgChoix2);
            bouton->setObjectName(QStringLiteral("rgChoix2_%1").arg(i));
            m_rgChoix2->addButton(bouton, i);
            choix->addWidget(bouton);
        }
        g->addWidget(rgChoix2, 2, 0, 1, 2);
        g->addWidget(etiquette(pnl, QStringLiteral("Label25"), QStringLiteral("Mode de paiement")), 3, 0);
        g->addWidget(listeA(pnl, QStringLiteral("cbModes4")), 3, 1, 1, 3);
        g->addWidget(etiquette(pnl, QStringLiteral("Label27"), m_controleur.texte(QStringLiteral("Label27"))), 4, 0);
        g->addWidget(editeurMontantA(pnl, QStringLiteral("edtValeur1")), 4, 1);
        QLabel* label26 = etiquette(pnl, QStringLiteral("Label26"), QStringLiteral("échéances avec vente"));
        QFont italique = label26->font();
        italique.setItalic(true);
        label26->setFont(italique);
        AppliquerCouleur(label26, QPalette::WindowText, kBleu);
        g->addWidget(label26, 4, 2, 1, 2);
        g->setColumnStretch(3, 1);
        colonne->addWidget(pnl);
    }
}

void PageOptions::sectionSolde(QWidget* contenu, QVBoxLayout* colonne)
{
    QWidget* pnl = panneau(contenu, QStringLiteral("pnlRazSolde"));
    auto* g = new QGridLayout(pnl);
    g->setContentsMargins(0, 0, 0, 0);
    g->addWidget(caseA(pnl, CaseOption::cbSolde, QStringLiteral("Remise à 0 des soldes")), 0, 0, 1, 2);
    g->addWidget(etiquette(pnl, QStringLiteral("lblArticle"), QStringLiteral("Article ")), 1, 0);
    g->addWidget(listeA(pnl, QStringLiteral("cbArticle2")), 1, 1);
    m_mmoSolde = new QPlainTextEdit(pnl);
    m_mmoSolde->setObjectName(QStringLiteral("mmoSolde"));
    m_mmoSolde->setFixedHeight(48);
    m_champs.insert(QStringLiteral("mmoSolde"), m_mmoSolde);
    g->addWidget(m_mmoSolde, 2, 0, 1, 2);
    g->setColumnStretch(1, 1);
    colonne->addWidget(pnl);
}

// Message type of the balance-reset message.
void PageOptions::sectionTypeMessage(QWidget* contenu, QVBoxLayout* colonne)
{
    m_jvArrowButton1 = new QToolButton(contenu);
    m_jvArrowButton1->setObjectName(QStringLiteral("JvArrowButton1"));
    m_jvArrowButton1->setText(QStringLiteral("A"));
    m_jvArrowButton1->setPopupMode(QToolButton::InstantPopup);
    m_popupMenu1 = new QMenu(m_jvArrowButton1);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_types = new QActionGroup(this);
    m_types->setExclusive(true);
    for (const Type& t : kTypes) {
        QAction* action = m_popupMenu1->addAction(QString::fromUtf8(t.texte));
        action->setObjectName(QLatin1String(t.nom));
        action->setCheckable(true);
        action->setData(t.type);
        m_types->addAction(action);
    }
    m_jvArrowButton1->setMenu(m_popupMenu1);
    connect(m_types, &QActionGroup::triggered, this,
            [this](QAction* action) { m_controleur.setTypeMessage(action->data().toInt()); });
    auto* ligne = new QHBoxLayout;
    ligne->addStretch();
    ligne->addWidget(m_jvArrowButton1);
    colonne->addLayout(ligne);
}

void PageOptions::connecter()
{
    connect(m_memo1, &QPlainTextEdit::textChanged, this,
            [this] { m_controleur.setTexte(QStringLiteral("Memo1"), m_memo1->toPlainText()); });
    connect(m_mmoSolde, &QPlainTextEdit::textChanged, this,
            [this] { m_controleur.setTexte(QStringLiteral("mmoSolde"), m_mmoSolde->toPlainText()); });
    connect(m_rgChoix2, &QButtonGroup::idClicked, this, [this](int id) {
        m_controleur.setRgChoix2(id);
        synchroniserChoix2();
    });

    connect(&m_controleur, &ControleurOptions::cocheChange, this, [this](CaseOption c) { synchroniserCase(c); });
    connect(&m_controleur, &ControleurOptions::visibiliteChange, this,
            [this](const QString& nom) { synchroniserVisibilite(nom); });
    connect(&m_controleur, &ControleurOptions::listeChange, this, [this](const QString& nom) { synchroniserListe(nom); });
    connect(&m_controleur, &ControleurOptions::choixChange, this, [this](const QString& nom) { synchroniserChoix(nom); });
    connect(&m_controleur, &ControleurOptions::dateChange, this, [this](const QString& nom) { synchroniserDate(nom); });
    connect(&m_controleur, &ControleurOptions::montantChange, this,
            [this](const QString& nom) { synchroniserMontant(nom); });
    connect(&m_controleur, &ControleurOptions::texteChange, this, [this](const QString& nom) { synchroniserTexte(nom); });
    connect(&m_controleur, &ControleurOptions::rgChoix2Change, this, [this] { synchroniserChoix2(); });
    connect(&m_controleur, &ControleurOptions::typeMessageChange, this, [this] { synchroniserTypeMessage(); });
}

QCheckBox* PageOptions::caseA(QWidget* parent, CaseOption c, const QString& texte)
{
    auto* box = new QCheckBox(texte, parent);
    const QString nom = ControleurOptions::nomCase(c);
    box->setObjectName(nom);
    m_cases.insert(c, box);
    m_champs.insert(nom, box);
    connect(box, &QCheckBox::clicked, this, [this, c](bool coche) {
        m_controleur.setCoche(c, coche);
        synchroniserCase(c);   // a refused tick puts the box back
    });
    return box;
}

QLabel* PageOptions::etiquette(QWidget* parent, const QString& nom, const QString& texte)
{
    auto* label = new QLabel(texte, parent);
    label->setObjectName(nom);
    m_etiquettes.insert(nom, label);
    m_champs.insert(nom, label);
    return label;
}

QDateEdit* PageOptions::editeurDateA(QWidget* parent, const QString& nom)
{
    auto* editeur = new QDateEdit(parent);
    editeur->setObjectName(nom);
    editeur->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    editeur->setCalendarPopup(true);
    // A typed date is taken when the operator leaves the editor.
    editeur->setKeyboardTracking(false);
    m_dates.insert(nom, editeur);
    m_champs.insert(nom, editeur);
    connect(editeur, &QDateEdit::dateChanged, this, [this, nom](const QDate& date) {
        if (!m_controleur.setDate(nom, date))
            synchroniserDate(nom);
    });
    return editeur;
}

TEditeurMontant* PageOptions::editeurMontantA(QWidget* parent, const QString& nom)
{
    auto* editeur = new TEditeurMontant(parent);
    editeur->setObjectName(nom);
    m_montants.insert(nom, editeur);
    m_champs.insert(nom, editeur);
    connect(editeur, &QDoubleSpinBox::valueChanged, this, [this, nom](double valeur) {
        const auto montant = decimaux::depuisDouble(valeur, 2);
        if (!montant || !m_controleur.setMontant(nom, *montant))
            synchroniserMontant(nom);
    });
    return editeur;
}

QComboBox* PageOptions::listeA(QWidget* parent, const QString& nom)
{
    // Choice only, with type-ahead: a chosen item always carries its id.
    auto* liste = new QComboBox(parent);
    liste->setObjectName(nom);
    liste->setEditable(false);
    liste->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    liste->setMinimumContentsLength(12);
    m_listes.insert(nom, liste);
    m_champs.insert(nom, liste);
    connect(liste, &QComboBox::currentIndexChanged, this, [this, nom](int index) {
        m_controleur.setChoix(nom, index);
        synchroniserChoix(nom);
    });
    return liste;
}

QWidget* PageOptions::panneau(QWidget* parent, const QString& nom)
{
    auto* pnl = new QFrame(parent);
    pnl->setObjectName(nom);
    pnl->setFrameShape(QFrame::NoFrame);
    // The panels show their parent's colour, not a colour of their own.
    pnl->setAutoFillBackground(false);
    m_champs.insert(nom, pnl);
    return pnl;
}

void PageOptions::synchroniserTout()
{
    for (CaseOption c : ControleurOptions::cases())
        synchroniserCase(c);
    for (const QString& nom : ControleurOptions::champs())
        synchroniserVisibilite(nom);
    for (const QString& nom : ControleurOptions::listes())
        synchroniserListe(nom);
    for (const QString& nom : ControleurOptions::champsDate())
        synchroniserDate(nom);
    for (const QString& nom : ControleurOptions::champsMontant())
        synchroniserMontant(nom);
    for (const char* nom : {"Memo1", "mmoSolde", "lblMontant", "Label27"})
        synchroniserTexte(QLatin1String(nom));
    synchroniserChoix2();
    synchroniserTypeMessage();
}

void PageOptions::synchroniserCase(CaseOption c)
{
    QCheckBox* box = m_cases.value(c);
    if (box && box->isChecked() != m_controleur.coche(c)) {
        const QSignalBlocker bloque(box);
        box->setChecked(m_controleur.coche(c));
    }
}

void PageOptions::synchroniserVisibilite(const QString& nom)
{
    if (QWidget* champ = m_champs.value(nom))
        champ->setVisible(m_controleur.visible(nom));
}

void PageOptions::synchroniserListe(const QString& nom)
{
    QComboBox* liste = m_listes.value(nom);
    if (!liste)
        return;
    const QSignalBlocker bloque(liste);
    liste->clear();
    liste->addItems(m_controleur.elements(nom));
    liste->setCurrentIndex(m_controleur.choix(nom));
}

void PageOptions::synchroniserChoix(const QString& nom)
{
    QComboBox* liste = m_listes.value(nom);
    if (liste && liste->currentIndex() != m_controleur.choix(nom)) {
        const QSignalBlocker bloque(liste);
        liste->setCurrentIndex(m_controleur.choix(nom));
    }
}

void PageOptions::synchroniserDate(const QString& nom)
{
    QDateEdit* editeur = m_dates.value(nom);
    if (!editeur)
        return;
    const QSignalBlocker bloque(editeur);
    const QDate minimum = m_controleur.dateMinimum(nom);
    editeur->setMinimumDate(minimum.isValid() ? minimum : QDate(1900, 1, 1));
    editeur->setDate(m_controleur.date(nom));
}

void PageOptions::synchroniserMontant(const QString& nom)
{
    TEditeurMontant* editeur = m_montants.value(nom);
    if (!editeur)
        return;
    const QSignalBlocker bloque(editeur);
    if (nom == QLatin1String("edtValeur1"))
        editeur->setDeuxDecimales(m_controleur.valeur1DeuxDecimales());
    editeur->setValue(decimaux::versDouble(m_controleur.montant(nom)));
}

void PageOptions::synchroniserTexte(const QString& nom)
{
    const QString texte = m_controleur.texte(nom);
    QPlainTextEdit* memo = nom == QLatin1String("Memo1") ? m_memo1 : nom == QLatin1String("mmoSolde") ? m_mmoSolde : nullptr;
    if (memo) {
        if (memo->toPlainText() != texte) {
            const QSignalBlocker bloque(memo);
            memo->setPlainText(texte);
        }
        return;
    }
    if (QLabel* label = m_etiquettes.value(nom))
        label->setText(texte);
}

void PageOptions::synchroniserChoix2()
{
    if (QAbstractButton* bouton = m_rgChoix2->button(m_controleur.rgChoix2()))
        bouton->setChecked(true);
    synchroniserMontant(QStringLiteral("edtValeur1"));
}

void PageOptions::synchroniserTypeMessage()
{
    for (QAction* action : m_types->actions())
        action->setChecked(m_controleur.marque(action->data().toInt()));
}
