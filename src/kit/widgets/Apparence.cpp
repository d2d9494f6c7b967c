#include "kit/widgets/Apparence.h"

#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QWidget>

QColor CouleurQt(quint32 couleur, const QPalette& palette)
{
    if ((couleur & kCouleurSysteme) == kCouleurSysteme) {
        QPalette::ColorRole role = QPalette::Base;
        switch (couleur) {
        case clWindow: role = QPalette::Base; break;
        case clWindowText: role = QPalette::Text; break;
        case clBtnFace: role = QPalette::Button; break;
        case clHighlight: role = QPalette::Highlight; break;
        case clHighlightText: role = QPalette::HighlightedText; break;
        default: break;
        }
        // Windows keeps its system colours whatever the focus: read the active group.
        return palette.color(QPalette::Active, role);
    }
    return QColor(int(couleur & 0xFF), int((couleur >> 8) & 0xFF), int((couleur >> 16) & 0xFF));
}

void AppliquerCouleur(QWidget* widget, QPalette::ColorRole role, quint32 couleur)
{
    QPalette palette = widget->palette();
    palette.setColor(role, CouleurQt(couleur, palette));
    widget->setPalette(palette);
}

namespace {

struct Familles
{
    QString calibri;
    QString tahoma;
};

Familles& familles()
{
    static Familles f;
    return f;
}

}   // namespace

void ChargerPolices()
{
    Familles& f = familles();
    if (!f.calibri.isEmpty())
        return;
    const QStringList connues = QFontDatabase::families();
    f.calibri = connues.contains(QStringLiteral("Calibri")) ? QStringLiteral("Calibri") : QStringLiteral("Carlito");
    f.tahoma = QStringLiteral("Tahoma");
    if (!connues.contains(f.tahoma)) {
        // Wine ships Tahoma outside fontconfig's folders.
        for (const char* fichier : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
            const QString chemin = QString::fromLatin1(fichier);
            if (QFile::exists(chemin))
                QFontDatabase::addApplicationFont(chemin);
        }
    }
}

QString FamilleCalibri()
{
    ChargerPolices();
    return familles().calibri;
}

QString FamilleTahoma()
{
    ChargerPolices();
    return familles().tahoma;
}

static QFont police(const QString& famille, int hauteurPixels, bool gras)
{
    QFont f(famille);
    f.setPixelSize(hauteurPixels);
    f.setBold(gras);
    return f;
}

QFont PoliceCalibri(int hauteurPixels, bool gras)
{
    return police(FamilleCalibri(), hauteurPixels, gras);
}

QFont PoliceTahoma(int hauteurPixels, bool gras)
{
    return police(FamilleTahoma(), hauteurPixels, gras);
}

QLabel* Etiquette(QWidget* parent, const QString& nom, const QString& texte)
{
    auto* label = new QLabel(texte, parent);
    label->setObjectName(nom);
    label->setTextFormat(Qt::PlainText);
    return label;
}

AncrageBas::AncrageBas(QWidget* enfant, Cote cote, int margeCote, int margeBas)
    : QObject(enfant), m_enfant(enfant), m_cote(cote), m_margeCote(margeCote), m_margeBas(margeBas)
{
}

void AncrageBas::ancrer(QWidget* enfant, Cote cote, int margeCote, int margeBas)
{
    Q_ASSERT(enfant->parentWidget());
    auto* ancre = new AncrageBas(enfant, cote, margeCote, margeBas);
    enfant->parentWidget()->installEventFilter(ancre);
    ancre->placer();
}

bool AncrageBas::eventFilter(QObject* objet, QEvent* evenement)
{
    if (evenement->type() == QEvent::Resize && objet == m_enfant->parentWidget())
        placer();
    return false;
}

void AncrageBas::placer()
{
    const QWidget* parent = m_enfant->parentWidget();
    const int y = parent->height() - m_margeBas - m_enfant->height();
    const int x = m_cote == Gauche ? m_margeCote : parent->width() - m_margeCote - m_enfant->width();
    m_enfant->move(x, y);
}
