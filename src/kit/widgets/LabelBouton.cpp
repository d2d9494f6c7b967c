#include "kit/widgets/LabelBouton.h"

#include "kit/widgets/Apparence.h"

#include <QMouseEvent>

static void stylerTexte(QLabel* label, const QString& nom, const QString& texte, int hauteurPolice)
{
    label->setObjectName(nom);
    label->setText(texte);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(PoliceCalibri(hauteurPolice, true));
    label->setCursor(Qt::PointingHandCursor);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    // A disabled button ("Traiter" during a run) shows greyed text, as a disabled label does.
    palette.setColor(QPalette::Disabled, QPalette::WindowText, CouleurQt(kGrisTexteInactif));
    label->setPalette(palette);
}

TLabelBouton::TLabelBouton(const QString& nom, const QString& texte, QWidget* parent)
    : QLabel(parent)
{
    stylerTexte(this, nom, texte, 13);
    AppliquerCouleur(this, QPalette::Window, kBleuBouton);
    setAutoFillBackground(true);
    setFixedSize(kLargeur, kHauteur);
}

TLabelBouton* TLabelBouton::transparent(const QString& nom, const QString& texte, int hauteurPolice, QWidget* parent)
{
    auto* label = new TLabelBouton(nom, texte, parent);
    stylerTexte(label, nom, texte, hauteurPolice);
    label->setAutoFillBackground(false);
    label->setMinimumSize(0, 0);
    label->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    return label;
}

void TLabelBouton::mousePressEvent(QMouseEvent* evenement)
{
    m_appuye = evenement->button() == Qt::LeftButton;
    QLabel::mousePressEvent(evenement);
}

void TLabelBouton::mouseReleaseEvent(QMouseEvent* evenement)
{
    // A click is a press and a release on the label, as for a button.
    const bool clic = m_appuye && evenement->button() == Qt::LeftButton && rect().contains(evenement->position().toPoint());
    m_appuye = false;
    QLabel::mouseReleaseEvent(evenement);
    if (clic)
        Q_EMIT clicked();
}
