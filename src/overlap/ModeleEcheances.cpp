#include "overlap/ModeleEcheances.h"

#include "db/Firebird.h"

ModeleEcheances::ModeleEcheances(fb::Database& base, fb::Transaction& transaction, QObject* parent)
    : QAbstractTableModel(parent), m_base(base), m_transaction(transaction)
{
    setObjectName(QStringLiteral("idsEcheances"));
}

ModeleEcheances::~ModeleEcheances() = default;

void ModeleEcheances::ouvrir(const QString& sql)
{
    fermer();
    auto requete = std::make_unique<fb::Query>(m_base, m_transaction);
    requete->setSql(sql);
    requete->execute();   // the first row is current
    QStringList titres;
    for (int c = 0; c < requete->columnCount(); ++c)
        titres << requete->columnName(c);
    // The first batch is read before the model changes: a failure leaves it closed.
    m_requete = std::move(requete);
    m_curseur = true;
    QVector<QVector<QVariant>> premier;
    try {
        lire(m_lot, premier);
    } catch (...) {
        m_requete.reset();
        m_curseur = false;
        throw;
    }
    const bool reste = m_curseur;
    m_curseur = false;

    // Columns first, then the rows as an insertion, nobody fetching meanwhile.
    m_insertion = true;
    beginResetModel();
    m_titres = titres;
    m_ouvert = true;
    endResetModel();
    if (!premier.isEmpty()) {
        beginInsertRows(QModelIndex(), 0, int(premier.size()) - 1);
        m_lignes = std::move(premier);
        endInsertRows();
    }
    m_insertion = false;
    m_curseur = reste;
}

void ModeleEcheances::fermer()
{
    if (!m_ouvert && !m_requete)
        return;
    beginResetModel();
    if (m_requete) {
        try {
            m_requete->close();
            m_requete->release();
        } catch (const DbError&) {
            // A cursor of a lost connection: nothing is left to free on our side.
        }
        m_requete.reset();
    }
    m_titres.clear();
    m_lignes.clear();
    m_lignes.squeeze();
    m_curseur = false;
    m_ouvert = false;
    endResetModel();
}

void ModeleEcheances::lire(int n, QVector<QVector<QVariant>>& lot)
{
    fb::Query& q = *m_requete;
    // A commit or roll-back of the transaction by someone else closes the cursor.
    while (int(lot.size()) < n && m_curseur) {
        if (!q.isOpen() || q.eof()) {
            m_curseur = false;
            break;
        }
        QVector<QVariant> ligne(q.columnCount());
        for (int c = 0; c < ligne.size(); ++c)
            ligne[c] = q.value(c);
        lot.append(std::move(ligne));
        if (!q.next())
            m_curseur = false;
    }
    if (!m_curseur)
        q.close();
}

int ModeleEcheances::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lignes.size());
}

int ModeleEcheances::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_titres.size());
}

QVariant ModeleEcheances::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_lignes.size() || index.column() >= m_titres.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return m_lignes.at(index.row()).at(index.column());
}

QVariant ModeleEcheances::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_titres.size())
        return m_titres.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ModeleEcheances::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

bool ModeleEcheances::canFetchMore(const QModelIndex& parent) const
{
    // Not while a batch is being announced: a view or tester asking from its slots would
    // start a second insertion inside the first.
    return !parent.isValid() && m_curseur && !m_insertion;
}

void ModeleEcheances::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    QVector<QVector<QVariant>> lot;
    QString erreur;
    try {
        lire(m_lot, lot);
    } catch (const DbError& e) {
        // The rows read before the failure are shown; nothing more is asked of the server.
        m_curseur = false;
        erreur = e.texte();
        try {
            m_requete->close();
        } catch (const DbError&) {
        }
    }
    if (!lot.isEmpty()) {
        const int debut = int(m_lignes.size());
        m_insertion = true;
        beginInsertRows(QModelIndex(), debut, debut + int(lot.size()) - 1);
        m_lignes.append(std::move(lot));
        endInsertRows();
        m_insertion = false;
    }
    if (!erreur.isEmpty())
        Q_EMIT erreurLecture(erreur);
}
