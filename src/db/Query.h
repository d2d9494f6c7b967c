#pragma once
// A statement of one transaction, with named parameters and the current row of its result.
#include "db/Decimal.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace fb {

class Database;
class Transaction;

// Octets: a binary BLOB or a text of the OCTETS character set (a DB_KEY among them).
enum class TypeColonne { Entier, Decimal, Flottant, Texte, Octets, Date, Heure, Horodatage, Booleen, Autre };

// A statement with named parameters (":NAME"), turned into positional ones on our side:
// every occurrence of a name takes the same value; names inside quoted text, comments and
// EXECUTE BLOCK bodies are left alone.
class Query
{
public:
    Query(Database& base, Transaction& transaction);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void setSql(const QString& sql);      // releases a statement prepared for another text
    QStringList paramNames() const;       // distinct names, in order of first appearance

    void setParam(const QString& nom, qint64 valeur);
    void setParam(const QString& nom, const QString& valeur);
    void setParam(const QString& nom, const QDate& valeur);
    void setParam(const QString& nom, const Decimal& valeur);
    void setParamNull(const QString& nom);
    // Bytes as they are, in the connection's character set; the engine converts them to the
    // parameter's type (a number, a date, a time stamp, a BLOB...) as it converts a literal.
    void setParamBytes(const QString& nom, const QByteArray& octets);
    void setParam(int index, qint64 valeur);   // index among the distinct names: "parameter 0"

    // Prepares if needed and executes; for a statement with rows, opens the cursor and makes
    // the first row current (eof() when there is none).
    void execute();
    bool next();                          // next row; false at the end
    bool eof() const;
    bool isOpen() const;                  // a cursor is open

    int columnCount() const;
    QString columnName(int colonne) const;      // alias when given
    TypeColonne columnType(int colonne) const;

    bool isNull(int colonne) const;
    qint64 asInt64(int colonne) const;          // null reads as 0; a scaled number is truncated
    qint32 asInteger(int colonne) const;
    Decimal asDecimal(int colonne) const;
    QString asString(int colonne) const;        // CHAR keeps its padding
    QDate asDate(int colonne) const;
    // null: an invalid QVariant; integers qint64, scaled numbers fb::Decimal, texts QString,
    // dates QDate, times QTime, time stamps QDateTime, booleans bool, floating numbers double.
    QVariant value(int colonne) const;
    // The cell as text that the engine reads back into the same value: texts and BLOBs as
    // their bytes, numbers exactly, dates yyyy-MM-dd, times hh:mm:ss.ffff (the engine keeps
    // tenths of milliseconds), booleans TRUE/FALSE; an empty array for null.
    QByteArray asExactBytes(int colonne) const;
    // The rows the last INSERT, UPDATE or DELETE wrote (0 for any other statement).
    qint64 rowsAffected() const;

    void close();       // closes the cursor
    void release();     // frees the prepared statement

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace fb
