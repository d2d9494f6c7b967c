#pragma once
// The overlap dataset `idsEcheances`: a read-only table over an open cursor, whose rows are
// read from the server as the view asks for them, a batch at a time, so that a long result
// costs what is scrolled, not what it holds.
#include <QAbstractTableModel>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

namespace fb {
class Database;
class Transaction;
class Query;
}

class ModeleEcheances : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kLotParDefaut = 256;

    ModeleEcheances(fb::Database& base, fb::Transaction& transaction, QObject* parent = nullptr);
    ~ModeleEcheances() override;

    // Opens the cursor of `sql` on the transaction (which must be active) and reads the first
    // batch, so that a statement the server refuses fails here. Raises DbError, leaving the
    // model closed and empty.
    void ouvrir(const QString& sql);
    // Closes the cursor and empties the model (no column either).
    void fermer();
    bool estOuvert() const { return m_ouvert; }

    void setTailleLot(int lignes) { m_lot = qMax(1, lignes); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

Q_SIGNALS:
    // A later batch could not be read: the cursor is closed, the rows read so far stay.
    void erreurLecture(const QString& texte);

private:
    // Appends rows of the cursor to `lot` until it holds `n`; raises DbError, leaving in
    // `lot` the rows read before the failure.
    void lire(int n, QVector<QVector<QVariant>>& lot);

    fb::Database& m_base;
    fb::Transaction& m_transaction;
    std::unique_ptr<fb::Query> m_requete;
    bool m_ouvert = false;
    bool m_curseur = false;   // rows are left on the server
    bool m_insertion = false; // rows are being announced to the views
    int m_lot = kLotParDefaut;
    QStringList m_titres;
    QVector<QVector<QVariant>> m_lignes;
};
