#pragma once
// A read-only grid that paints its rows in two alternating colours, following the record
// number (so a record keeps its colour while the grid scrolls), with its own colour for the
// selected row.
#include "kit/widgets/Apparence.h"

#include <QStyleOptionViewItem>
#include <QTableView>
#include <functional>

class TDBGridColor : public QTableView
{
    Q_OBJECT
public:
    explicit TDBGridColor(QWidget* parent = nullptr);

    // Plain stored values: changing one does not repaint the grid by itself.
    bool LignesBicolores = true;
    quint32 LignesPaires = kGris;
    quint32 LignesImpaires = clWindow;
    quint32 CouleurSelection = kVertSelection;

    // Called after the grid has painted a data cell (none is set by the system).
    std::function<void(QPainter*, const QStyleOptionViewItem&, const QModelIndex&)> OnDrawColumnCell;

    // The text the painting writes: the value as offered for editing, without display format.
    static QString TexteEdition(const QModelIndex& index);
    // The model's alignment, else right for numbers and left for the rest.
    static Qt::Alignment AlignementColonne(const QModelIndex& index);
    // Where the text is written: x of its start, y of its baseline (the top of the text at
    // the top of the cell). The cell's right edge is x() + width(), exclusive.
    static QPoint PositionTexte(const QRect& cellule, const QString& texte, const QFontMetrics& metriques,
                                Qt::Alignment alignement);
    // The same for a cell of this grid, as painted now.
    QPoint PositionTexte(const QModelIndex& index) const;

    // Background and text colour of a painted cell; an invalid text colour keeps the one of
    // the default painting.
    QColor CouleurFond(const QModelIndex& index, bool selectionnee) const;
    QColor CouleurTexte(bool selectionnee) const;
};
