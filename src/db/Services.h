#pragma once
// The services manager of a Firebird server, or of the embedded engine: the server's own
// utilities (here the backup) run by the server, on its machine and with its rights, and
// report their output line by line. Same rules as the rest of the client layer: one owner
// per handle, released by its destructor; every failure raised as DbError with the server's
// text.
#include "db/DbError.h"

#include <QString>
#include <memory>
#include <optional>

namespace fb {

class ServiceManager
{
public:
    ServiceManager();
    ~ServiceManager();   // detaches, swallowing errors
    ServiceManager(const ServiceManager&) = delete;
    ServiceManager& operator=(const ServiceManager&) = delete;

    // "service_mgr" for the embedded engine, "host/port:service_mgr" for a server: see
    // chaineServices.
    void setServiceName(const QString& connexion);
    void setLibraryName(const QString& bibliotheque);
    void setUser(const QString& utilisateur, const QString& motDePasse);

    void attach();   // raises DbError
    void detach();   // raises DbError; the handle is gone either way

    // Starts the backup of `base` (a path or an alias, as the server names it) into
    // `fichier` (a path on the server's machine), with gbak's verbose output.
    void startBackup(const QString& base, const QString& fichier);

    // The running service's next output line. An empty text when nothing came within
    // `attenteSecondes` (the service still runs: ask again); std::nullopt once it has ended.
    // A service that ended in error raises DbError with the server's text.
    std::optional<QString> nextLine(int attenteSecondes = 1);

    // The services manager's connection string for the database connection string's server:
    // "service_mgr" when `hote` is empty (embedded engine), else "hote/port:service_mgr".
    static QString chaineServices(const QString& hote, const QString& port);

    // True when a server at `hote` runs on this machine: the embedded engine (empty), "localhost",
    // an address of 127.0.0.0/8 or "::1". Its files are then ours to check and remove.
    static bool estCetteMachine(const QString& hote);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace fb
