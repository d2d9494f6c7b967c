#pragma once
// Client layer over libfbclient's C++ interface, loaded at run time by file name.
// Every handle is owned by exactly one object and released in its destructor; every failure
// is raised as DbError carrying the library's full text and SQL code. Texts travel as
// Windows-1252 bytes on an ISO8859_1 connection.
#include "db/DbError.h"

#include <QDate>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

namespace fb {

// An exact fixed-point number: valeur × 10^echelle (echelle ≤ 0). Never passes through a double.
struct Decimal
{
    qint64 valeur = 0;
    int echelle = 0;
    // Shortest form with a point: "39.95", "40", "12.5", "-0.01".
    QString texteCourt() const;
    // Exactly |echelle| decimals with a point: NUMERIC(15,2) -1234 → "-12.34".
    QString texte() const;
    // The value rounded half away from zero to `decimales` decimals.
    Decimal arrondi(int decimales) const;
    friend bool operator==(const Decimal& a, const Decimal& b);
};

enum class TypeColonne { Entier, Decimal, Texte, Date, Heure, Horodatage, Booleen, Autre };

// The client library: loaded once per process, never unloaded.
class Client
{
public:
    // Loads the library at `chemin` (a path or a bare name for the system's search) the first
    // time, or returns the one already loaded. Raises DbError when it cannot be loaded, when its
    // entry point is missing, or when the master interface is null.
    static Client& charger(const QString& chemin);
    // Shuts the dispatcher down if a library was loaded (call once before the process exits).
    static void arreter();
    // While true, SIGINT and SIGTERM are the program's: the library does not shut down on them.
    static void laisserSignauxAuProgramme(bool oui);
    // Name of the platform's client library file ("libfbclient.so.2").
    static QString nomBibliothequePlateforme();

    struct Impl;
    Impl* impl() const { return d; }

private:
    explicit Client(Impl* impl) : d(impl) {}
    Impl* d;   // lives as long as the process, like the library
};

// Shuts the dispatcher down when it goes out of scope: declare it before every Database of
// the program (main's first local), so that it runs after they are all closed.
class FinClient
{
public:
    FinClient() = default;
    ~FinClient() { Client::arreter(); }
    FinClient(const FinClient&) = delete;
    FinClient& operator=(const FinClient&) = delete;
};

// The client library file could not be loaded at all (missing, unreadable, wrong architecture):
// the caller may add a hint naming the file.
class ErreurChargement : public DbError
{
public:
    using DbError::DbError;
};

class Database
{
public:
    Database();
    ~Database();   // detaches, swallowing errors
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void setDatabaseName(const QString& connexion);   // "host/port:alias", or a bare path (embedded)
    QString databaseName() const;
    void setLibraryName(const QString& bibliotheque);
    QString libraryName() const;
    // Connection parameters, "name=value": user_name, password, lc_ctype (others are refused).
    void setParams(const QStringList& parametres);
    QStringList params() const;

    void open();          // raises DbError
    void close();         // rolls back and ends every transaction of the attachment first
    bool isOpen() const;

    // Callable from another thread while a statement runs on this attachment: the statement
    // then fails with "operation was cancelled" and is undone (fb_cancel_raise). A request that
    // finds no statement running has no effect, not even on the next statement: whoever wants
    // a statement about to start stopped makes the request again. Failures are swallowed.
    void annulerOperation();
    // Drops a request the engine may still hold (the thread using the attachment calls it once
    // no further request can come), so that its next statements run.
    void oublierAnnulation();

    // Creates a new database file (for fixtures and tools): ISO8859_1 default character set.
    static void creer(const QString& bibliotheque, const QString& connexion, const QStringList& parametres,
                      int taillePage = 8192);

    struct Impl;
    Impl* impl() const { return d.get(); }

private:
    std::unique_ptr<Impl> d;
};

class Transaction
{
public:
    explicit Transaction(Database& base);
    ~Transaction();   // rolls back when still active, swallowing errors
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // "write", "read", "wait", "nowait", "rec_version", "no_rec_version", "read_committed",
    // "concurrency", "consistency"; given in order, as the TPB is built in that order.
    void setParams(const QStringList& parametres);
    QStringList params() const;

    void start();      // does nothing when already active
    void commit();     // hard commit; ends the transaction
    void rollback();   // ends the transaction
    bool isActive() const;
    Database& database() const;

    // Sends one statement text unchanged (no parameter processing); a SELECT's rows are
    // read and discarded. Starts nothing: the transaction must be active.
    void executeImmediate(const QString& sql);

    struct Impl;
    Impl* impl() const { return d.get(); }

private:
    std::unique_ptr<Impl> d;
};

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
    QString sql() const;
    QStringList paramNames() const;       // distinct names, in order of first appearance

    void setParam(const QString& nom, qint64 valeur);
    void setParam(const QString& nom, const QString& valeur);
    void setParam(const QString& nom, const QDate& valeur);
    void setParam(const QString& nom, const Decimal& valeur);
    void setParamNull(const QString& nom);
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
    int columnScale(int colonne) const;
    int columnCharLength(int colonne) const;    // characters, for texts

    bool isNull(int colonne) const;
    qint64 asInt64(int colonne) const;          // null reads as 0; a scaled number is truncated
    qint32 asInteger(int colonne) const;
    Decimal asDecimal(int colonne) const;
    QString asString(int colonne) const;        // CHAR keeps its padding
    QDate asDate(int colonne) const;
    // null: an invalid QVariant; integers qint64, scaled numbers fb::Decimal, texts QString,
    // dates QDate, times QTime, time stamps QDateTime, booleans bool, floating numbers double.
    QVariant value(int colonne) const;

    void close();       // closes the cursor
    void release();     // frees the prepared statement

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace fb

Q_DECLARE_METATYPE(fb::Decimal)
