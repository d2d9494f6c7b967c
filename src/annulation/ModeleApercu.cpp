#include "annulation/ModeleApercu.h"

#include <QCollator>
#include <numeric>
#include <algorithm>

ModeleApercu::ModeleApercu(std::shared_ptr<const ApercuChangements> apercu, QObject* parent)
    : QAbstractTableModel(parent), m_apercu(std::move(apercu))
{
}

int ModeleApercu::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_charges;
}

int ModeleApercu::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ApercuChangements::NombreChamps;
}

QVariant ModeleApercu::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_charges)
        return {};
    if (role == Qt::TextAlignmentRole) {
        const int c = index.column();
        const bool nombre = c == ApercuChangements::Cle || c == ApercuChangements::Client;
        return QVariant::fromValue(Qt::AlignVCenter | (nombre ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const qint64 source = ligneSource(index.row());
    QStringList* champs = m_cache.object(source);
    if (!champs) {
        champs = new QStringList(m_apercu->ligne(source));
        m_cache.insert(source, champs);
    }
    return champs->value(index.column());
}

QVariant ModeleApercu::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return ApercuChangements::Titres().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ModeleApercu::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_tri && m_charges < m_apercu->nombreLignes();
}

void ModeleApercu::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_tri)
        return;
    const int ajout = int(std::min<qint64>(kParLot, m_apercu->nombreLignes() - m_charges));
    if (ajout <= 0)
        return;
    beginInsertRows({}, m_charges, m_charges + ajout - 1);
    m_charges += ajout;
    endInsertRows();
}

void ModeleApercu::sort(int column, Qt::SortOrder order)
{
    m_tri = true;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList anciens = persistentIndexList();
    QList<qint64> sources;
    for (const QModelIndex& i : anciens)
        sources << ligneSource(i.row());
    m_cache.clear();
    if (column < 0 || column >= ApercuChangements::NombreChamps) {
        m_ordre.clear();
    } else {
        // Only the sorted column's texts are held, for the time of the sort.
        const qint64 n = m_apercu->nombreLignes();
        QStringList valeurs;
        valeurs.reserve(n);
        for (qint64 i = 0; i < n; ++i)
            valeurs << m_apercu->ligne(i).value(column);
        QCollator collation;
        collation.setNumericMode(true);
        m_ordre.resize(n);
        std::iota(m_ordre.begin(), m_ordre.end(), 0);
        std::stable_sort(m_ordre.begin(), m_ordre.end(), [&](qint32 a, qint32 b) {
            const int c = collation.compare(valeurs.at(a), valeurs.at(b));
            return order == Qt::AscendingOrder ? c < 0 : c > 0;
        });
    }
    // The persistent indexes follow their lines.
    QHash<qint64, int> rangs;
    if (!anciens.isEmpty())
        for (int r = 0; r < m_charges; ++r)
            rangs.insert(ligneSource(r), r);
    QModelIndexList nouveaux;
    for (int k = 0; k < anciens.size(); ++k) {
        const int r = rangs.value(sources.at(k), -1);
        nouveaux << (r < 0 ? QModelIndex() : index(r, anciens.at(k).column()));
    }
    changePersistentIndexList(anciens, nouveaux);
    // Views that ask for more rows on this signal ask again as they scroll.
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    m_tri = false;
}
