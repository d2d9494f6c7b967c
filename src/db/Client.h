#pragma once
// The client library libfbclient, loaded at run time by file name, and its C++ interface.
// Every handle of the client layer is owned by exactly one object and released in its
// destructor; every failure is raised as DbError carrying the library's full text and SQL
// code. Texts travel as Windows-1252 bytes on an ISO8859_1 connection.
#include "db/DbError.h"

#include <QString>

namespace fb {

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
// the program (the entry point's first local), so that it runs after they are all closed.
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

} // namespace fb
