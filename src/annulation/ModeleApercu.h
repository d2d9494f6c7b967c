#pragma once
// The preview's lines for a grid: rows are handed to the view a chunk at a time as it scrolls
// (fetchMore), each read from the preview's file when painted, with a small cache. A sort
// keeps only the order of the lines, never their text.
#include "annulation/ApercuChangements.h"

#include <QAbstractTableModel>
#include <QCache>
#include <memory>

class ModeleApercu : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kParLot = 500;

    explicit ModeleApercu(std::shared_ptr<const ApercuChangements> apercu, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // A column below 0 gives the run order back.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    const ApercuChangements& apercu() const { return *m_apercu; }

private:
    qint64 ligneSource(int row) const { return m_ordre.isEmpty() ? row : m_ordre.at(row); }

    std::shared_ptr<const ApercuChangements> m_apercu;
    int m_charges = 0;
    bool m_tri = false;   // a view asks for rows while the layout changes: not then
    QList<qint32> m_ordre;   // empty: run order
    mutable QCache<qint64, QStringList> m_cache{2000};
};
