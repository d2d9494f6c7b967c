#pragma once
// What the files of a statement share: its parameters, its prepared statement and cursor, and
// the row its output message is read from. Include it only from the client layer's own files.
#include "db/DatabaseInterne.h"
#include "db/ParametresNommes.h"
#include "db/Query.h"

#include <QByteArray>
#include <QTime>

#include <cstring>
#include <optional>
#include <variant>
#include <vector>

namespace fb {

using Firebird::IMessageMetadata;
using Firebird::IResultSet;
using Firebird::IStatement;

struct Nul
{
};
using Valeur = std::variant<std::monostate, Nul, qint64, QByteArray, QDate, Decimal>;

// One column of the output message, as the engine describes it.
struct Colonne
{
    QString nom;
    unsigned type = 0;
    int sousType = 0;
    unsigned jeu = 0;   // character set
    unsigned longueur = 0;
    int echelle = 0;
    unsigned decalage = 0;
    unsigned decalageNul = 0;
};

struct Query::Impl : Dependant, CurseurOuvert
{
    Database* base = nullptr;
    Transaction* transaction = nullptr;
    QString sql;
    SqlPositionnel positionnel;
    std::vector<Valeur> valeurs;   // one per distinct name

    IStatement* st = nullptr;
    bool aCurseur = false;
    IMessageMetadata* sortie = nullptr;
    std::vector<Colonne> colonnes;
    std::vector<unsigned char> ligne;
    IResultSet* rs = nullptr;
    bool ligneCourante = false;

    Client::Impl& client() const { return *base->impl()->client; }

    void fermerCurseur() override;
    void liberer();

    void avantDetachement() override { liberer(); }
    void baseDetruite() override { base = nullptr; }
    void transactionDetruite() override { transaction = nullptr; }

    ITransaction* exigerTransaction() const;
    int index(const QString& nom) const;
    void poser(const QString& nom, Valeur v) { valeurs[size_t(index(nom))] = std::move(v); }

    // Prepares the statement and reads the description of its output message.
    void preparer(ITransaction* tra);
    void executer();
    bool suivant();

    // The input message: each marker typed after the value bound to it.
    IMessageMetadata* entree(Appel& appel, std::vector<unsigned char>& tampon);

    // The output message of the current row.
    const Colonne& colonne(int i) const;
    // The current row's cell, or nullptr when it is null. Raises when there is no current row.
    const unsigned char* cellule(int i) const;
    QByteArray octetsTexte(const Colonne& col, const unsigned char* p) const;
    static TypeColonne genre(const Colonne& col);
    // Integer columns, scaled or not, as their raw value.
    static std::optional<qint64> brut(const Colonne& col, const unsigned char* p);
    QDate date(const unsigned char* p) const;
    QTime heure(const unsigned char* p) const;
    QByteArray heureExacte(const unsigned char* p) const;   // hh:mm:ss.ffff

    template <class T>
    static T lire(const unsigned char* p)
    {
        T x;
        std::memcpy(&x, p, sizeof x);
        return x;
    }
};

} // namespace fb
