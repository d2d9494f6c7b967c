#include "app/widgets/Dialogues.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <vector>

namespace {

// The program-wide numbered text table, 0 to 7000: the French texts of the box (titles and
// captions), filled at first use.
constexpr int kNombreTextes = 7001;

const std::vector<QString>& textes()
{
    static const std::vector<QString> table = [] {
        std::vector<QString> t(kNombreTextes);
        t[5] = QStringLiteral("&Aide");
        t[6] = QStringLiteral("&Annuler");
        t[7] = QStringLiteral("&Ignorer");
        t[8] = QStringLiteral("&Non");
        t[9] = QStringLiteral("&Non pour tout");
        t[11] = QStringLiteral("&Oui");
        t[12] = QStringLiteral("&Oui pour tout");
        t[13] = QStringLiteral("&Retenter");
        t[14] = QStringLiteral("&Tous");
        t[278] = QStringLiteral("Avertissement");
        t[519] = QStringLiteral("Confirmation");
        t[847] = QStringLiteral("Erreur");
        t[1137] = QStringLiteral("Information");
        return t;
    }();
    return table;
}

struct DescriptionBouton
{
    TBoutonMessage bouton;
    int texte;   // number in the text table; -1: the fixed "OK"
    int reponse;
};

// Table order is display order.
constexpr DescriptionBouton kBoutons[] = {
    {Bouton::Yes, 11, mrYes},
    {Bouton::No, 8, mrNo},
    {Bouton::OK, -1, mrOk},
    {Bouton::Cancel, 6, mrCancel},
    {Bouton::Abort, 6, mrAbort},
    {Bouton::Retry, 13, mrRetry},
    {Bouton::Ignore, 7, mrIgnore},
    {Bouton::All, 14, mrAll},
    {Bouton::NoToAll, 9, mrNoToAll},
    {Bouton::YesToAll, 12, mrYesToAll},
    {Bouton::Help, 5, mrNone},
};

const DescriptionBouton* description(TBoutonMessage bouton)
{
    for (const auto& d : kBoutons)
        if (d.bouton == bouton)
            return &d;
    return nullptr;
}

constexpr int kTitres[] = {278, 847, 1137, 519};

// A number outside the table reads as empty.
QString TexteNumero(int numero)
{
    if (numero < 0 || numero >= kNombreTextes)
        return {};
    return textes()[std::size_t(numero)];
}

int ReponseBouton(TBoutonMessage bouton)
{
    const DescriptionBouton* d = description(bouton);
    return d ? d->reponse : mrNone;
}

// "OK" is fixed; the others come from the text table.
QString LegendeBouton(TBoutonMessage bouton)
{
    const DescriptionBouton* d = description(bouton);
    if (!d)
        return {};
    return d->texte < 0 ? QStringLiteral("OK") : TexteNumero(d->texte);
}

}   // namespace

TBoiteMessage::TBoiteMessage(const QString& message, int genre, TBoutonsMessage boutons, int aide,
                             TBoutonMessage boutonDefaut, TBoutonMessage boutonAnnulation, QWidget* parent)
    : QDialog(parent), m_ensemble(boutons), m_boutonAnnulation(boutonAnnulation), m_aide(aide)
{
    setObjectName(QStringLiteral("BoiteMessage"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(genre >= 0 && genre <= 3 ? TexteNumero(kTitres[genre]) : QString());

    auto* grille = new QGridLayout(this);
    grille->setSizeConstraint(QLayout::SetFixedSize);
    grille->setHorizontalSpacing(12);
    grille->setVerticalSpacing(16);

    static const QStyle::StandardPixmap icones[] = {QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical,
                                                    QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxQuestion};
    if (genre >= 0 && genre <= 3) {
        auto* icone = new QLabel(this);
        icone->setObjectName(QStringLiteral("icone"));
        const int taille = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icone->setPixmap(style()->standardIcon(icones[genre], nullptr, this).pixmap(taille, taille));
        icone->setAlignment(Qt::AlignTop);
        grille->addWidget(icone, 0, 0);
    }

    QString texte = message;
    texte.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texte.remove(QLatin1Char('\r'));
    auto* etiquette = new QLabel(texte, this);
    etiquette->setObjectName(QStringLiteral("message"));
    etiquette->setTextFormat(Qt::PlainText);
    etiquette->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grille->addWidget(etiquette, 0, 1, Qt::AlignVCenter);

    auto* rangee = new QHBoxLayout;
    rangee->addStretch(1);
    for (const auto& d : kBoutons) {
        if (!(boutons & d.bouton))
            continue;
        auto* b = new QPushButton(LegendeBouton(d.bouton), this);
        b->setObjectName(QStringLiteral("bouton%1").arg(d.reponse));
        b->setMinimumWidth(75);
        m_boutons.insert(d.bouton, b);
        rangee->addWidget(b);
        const TBoutonMessage bouton = d.bouton;
        const int reponse = d.reponse;
        connect(b, &QPushButton::clicked, this, [this, bouton, reponse] {
            if (bouton == Bouton::Help)
                Q_EMIT aideDemandee(m_aide);
            else
                done(reponse);
        });
    }
    rangee->addStretch(1);
    grille->addLayout(rangee, 1, 0, 1, 2);

    if (QPushButton* defaut = m_boutons.value(boutonDefaut)) {
        defaut->setDefault(true);
        defaut->setFocus();
    }
}

QList<QPushButton*> TBoiteMessage::boutonsDansLOrdre() const
{
    QList<QPushButton*> liste;
    for (const auto& d : kBoutons)
        if (QPushButton* b = m_boutons.value(d.bouton))
            liste << b;
    return liste;
}

int TBoiteMessage::reponse() const
{
    if (result() == mrCancel && !(m_ensemble & Bouton::Cancel))
        return ReponseBouton(m_boutonAnnulation);
    return result();
}

void TBoiteMessage::reject()
{
    // Closed without a button: the answer of a plain cancel, remapped by reponse().
    done(mrCancel);
}

void TBoiteMessage::keyPressEvent(QKeyEvent* evenement)
{
    if (evenement->key() == Qt::Key_Escape && evenement->modifiers() == Qt::NoModifier) {
        for (TBoutonMessage b : {Bouton::Cancel, Bouton::No, Bouton::OK}) {
            if (QPushButton* bouton = m_boutons.value(b)) {
                bouton->click();
                return;
            }
        }
        return;   // no button answers Esc
    }
    QDialog::keyPressEvent(evenement);
}

void TBoiteMessage::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    centrerSurEcran();
}

void TBoiteMessage::centrerSurEcran()
{
    const QScreen* ecran = QGuiApplication::primaryScreen();
    if (!ecran)
        return;
    QRect cadre = frameGeometry();
    cadre.moveCenter(ecran->geometry().center());
    move(cadre.topLeft());
}

int BoiteMessage(const QString& message, int genre, TBoutonsMessage boutons, int aide,
                 TBoutonMessage boutonDefaut, TBoutonMessage boutonAnnulation)
{
    TBoiteMessage boite(message, genre, boutons, aide, boutonDefaut, boutonAnnulation);
    boite.exec();
    return boite.reponse();
}

TBoutonMessage BoutonDefautSimple(TBoutonsMessage boutons)
{
    for (TBoutonMessage b : {Bouton::Yes, Bouton::No, Bouton::OK})
        if (boutons & b)
            return b;
    return Bouton::Cancel;
}

TBoutonMessage BoutonAnnulationSimple(TBoutonsMessage boutons)
{
    return (boutons & Bouton::Cancel) ? Bouton::Cancel : Bouton::No;
}

int BoiteMessageSimple(const QString& message, int genre, TBoutonsMessage boutons, int aide)
{
    return BoiteMessage(message, genre, boutons, aide, BoutonDefautSimple(boutons), BoutonAnnulationSimple(boutons));
}

bool Question(const QString& texte)
{
    return BoiteMessageSimple(texte, gmConfirmation, Bouton::Yes | Bouton::No, 0) == mrYes;
}

void MessageErreur(const QString& texte)
{
    BoiteMessageSimple(texte, gmErreur, Bouton::OK, 0);
}

void MessageAvertissement(const QString& texte)
{
    BoiteMessageSimple(texte, gmAvertissement, Bouton::OK, 0);
}
