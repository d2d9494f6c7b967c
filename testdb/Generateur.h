#pragma once
// Test data for the club database: fixed reference rows (centres, stations, VAT, currencies,
// payment methods, articles, translations) and, per client, activities, schedule entries,
// tickets, sales and payments drawn from a seeded generator.

#include <QByteArray>
#include <QDate>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <string>

namespace testdb {

// splitmix64: small, fast and identical on every platform, unlike std::rand.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // 0 .. n-1
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    // true with the given chance in percent
    bool percent(int p) { return below(100) < p; }

private:
    std::uint64_t state_;
};

// Gathers INSERT statements into small EXECUTE BLOCKs, so that isql prepares one statement
// per dozen rows, and commits regularly.
class SqlWriter {
public:
    explicit SqlWriter(std::FILE *out) : out_(out) {}
    void raw(const QByteArray &text);
    void insert(const QByteArray &statement);
    void flushBlock();
    void commit();
    void finish();

private:
    std::FILE *out_;
    QByteArray block_;
    int blocksSinceCommit_ = 0;
};

// Value texts for SQL literals.
QByteArray sqlText(const QString &text); // quoted, ISO 8859-1, inner quotes doubled, NULL when null
QByteArray sqlDate(const QDate &date);   // 'yyyy-MM-dd' or NULL
QByteArray sqlCents(std::int64_t cents); // 39.95
QByteArray sqlId(std::int64_t id);       // NULL when 0

// A default tariff of an article, with its VAT id.
struct Tarif {
    std::int64_t article;
    std::int64_t tarif;
    std::int64_t tva;
    std::int64_t prixCents;
    const char *nom;
};

class Generateur {
public:
    Generateur(SqlWriter &out, std::uint64_t seed, QDate today);
    // `cas`: the overlap cases after the data; `chevauchements`: that many more overlapping
    // entries (rows of ECHEANCES_DOUBLONS), in activities of eleven open-ended entries, for
    // the benchmarks.
    void ecrire(long long clients, bool cas = false, long long chevauchements = 0);

    // The overlap cases of ECHEANCES_DOUBLONS: fixed clients from this id on (above 2^53, so
    // that an id read through a double shows), fixed activity and entry ids below the
    // generated ones.
    static constexpr std::int64_t PremierClientCas = 9'007'199'254'740'993;

    // Fixed ids, documented in testdb/README.md.
    static constexpr int CentrePrincipal = 1001;
    static constexpr int CentreAnnexe = 1002;
    static constexpr int CentreTrois = 1003;
    static constexpr std::int64_t PremierIdGenerique = 10'000'000;

private:
    struct Echeance {
        std::int64_t id = 0;
        std::int64_t mode = 0;
        std::int64_t montant = 0;
        Tarif tarif{};
        bool vente = false;
    };

    void referentiel();
    void casChevauchement();
    void ecrireChevauchements(long long lignes);
    void client(std::int64_t id);
    void activite(std::int64_t idCli, int centre, bool premiere, Echeance &prelevee);
    std::int64_t echeance(std::int64_t idCli, int centre, std::int64_t idAct, const Tarif &tarif,
                          std::int64_t mode, std::int64_t montant, QDate prochaine, QDate derniere,
                          bool vente);
    std::int64_t ticket(std::int64_t idCli, int centre, QDate date, int etat, std::int64_t montant);
    void vente(std::int64_t idCli, int centre, std::int64_t idTicket, const Tarif &tarif,
               std::int64_t montant, QDate date);
    void reglement(std::int64_t idCli, int centre, std::int64_t idTicket, std::int64_t mode,
                   std::int64_t montant, QDate date);
    std::int64_t nouvelId() { return nextId_++; }
    static std::int64_t stationDe(int centre);
    static int tauxTva(std::int64_t tva);

    SqlWriter &out_;
    Random rnd_;
    QDate today_;
    QDate month0_; // first day of the reference month
    std::int64_t nextId_ = PremierIdGenerique;
};

} // namespace testdb
