#pragma once
// What an attachment, its transactions and its statements know of each other, and nobody
// else sees: each handle that depends on another is told when that one goes away, so that
// it is freed first and never used after. Include it only from the client layer's own files.
#include "db/Database.h"
#include "db/FirebirdInterne.h"
#include "db/Transaction.h"

#include <algorithm>
#include <vector>

namespace fb {

using Firebird::IAttachment;
using Firebird::ITransaction;

// Handles that depend on an attachment.
struct Dependant
{
    virtual ~Dependant() = default;
    virtual void avantDetachement() = 0;   // free every handle of the attachment
    virtual void baseDetruite() = 0;
};

struct Database::Impl
{
    QString connexion;
    QString bibliotheque = Client::nomBibliothequePlateforme();
    QStringList parametres;
    Client::Impl* client = nullptr;
    IAttachment* att = nullptr;
    std::vector<Dependant*> dependants;

    void oter(Dependant* d) { dependants.erase(std::remove(dependants.begin(), dependants.end(), d), dependants.end()); }

    Client::Impl& exigerClient()
    {
        if (!client)
            client = Client::charger(bibliotheque).impl();
        return *client;
    }
    void exigerOuverte() const
    {
        if (!att)
            throw DbError(QStringLiteral("La base de données n'est pas connectée."));
    }
};

// Statements whose cursor lives in a transaction.
struct CurseurOuvert
{
    virtual ~CurseurOuvert() = default;
    virtual void fermerCurseur() = 0;
    virtual void transactionDetruite() = 0;
};

struct Transaction::Impl : Dependant
{
    Database* base = nullptr;
    QStringList parametres;
    ITransaction* tra = nullptr;
    std::vector<CurseurOuvert*> requetes;

    void oter(CurseurOuvert* q) { requetes.erase(std::remove(requetes.begin(), requetes.end(), q), requetes.end()); }

    void fermerCurseurs()
    {
        for (CurseurOuvert* q : std::vector<CurseurOuvert*>(requetes))
            q->fermerCurseur();
    }

    void terminer(bool valider);   // commit or roll back; closes the cursors first

    void avantDetachement() override
    {
        try {
            terminer(false);
        } catch (...) {
        }
    }
    void baseDetruite() override { base = nullptr; }
};

} // namespace fb
