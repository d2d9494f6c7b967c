#include "kit/widgets/DBGridColor.h"

#include <QDate>
#include <QDateTime>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

class DelegueBicolore : public QStyledItemDelegate
{
public:
    explicit DelegueBicolore(TDBGridColor* grille) : QStyledItemDelegate(grille), m_grille(grille) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (m_grille->LignesBicolores && index.isValid() && index.model()) {
            const bool selectionnee = option.state & QStyle::State_Selected;
            QStyleOptionViewItem opt(option);
            initStyleOption(&opt, index);
            QColor texte = m_grille->CouleurTexte(selectionnee);
            if (!texte.isValid()) {
                const QVariant premierPlan = index.data(Qt::ForegroundRole);
                texte = premierPlan.canConvert<QBrush>() && premierPlan.isValid()
                            ? premierPlan.value<QBrush>().color()
                            : option.palette.color(QPalette::Active, QPalette::Text);
            }
            const QString valeur = TDBGridColor::TexteEdition(index);
            const QFontMetrics metriques(opt.font);
            painter->save();
            painter->fillRect(option.rect, m_grille->CouleurFond(index, selectionnee));
            // Long texts run over into the next cell, whose own painting covers them.
            painter->setClipping(false);
            painter->setFont(opt.font);
            painter->setPen(texte);
            painter->drawText(TDBGridColor::PositionTexte(option.rect, valeur, metriques,
                                                          TDBGridColor::AlignementColonne(index)),
                              valeur);
            painter->restore();
        }
        if (m_grille->OnDrawColumnCell)
            m_grille->OnDrawColumnCell(painter, option, index);
    }

private:
    TDBGridColor* m_grille;
};

bool estNombre(const QVariant& valeur)
{
    switch (valeur.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

}   // namespace

TDBGridColor::TDBGridColor(QWidget* parent)
    : QTableView(parent)
{
    setItemDelegate(new DelegueBicolore(this));
}

QString TDBGridColor::TexteEdition(const QModelIndex& index)
{
    const QVariant valeur = index.data(Qt::EditRole);
    if (valeur.isNull())
        return {};
    // Dates as the workstation's short date format writes them.
    switch (valeur.typeId()) {
    case QMetaType::QDate:
        return valeur.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QDateTime:
        return valeur.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QLocale().toString(valeur.toDouble(), 'g', 15);
    default:
        return valeur.toString();
    }
}

Qt::Alignment TDBGridColor::AlignementColonne(const QModelIndex& index)
{
    const QVariant alignement = index.data(Qt::TextAlignmentRole);
    if (alignement.isValid())
        return Qt::Alignment(alignement.toInt()) & Qt::AlignHorizontal_Mask;
    return estNombre(index.data(Qt::EditRole)) ? Qt::AlignRight : Qt::AlignLeft;
}

QPoint TDBGridColor::PositionTexte(const QRect& cellule, const QString& texte, const QFontMetrics& metriques,
                                   Qt::Alignment alignement)
{
    const int w = metriques.horizontalAdvance(texte) + 2;
    int x = cellule.x() + 2;
    if (alignement & Qt::AlignRight)
        x = cellule.x() + cellule.width() - w;
    else if (alignement & Qt::AlignHCenter)
        x = cellule.x() + (cellule.width() - w) / 2;
    return {x, cellule.y() + metriques.ascent()};
}

QPoint TDBGridColor::PositionTexte(const QModelIndex& index) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QFont police = option.font;
    const QVariant policeModele = index.data(Qt::FontRole);
    if (policeModele.isValid())
        police = qvariant_cast<QFont>(policeModele).resolve(police);
    return PositionTexte(visualRect(index), TexteEdition(index), QFontMetrics(police), AlignementColonne(index));
}

QColor TDBGridColor::CouleurFond(const QModelIndex& index, bool selectionnee) const
{
    if (selectionnee)
        return CouleurQt(CouleurSelection, palette());
    const int numero = index.row() + 1;
    return CouleurQt(numero % 2 ? LignesImpaires : LignesPaires, palette());
}

QColor TDBGridColor::CouleurTexte(bool selectionnee) const
{
    if (!selectionnee)
        return {};
    return CouleurQt(CouleurSelection == kVertSelection ? kBlanc : kNoir);
}
