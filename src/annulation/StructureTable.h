#pragma once
// What the journal needs to know of a table, read from the system tables: its writable
// columns in their order, its primary key, and the tables its foreign keys point to.
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace fb {
class Database;
class Transaction;
}

struct StructureTable
{
    QString nom;
    QStringList colonnes;   // stored columns, by position (computed ones are left out)
    QStringList cle;        // primary key columns, in key order; empty: rows go by DB_KEY
    QStringList parents;    // tables referred to by a foreign key, the table itself aside
    QStringList entieres;   // integer columns (no scale): their keys are bound as numbers

    bool parDbKey() const { return cle.isEmpty(); }
    bool existe() const { return !colonnes.isEmpty(); }
};

// Reads structures on demand and keeps them for the attachment's life.
class StructuresTables
{
public:
    StructuresTables(fb::Database& base, fb::Transaction& transaction);
    // Raises DbError; a name that is no table gives a structure without columns.
    const StructureTable& structure(const QString& table);

    // `tables` so that each comes after every table it refers to (parents first); a cycle
    // keeps the given order for the tables caught in it.
    QStringList parentsDAbord(const QStringList& tables);

private:
    fb::Database& m_base;
    fb::Transaction& m_transaction;
    QMap<QString, StructureTable> m_lues;
};

// An identifier as SQL text: bare when it is a plain upper-case name, quoted otherwise.
QString IdentifiantSql(const QString& nom);
