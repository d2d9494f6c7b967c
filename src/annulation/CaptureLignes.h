#pragma once
// The rows that a transaction still open has inserted, updated or deleted, with their images
// before and after, read just before its commit. After: the rows whose record version is the
// transaction itself (RDB$RECORD_VERSION = CURRENT_TRANSACTION). Before: the same rows as a
// read-only READ COMMITTED transaction of the same attachment sees them at that moment, that
// is the versions the open transaction replaced (nobody can commit over a row it holds).
// Rows are handed over one at a time: nothing grows with their number.
#include "annulation/Cellule.h"
#include "annulation/StructureTable.h"

#include <QList>
#include <QString>

namespace fb {
class Database;
class Transaction;
}

struct LigneChangee
{
    enum class Nature { Ajout, Modification, Suppression };
    Nature nature = Nature::Modification;
    const StructureTable* table = nullptr;
    QList<Cellule> avant;   // one per column of the table; empty for an inserted row
    QList<Cellule> apres;   // empty for a deleted row
    QByteArray dbKey;       // the row's DB_KEY (its identity when the table has no primary key)

    const QList<Cellule>& image() const { return apres.isEmpty() ? avant : apres; }
    QList<QByteArray> valeursCle() const;   // the key's cells, as bytes
    QString texteCle() const;               // "a/b", or "#" and the DB_KEY in hex
};

class RecepteurLignes
{
public:
    virtual ~RecepteurLignes() = default;
    virtual void ligne(const LigneChangee& l) = 0;
};

// A table to inspect, with what the server counted in it: deletes are the only case where
// every row before has to be looked at; with no update nor delete, every row written is new
// and no image before is looked for.
struct TableTouchee
{
    QString nom;
    bool suppressions = false;
    bool modifications = true;
};

class CaptureLignes
{
public:
    CaptureLignes(fb::Database& base, fb::Transaction& execution, StructuresTables& structures);

    // The open transaction's number; raises DbError.
    qint64 numeroTransaction();
    // Every row written by the open transaction in `tables`, table by table; raises DbError.
    // Returns the number of rows handed over.
    qint64 capturer(const QList<TableTouchee>& tables, RecepteurLignes& recepteur);

private:
    qint64 capturerTable(const StructureTable& s, const TableTouchee& t, fb::Transaction& vue, RecepteurLignes& r);

    fb::Database& m_base;
    fb::Transaction& m_execution;
    StructuresTables& m_structures;
};

// The tables that the capture leaves out: the tool's own work table and the system's.
bool TableHorsJournal(const QString& table);
