#pragma once
// What the files of the client layer share and nobody else sees: the loaded library and the
// helpers that wrap every call in a status object and turn a failure into DbError. Include it
// only from the client layer's own files.
#include "db/Client.h"

#include <firebird/Interface.h>

#include <QByteArray>
#include <QString>

#ifndef Q_OS_WIN
#include <signal.h>
#endif

namespace fb {

using Firebird::FbException;
using Firebird::IMaster;
using Firebird::IProvider;
using Firebird::IStatus;
using Firebird::IUtil;
using Firebird::IXpbBuilder;
using Firebird::ThrowStatusWrapper;

struct Client::Impl
{
    IMaster* master = nullptr;
    IUtil* util = nullptr;
    IProvider* dispatcher = nullptr;
    decltype(&isc_sqlcode) sqlcode = nullptr;
    decltype(&fb_sqlstate) sqlstate = nullptr;
    decltype(&fb_interpret) interpret = nullptr;
    bool arrete = false;
};

// The library's error status as DbError: its lines (each line after the first starts with
// "-"), the SQL code and the SQLSTATE.
DbError versDbError(const Client::Impl& c, const IStatus* statut);

// Texts travel as Windows-1252 bytes.
QByteArray octets(const QString& s);

// "C:\x", "/x", "x.fdb", "service_mgr" or an alias: no host part, the embedded engine serves it.
bool estCheminLocal(const QString& connexion);

// One status object for one call of the library; failures come out as DbError.
class Appel
{
public:
    explicit Appel(const Client::Impl& c) : m_client(c), m_statut(c.master->getStatus()) {}
    ~Appel() { m_statut.dispose(); }
    Appel(const Appel&) = delete;
    Appel& operator=(const Appel&) = delete;

    template <class F>
    auto operator()(F&& f)
    {
        try {
            m_statut.init();
            return f(&m_statut);
        } catch (const FbException& e) {
            throw versDbError(m_client, e.getStatus());
        }
    }

private:
    const Client::Impl& m_client;
    ThrowStatusWrapper m_statut;
};

// Runs f, swallowing every failure: for destructors and clean-up paths.
template <class F>
void sansErreur(const Client::Impl& c, F&& f)
{
    try {
        Appel appel(c);
        appel(std::forward<F>(f));
    } catch (...) {
    }
}

class Bloc
{
public:
    Bloc(const Client::Impl& c, unsigned genre) : m_client(c)
    {
        Appel appel(c);
        m_bloc = appel([&](ThrowStatusWrapper* s) { return c.util->getXpbBuilder(s, genre, nullptr, 0); });
    }
    ~Bloc() { m_bloc->dispose(); }
    Bloc(const Bloc&) = delete;
    Bloc& operator=(const Bloc&) = delete;

    void tag(unsigned char t)
    {
        Appel appel(m_client);
        appel([&](ThrowStatusWrapper* s) { m_bloc->insertTag(s, t); });
    }
    void entier(unsigned char t, int v)
    {
        Appel appel(m_client);
        appel([&](ThrowStatusWrapper* s) { m_bloc->insertInt(s, t, v); });
    }
    void texte(unsigned char t, const QByteArray& v)
    {
        Appel appel(m_client);
        appel([&](ThrowStatusWrapper* s) { m_bloc->insertString(s, t, v.constData()); });
    }
    unsigned longueur()
    {
        Appel appel(m_client);
        return appel([&](ThrowStatusWrapper* s) { return m_bloc->getBufferLength(s); });
    }
    const unsigned char* octets()
    {
        Appel appel(m_client);
        return appel([&](ThrowStatusWrapper* s) { return m_bloc->getBuffer(s); });
    }

private:
    const Client::Impl& m_client;
    IXpbBuilder* m_bloc = nullptr;
};

// The engine takes SIGINT and SIGTERM over at the first attachment: it then shuts itself
// down on either signal and leaves the process running on a dead connection. The program's
// own dispositions are put back, so that the signals end it as they end any program.
class GardeSignaux
{
public:
    GardeSignaux()
    {
#ifndef Q_OS_WIN
        ::sigaction(SIGINT, nullptr, &m_int);
        ::sigaction(SIGTERM, nullptr, &m_term);
#endif
    }
    ~GardeSignaux()
    {
#ifndef Q_OS_WIN
        ::sigaction(SIGINT, &m_int, nullptr);
        ::sigaction(SIGTERM, &m_term, nullptr);
#endif
    }
    GardeSignaux(const GardeSignaux&) = delete;
    GardeSignaux& operator=(const GardeSignaux&) = delete;

private:
#ifndef Q_OS_WIN
    struct sigaction m_int {};
    struct sigaction m_term {};
#endif
};

} // namespace fb
