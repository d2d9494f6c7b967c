#pragma once
// One attachment to a database through the client library.
#include <QString>
#include <QStringList>
#include <memory>

namespace fb {

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
    // Connection parameters, "name=value": user_name, password, lc_ctype (others are refused).
    void setParams(const QStringList& parametres);

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

} // namespace fb
