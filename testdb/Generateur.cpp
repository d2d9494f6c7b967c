#include "Generateur.h"

#include <array>

namespace testdb {

std::uint64_t Random::next()
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Statements may reach 64 KB, but the engine's memory handling makes large blocks slow to
// compile: about 4 KB (a dozen rows) per block measured fastest.
constexpr qsizetype BlockLimit = 4000;
constexpr int BlocksPerCommit = 200;

void SqlWriter::raw(const QByteArray &text)
{
    flushBlock();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), out_);
}

void SqlWriter::insert(const QByteArray &statement)
{
    if (!block_.isEmpty() && block_.size() + statement.size() + 8 > BlockLimit)
        flushBlock();
    block_ += statement;
    block_ += ";\n";
}

void SqlWriter::flushBlock()
{
    if (block_.isEmpty())
        return;
    const QByteArray text = "EXECUTE BLOCK AS BEGIN\n" + block_ + "END^\n";
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), out_);
    block_.clear();
    if (++blocksSinceCommit_ >= BlocksPerCommit)
        commit();
}

void SqlWriter::commit()
{
    flushBlock();
    static const char text[] = "COMMIT^\n";
    std::fwrite(text, 1, sizeof text - 1, out_);
    blocksSinceCommit_ = 0;
}

void SqlWriter::finish()
{
    commit();
    static const char text[] = "SET TERM ;^\n";
    std::fwrite(text, 1, sizeof text - 1, out_);
    std::fflush(out_);
}

QByteArray sqlText(const QString &text)
{
    if (text.isNull())
        return "NULL";
    QByteArray bytes = text.toLatin1();
    bytes.replace('\'', "''");
    return '\'' + bytes + '\'';
}

QByteArray sqlDate(const QDate &date)
{
    if (!date.isValid())
        return "NULL";
    return '\'' + date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1() + '\'';
}

QByteArray sqlCents(std::int64_t cents)
{
    const bool negative = cents < 0;
    const std::int64_t abs = negative ? -cents : cents;
    QByteArray text = QByteArray::number(static_cast<qlonglong>(abs / 100)) + '.'
                      + QByteArray::number(static_cast<qlonglong>(abs % 100)).rightJustified(2, '0');
    return negative ? '-' + text : text;
}

QByteArray sqlId(std::int64_t id)
{
    return id == 0 ? QByteArray("NULL") : QByteArray::number(static_cast<qlonglong>(id));
}

namespace {

using Q = QByteArray;

Q num(std::int64_t v) { return QByteArray::number(static_cast<qlonglong>(v)); }

const std::array<const char *, 36> Noms = {
    "Martin", "Bernard", "Dubois", "Thomas", "Robert", "Richard", "Petit", "Durand", "Leroy",
    "Moreau", "Simon", "Laurent", "Lefèvre", "Michel", "Garcia", "David", "Bertrand", "Roux",
    "Vincent", "Fournier", "Morel", "Girard", "André", "Lefebvre", "Mercier", "Dupont", "Lambert",
    "Bonnet", "François", "Martinez", "D'Angelo", "N'Diaye", "Crépin", "Müller", "Façonnet", "Lemaître"};
const std::array<const char *, 20> Prenoms = {
    "Marie", "Jean", "Pierre", "Michel", "André", "Philippe", "Hélène", "Françoise", "Zoé", "Joël",
    "Anaïs", "Noël", "Chloé", "Léa", "Hugo", "Lucas", "Emma", "Louis", "Inès", "Jérôme"};

} // namespace

Generateur::Generateur(SqlWriter &out, std::uint64_t seed, QDate today)
    : out_(out), rnd_(seed), today_(today), month0_(today.year(), today.month(), 1)
{
}

std::int64_t Generateur::stationDe(int centre)
{
    switch (centre) {
    case CentreAnnexe: return 111;
    case CentreTrois: return 121;
    default: return 101;
    }
}

int Generateur::tauxTva(std::int64_t tva)
{
    // percent × 100
    switch (tva) {
    case 1: return 2000;
    case 2: return 1000;
    case 3: return 550;
    default: return 0;
    }
}

// Subscription tariffs drawn for activities, and the fee sold to make some balances negative.
namespace {
constexpr Tarif Mensuel{201, 301, 1, 3995, "Abonnement mensuel"};
constexpr Tarif Premium{202, 302, 1, 5990, "Abonnement premium"};
constexpr Tarif Cours{203, 303, 2, 1250, "Cours collectif"};
constexpr Tarif Frais{204, 304, 1, 2500, "Frais de dossier"};
} // namespace

void Generateur::referentiel()
{
    out_.raw("SET TERM ^;\n");
    const auto row = [this](const char *table, const Q &values) {
        out_.insert(Q("INSERT INTO ") + table + " VALUES (" + values + ')');
    };
    // CENTRE_GENERATOR > 1 marks the head centre, the one the connection picks by default.
    row("CENTRE (CTR_ID, CTR_NOM, CTR_GENERATOR)", "1001, 'Centre principal', 2");
    row("CENTRE (CTR_ID, CTR_NOM, CTR_GENERATOR)", "1002, 'Centre annexe', 1");
    row("CENTRE (CTR_ID, CTR_NOM, CTR_GENERATOR)", "1003, " + sqlText(QStringLiteral("Centre des Îles")) + ", 0");
    row("STATION (STA_ID, STA_NOM, STA_CREATION_IDCTR)", "101, " + sqlText(QStringLiteral("Caisse accueil")) + ", 1001");
    row("STATION (STA_ID, STA_NOM, STA_CREATION_IDCTR)", "102, 'Caisse bar', 1001");
    row("STATION (STA_ID, STA_NOM, STA_CREATION_IDCTR)", "111, 'Caisse annexe', 1002");
    row("STATION (STA_ID, STA_NOM, STA_CREATION_IDCTR)", "121, " + sqlText(QStringLiteral("Caisse îles")) + ", 1003");
    row("TVA (TVA_ID, TVA_LIBELLE, TVA_TAUX)", "1, 'Taux normal', 20");
    row("TVA (TVA_ID, TVA_LIBELLE, TVA_TAUX)", "2, " + sqlText(QStringLiteral("Taux intermédiaire")) + ", 10");
    row("TVA (TVA_ID, TVA_LIBELLE, TVA_TAUX)", "3, " + sqlText(QStringLiteral("Taux réduit")) + ", 5.5");
    row("TVA (TVA_ID, TVA_LIBELLE, TVA_TAUX)", "4, " + sqlText(QStringLiteral("Exonéré")) + ", 0");
    row("DEVISE (DEV_ID, DEV_LIBELLE, DEV_DEFAUT)", "'EUR', 'Euro', -1");
    row("DEVISE (DEV_ID, DEV_LIBELLE, DEV_DEFAUT)", "'CHF', 'Franc suisse', 0");
    const struct {
        int id, type, horsUsage;
        const char *libelle;
    } modes[] = {{1, 1, 0, "Espèces"},
                 {2, 2, 0, "Chèque"},
                 {3, 3, 0, "Carte bancaire"},
                 {4, 4, 0, "Prélèvement SEPA"},
                 {5, 4, 0, "Prélèvement mensuel"},
                 {6, 4, -1, "Prélèvement ancien"},
                 {7, 5, 0, "Virement"},
                 {8, 4, 0, "Prélèvement trimestriel"}};
    for (const auto &m : modes)
        row("MODE_PAIEMENT (MOD_ID, MOD_LIBELLE, MOD_TYPE, MOD_NE_PAS_UTILISER)",
            num(m.id) + ", " + sqlText(QString::fromUtf8(m.libelle)) + ", " + num(m.type) + ", " + num(m.horsUsage));
    const struct {
        int id, vendable, categorie;
        const char *nom;
    } articles[] = {{201, -1, 1, "Abonnement mensuel"},
                    {202, -1, 1, "Abonnement premium"},
                    {203, -1, 2, "Cours collectif"},
                    {204, -1, 32, "Frais de dossier"},
                    {205, -1, 64, "Régularisation de solde"},
                    {206, -1, 64, "Remise sans tarif"},
                    {207, -1, 4, "Boisson"},
                    {208, 0, 1, "Ancien abonnement"},
                    {209, -1, 2, "Séance d'essai"}};
    for (const auto &a : articles)
        row("ARTICLE (ART_ID, ART_NOM, ART_VENDABLE, ART_CATEGORIE)",
            num(a.id) + ", " + sqlText(QString::fromUtf8(a.nom)) + ", " + num(a.vendable) + ", " + num(a.categorie));
    // 205 has a zero default price; 206 has no default tariff at all; 202 has a second tariff.
    const struct {
        int id, article, tva, defaut;
        const char *prix;
    } tarifs[] = {{301, 201, 1, -1, "39.95"}, {302, 202, 1, -1, "59.90"}, {312, 202, 1, 0, "49.90"},
                  {303, 203, 2, -1, "12.50"}, {304, 204, 1, -1, "25.00"}, {305, 205, 1, -1, "0"},
                  {306, 206, 1, 0, "10.00"},  {307, 207, 3, -1, "2.50"},  {308, 208, 1, -1, "35.00"},
                  {309, 209, 2, -1, "15.00"}};
    for (const auto &t : tarifs)
        row("ARTICLE_TARIF (ATA_ID, ATA_IDART, ATA_PRIX, ATA_IDTVA, ATA_DEFAUT)",
            num(t.id) + ", " + num(t.article) + ", " + t.prix + ", " + num(t.tva) + ", " + num(t.defaut));
    const struct {
        int id;
        const char *langue, *texte;
    } traductions[] = {{2479, "FR", "Remise à zéro du solde"},
                       {2479, "EN", "Balance reset"},
                       {2480, "FR", "Prélèvement"},
                       {2481, "FR", "Annulation de prélèvement"}};
    for (const auto &t : traductions)
        row("TRADUCTION (TRA_ID, TRA_LANGUE, TRA_TEXTE)",
            num(t.id) + ", '" + t.langue + "', " + sqlText(QString::fromUtf8(t.texte)));
    out_.commit();
}

void Generateur::ecrire(long long clients, bool cas, long long chevauchements)
{
    referentiel();
    for (long long i = 1; i <= clients; ++i)
        client(i);
    out_.commit();
    if (cas)
        casChevauchement();
    ecrireChevauchements(chevauchements);
    // The generator's next value must stay clear of every id written above.
    out_.raw("ALTER SEQUENCE IDGENERIQUE RESTART WITH " + num(nextId_) + "^\n");
    out_.raw("ALTER SEQUENCE IDTEMPORAIRE RESTART WITH 0^\n");
}

void Generateur::casChevauchement()
{
    // Ids of their own, so that every generated row keeps its id whatever the cases hold.
    std::int64_t idAct = 9'990'000;
    std::int64_t idEche = 9'991'000;
    std::int64_t idCli = PremierClientCas;
    const QDate f = month0_.addMonths(1).addDays(4); // the 5th of next month: always ahead
    const QDate finie = today_.addDays(-1);          // ended: no client selection picks them
    constexpr Tarif Aucun{0, 0, 1, 0, ""};

    const auto cas = [&](const char *nom, const char *prenom) {
        out_.insert("INSERT INTO CLIENTS (CLI_ID, CLI_NOM, CLI_PRENOM, CLI_CENTRE) VALUES (" + num(idCli) + ", "
                    + sqlText(QString::fromUtf8(nom)) + ", " + sqlText(QString::fromUtf8(prenom)) + ", "
                    + num(CentreTrois) + ')');
        const std::int64_t id = idCli;
        idCli += 2;
        return id;
    };
    const auto activite = [&](std::int64_t cli, const Tarif &tarif) {
        out_.insert("INSERT INTO CLIENTS_ACTIVITE (ACT_ID, ACT_IDCLI, ACT_IDART, ACT_DEBUT, ACT_FIN, "
                    "ACT_ARCHIVE_DATE) VALUES (" + num(++idAct) + ", " + num(cli) + ", " + sqlId(tarif.article)
                    + ", " + sqlDate(month0_.addMonths(-12)) + ", " + sqlDate(finie) + ", NULL)");
        return idAct;
    };
    // mode 4 with sale: the entries that make a group; others take part once it is examined.
    const auto entree = [&](std::int64_t cli, std::int64_t act, const Tarif &tarif, QDate prochaine,
                            QDate derniere, std::int64_t mode = 4, bool vente = true) {
        out_.insert("INSERT INTO ECHEANCIER (ECHE_ID, ECHE_IDCLI, ECHE_IDTVA, ECHE_IDMOD, ECHE_IDDEV, ECHE_IDART, "
                    "ECHE_IDACT, ECHE_PROCHAINE, ECHE_DERNIERE, ECHE_MONTANT, ECHE_LIBELLE, ECHE_VENTE, "
                    "ECHE_REGLEMENT, ECHE_NON_PAYEE, ECHE_MANUELLE, ECHE_CREATION_IDCTR) VALUES ("
                    + num(++idEche) + ", " + num(cli) + ", " + num(tarif.tva) + ", " + num(mode) + ", 'EUR', "
                    + num(tarif.article) + ", " + sqlId(act) + ", " + sqlDate(prochaine) + ", " + sqlDate(derniere)
                    + ", " + sqlCents(tarif.prixCents) + ", " + sqlText(QString::fromUtf8(tarif.nom)) + ", "
                    + (vente ? "-1" : "0") + ", " + (mode == 4 ? "-1" : "0") + ", 0, 0, " + num(CentreTrois) + ')');
    };

    // Falls due the very day the one before ends: listed; the day after that one's end: not.
    std::int64_t c = cas("Chevauchement", "Même jour");
    std::int64_t a = activite(c, Mensuel);
    const QDate g = f.addMonths(3);
    entree(c, a, Mensuel, f, g);
    entree(c, a, Mensuel, g, g.addMonths(6));
    entree(c, a, Mensuel, g.addMonths(6).addDays(1), QDate());

    // After an open-ended entry: listed against 31.12.2099; the next one is compared with the
    // listed entry's own end, not with 2099.
    c = cas("Chevauchement \"sans fin\"", "Sans fin");
    a = activite(c, Premium);
    entree(c, a, Premium, f, QDate());
    entree(c, a, Premium, f.addMonths(2), f.addMonths(14));
    entree(c, a, Premium, f.addMonths(20), f.addMonths(30));

    // The first entry against 01.01.2000: listed on that day, not on the next.
    c = cas("Chevauchement", "An 2000");
    a = activite(c, Cours);
    entree(c, a, Cours, QDate(2000, 1, 1), QDate(2000, 6, 30), 2, false);
    entree(c, a, Cours, f, f.addMonths(1).addDays(-1));
    entree(c, a, Cours, f.addMonths(1), f.addMonths(2).addDays(-1));
    a = activite(c, Cours);
    entree(c, a, Cours, QDate(2000, 1, 2), QDate(2000, 3, 31), 2, false);
    entree(c, a, Cours, f, f.addMonths(1).addDays(-1));
    entree(c, a, Cours, f.addMonths(1), f.addMonths(2).addDays(-1));

    // One activity without article, two article groups: each overlap listed once per group.
    c = cas("Chevauchement", "Deux; articles");
    a = activite(c, Aucun);
    entree(c, a, Mensuel, f, f.addMonths(6));
    entree(c, a, Cours, f.addMonths(1), f.addMonths(12));
    entree(c, a, Mensuel, f.addMonths(13), f.addMonths(20));
    entree(c, a, Cours, f.addMonths(14), QDate());

    // The next client id and three entry ids are kept for entries attached to no activity,
    // which the overlap tests add themselves (the statement checks count such entries).
    idCli += 2;
    idEche += 3;

    // One future direct debit with sale: not examined, though its other entries overlap.
    c = cas("Chevauchement", "Non examinée");
    a = activite(c, Mensuel);
    entree(c, a, Mensuel, today_.addDays(-200), today_.addDays(-30));
    entree(c, a, Mensuel, today_.addDays(-100), today_.addDays(-60));
    entree(c, a, Mensuel, f, f.addMonths(12));
    entree(c, a, Mensuel, f.addMonths(1), f.addMonths(2), 2, true);
    entree(c, a, Mensuel, f.addMonths(1), f.addMonths(2), 4, false);

    // Examined: every entry of the activity takes part, a single cheque included.
    c = cas("Chevauchement", "Toutes échéances");
    a = activite(c, Mensuel);
    entree(c, a, Mensuel, f, f.addMonths(1).addDays(-1));
    entree(c, a, Mensuel, f.addMonths(1), f.addMonths(2).addDays(-1));
    entree(c, a, Mensuel, f.addMonths(1).addDays(9), f.addMonths(1).addDays(9), 2, false);
    out_.commit();
}

void Generateur::ecrireChevauchements(long long lignes)
{
    if (lignes <= 0)
        return;
    // One loop on the server: a hundred thousand rows in seconds, where one INSERT per row
    // would take minutes.
    const long long activites = (lignes + 9) / 10;
    const std::int64_t debut = nextId_;
    nextId_ += activites * 13;
    const QDate f = month0_.addMonths(1).addDays(4);
    out_.raw("EXECUTE BLOCK AS\n"
             "DECLARE A BIGINT = 0;\nDECLARE J INTEGER;\nDECLARE E INTEGER;\nDECLARE ID BIGINT;\n"
             "BEGIN\n"
             "  WHILE (A < " + num(activites) + ") DO BEGIN\n"
             "    ID = " + num(debut) + " + A * 13;\n"
             "    E = IIF(" + num(lignes) + " - A * 10 >= 10, 10, " + num(lignes) + " - A * 10) + 1;\n"
             "    INSERT INTO CLIENTS (CLI_ID, CLI_NOM, CLI_PRENOM, CLI_CENTRE) VALUES (:ID, " + sqlText(QStringLiteral("Série")) + ", 'Chevauchement ' || :A, 1001);\n"
             "    INSERT INTO CLIENTS_ACTIVITE (ACT_ID, ACT_IDCLI, ACT_IDART, ACT_DEBUT) VALUES (:ID + 1, :ID, 201, "
             + sqlDate(month0_.addMonths(-12)) + ");\n"
             "    J = 0;\n"
             "    WHILE (J < E) DO BEGIN\n"
             "      INSERT INTO ECHEANCIER (ECHE_ID, ECHE_IDCLI, ECHE_IDTVA, ECHE_IDMOD, ECHE_IDDEV, ECHE_IDART, ECHE_IDACT, "
             "ECHE_PROCHAINE, ECHE_MONTANT, ECHE_LIBELLE, ECHE_VENTE, ECHE_REGLEMENT, ECHE_NON_PAYEE, ECHE_MANUELLE, "
             "ECHE_CREATION_IDCTR) VALUES (:ID + 2 + :J, :ID, 1, 4, 'EUR', 201, :ID + 1, DATEADD(:J MONTH TO DATE "
             + sqlDate(f) + "), 39.95, 'Abonnement mensuel', -1, -1, 0, 0, 1001);\n"
             "      J = J + 1;\n"
             "    END\n"
             "    A = A + 1;\n"
             "  END\n"
             "END^\n");
    out_.commit();
}

std::int64_t Generateur::ticket(std::int64_t idCli, int centre, QDate date, int etat, std::int64_t montant)
{
    const std::int64_t id = nouvelId();
    out_.insert("INSERT INTO TICKET (TIC_ID, TIC_IDCLI, TIC_CREATION_IDCTR, TIC_IDSTA, TIC_DATE, TIC_ETAT, "
                "TIC_MONTANT) VALUES (" + num(id) + ", " + num(idCli) + ", " + num(centre) + ", "
                + num(stationDe(centre)) + ", " + sqlDate(date) + ", " + num(etat) + ", " + sqlCents(montant) + ')');
    return id;
}

void Generateur::vente(std::int64_t idCli, int centre, std::int64_t idTicket, const Tarif &tarif,
                       std::int64_t montant, QDate date)
{
    const int taux = tauxTva(tarif.tva);
    // Amount without tax, rounded to the cent.
    const std::int64_t ht = (montant * 10000 * 2 / (10000 + taux) + (montant >= 0 ? 1 : -1)) / 2;
    out_.insert("INSERT INTO VENTE (VTE_ID, VTE_IDCLI, VTE_IDDEVISE, VTE_IDTVA, VTE_QTE, VTE_PU, VTE_PU_HT, "
                "VTE_IDART, VTE_IDOPE, VTE_LIBELLE, VTE_MONTANT_TTC, VTE_MONTANT_HT, VTE_TAUX_TVA, "
                "VTE_CAISSE_IDSTA, VTE_IDATA, VTE_IDTICK, VTE_CREATION_IDCTR, VTE_DATE) VALUES ("
                + num(nouvelId()) + ", " + num(idCli) + ", 'EUR', " + num(tarif.tva) + ", 1, "
                + sqlCents(montant) + ", " + sqlCents(ht) + ", " + num(tarif.article) + ", "
                + num(nouvelId()) + ", " + sqlText(QString::fromUtf8(tarif.nom)) + ", " + sqlCents(montant)
                + ", " + sqlCents(ht) + ", " + sqlCents(taux) + ", " + num(stationDe(centre)) + ", "
                + num(tarif.tarif) + ", " + num(idTicket) + ", " + num(centre) + ", " + sqlDate(date) + ')');
}

void Generateur::reglement(std::int64_t idCli, int centre, std::int64_t idTicket, std::int64_t mode,
                           std::int64_t montant, QDate date)
{
    out_.insert("INSERT INTO REGLEMENT (REG_ID, REG_IDCLI, REG_IDTICK, REG_IDMOD, REG_CAISSE_IDSTA, "
                "REG_CREATION_IDCTR, REG_DATE_PAIEMENT, REG_MONTANT, REG_ANNULE) VALUES ("
                + num(nouvelId()) + ", " + num(idCli) + ", " + num(idTicket) + ", " + num(mode) + ", "
                + num(stationDe(centre)) + ", " + num(centre) + ", " + sqlDate(date) + ", "
                + sqlCents(montant) + ", 0)");
}

std::int64_t Generateur::echeance(std::int64_t idCli, int centre, std::int64_t idAct, const Tarif &tarif,
                                  std::int64_t mode, std::int64_t montant, QDate prochaine,
                                  QDate derniere, bool vente)
{
    const std::int64_t id = nouvelId();
    const bool cheque = mode == 2;
    const bool prelevement = mode >= 4 && mode != 7;
    out_.insert("INSERT INTO ECHEANCIER (ECHE_ID, ECHE_IDCLI, ECHE_IDTVA, ECHE_IDMOD, ECHE_IDCAP, ECHE_IDDEV, "
                "ECHE_IDART, ECHE_IDACT, ECHE_PROCHAINE, ECHE_DERNIERE, ECHE_MONTANT, ECHE_POINT, ECHE_LIBELLE, "
                "ECHE_PERIODE_INTERVALLE, ECHE_PERIODE_UNITE, ECHE_VENTE, ECHE_REGLEMENT, ECHE_CHEQUE_NUMERO, "
                "ECHE_CHEQUE_BANQUE, ECHE_NON_PAYEE, ECHE_MANUELLE, ECHE_CREATION_IDCTR) VALUES ("
                + num(id) + ", " + num(idCli) + ", " + num(tarif.tva) + ", " + num(mode) + ", NULL, 'EUR', "
                + num(tarif.article) + ", " + sqlId(idAct) + ", " + sqlDate(prochaine) + ", "
                + sqlDate(derniere) + ", " + sqlCents(montant) + ", 0, "
                + sqlText(QString::fromUtf8(tarif.nom)) + ", 1, 6, " + (vente ? "-1" : "0") + ", "
                + (prelevement ? "-1" : "0") + ", "
                + (cheque ? sqlText(QString::number(1000000 + id % 1000000)) : Q("NULL")) + ", "
                + (cheque ? sqlText(QStringLiteral("Banque du Léman")) : Q("NULL")) + ", 0, 0, "
                + num(centre) + ')');
    return id;
}

void Generateur::client(std::int64_t id)
{
    const int r = rnd_.below(100);
    const int centre = r < 60 ? CentrePrincipal : r < 90 ? CentreAnnexe : CentreTrois;
    const QString nom = QString::fromUtf8(Noms[static_cast<size_t>(rnd_.below(int(Noms.size())))]);
    const QString prenom = QString::fromUtf8(Prenoms[static_cast<size_t>(rnd_.below(int(Prenoms.size())))]);
    out_.insert("INSERT INTO CLIENTS (CLI_ID, CLI_NOM, CLI_PRENOM, CLI_CENTRE) VALUES (" + num(id) + ", "
                + sqlText(nom) + ", " + sqlText(prenom) + ", " + num(centre) + ')');

    // A few clients have no activity at all.
    const int activites = rnd_.percent(3) ? 0 : 1 + (rnd_.percent(30) ? 1 : 0) + (rnd_.percent(8) ? 1 : 0);
    Echeance prelevee;
    for (int a = 0; a < activites; ++a)
        activite(id, centre, a == 0, prelevee);

    // The two last debits of the first current direct-debit entry: a validated ticket for the
    // sale and another for the payment, so that the balance stays even and a cancelled debit
    // leaves the client owing.
    if (prelevee.id != 0 && prelevee.vente) {
        for (int k = 2; k >= 1; --k) {
            const QDate date = month0_.addMonths(-k).addDays(4);
            const std::int64_t tv = ticket(id, centre, date, 1, prelevee.montant);
            vente(id, centre, tv, prelevee.tarif, prelevee.montant, date);
            const std::int64_t tr = ticket(id, centre, date, 1, 0);
            reglement(id, centre, tr, prelevee.mode, prelevee.montant, date);
        }
    }
    // Unpaid fees make some balances negative; extra cheques make some positive.
    if (rnd_.percent(12)) {
        const QDate date = today_.addDays(-1 - rnd_.below(60));
        const std::int64_t t = ticket(id, centre, date, 1, Frais.prixCents);
        vente(id, centre, t, Frais, Frais.prixCents, date);
    }
    if (rnd_.percent(4)) {
        const QDate date = today_.addDays(-1 - rnd_.below(30));
        const std::int64_t t = ticket(id, centre, date, 1, 0);
        reglement(id, centre, t, 2, 2000, date);
    }
    // An open ticket's sale does not count in the balance.
    if (rnd_.percent(2)) {
        const std::int64_t t = ticket(id, centre, today_, 0, 0);
        vente(id, centre, t, Cours, Cours.prixCents, today_);
    }
}

void Generateur::activite(std::int64_t idCli, int centre, bool premiere, Echeance &prelevee)
{
    const std::int64_t idAct = nouvelId();
    const int r = rnd_.below(100);
    const Tarif &tarif = r < 60 ? Mensuel : r < 85 ? Premium : Cours;

    // current (with or without end), ended, archived
    const int k = rnd_.below(100);
    const int genre = premiere ? (k < 80 ? 0 : k < 90 ? 1 : 2) : (k < 60 ? 0 : k < 80 ? 1 : 2);
    QDate debut, fin, archive;
    if (genre == 0) {
        debut = month0_.addMonths(-1 - rnd_.below(24)).addDays(rnd_.below(28));
        const int f = rnd_.below(100);
        if (f < 45)
            fin = QDate();
        else if (f < 90)
            fin = month0_.addMonths(1 + rnd_.below(12)).addDays(-1);
        else if (f < 95)
            fin = today_; // still current today
        else
            fin = today_.addDays(1 + rnd_.below(20));
    } else {
        fin = today_.addDays(-1 - rnd_.below(400));
        debut = fin.addMonths(-6 - rnd_.below(18));
        if (genre == 2) {
            archive = fin.addDays(rnd_.below(30));
            if (archive > today_)
                archive = today_;
            if (rnd_.percent(30))
                fin = QDate();
        }
    }
    const bool sansArticle = rnd_.percent(5);
    out_.insert("INSERT INTO CLIENTS_ACTIVITE (ACT_ID, ACT_IDCLI, ACT_IDART, ACT_DEBUT, ACT_FIN, "
                "ACT_ARCHIVE_DATE) VALUES (" + num(idAct) + ", " + num(idCli) + ", "
                + (sansArticle ? Q("NULL") : num(tarif.article)) + ", " + sqlDate(debut) + ", "
                + sqlDate(fin) + ", " + sqlDate(archive) + ')');

    // Payment method: mostly direct debit (one of them out of use), else cash, cheque, card, transfer.
    std::int64_t mode;
    if (rnd_.percent(75)) {
        const int m = rnd_.below(100);
        mode = m < 60 ? 4 : m < 85 ? 5 : m < 95 ? 8 : 6;
    } else {
        static const std::int64_t autres[] = {1, 2, 3, 7};
        mode = autres[rnd_.below(4)];
    }
    const bool avecVente = rnd_.percent(85);
    const std::int64_t montant = rnd_.percent(10) ? tarif.prixCents + 500 * (1 + rnd_.below(4)) : tarif.prixCents;

    if (genre != 0) {
        const QDate derniere = fin.isValid() ? fin : archive;
        echeance(idCli, centre, idAct, tarif, mode, montant, derniere, derniere, avecVente);
        return;
    }

    static const int jours[] = {5, 10, 15};
    const int jour = jours[rnd_.below(3)];
    const bool ceMois = rnd_.percent(50);
    const bool chevauchement = avecVente && mode >= 4 && mode != 7 && rnd_.percent(6);
    QDate prochaine = month0_.addMonths(ceMois && !chevauchement ? 0 : 1).addDays(jour - 1);
    QDate derniere;
    if (fin.isValid())
        derniere = fin < prochaine ? prochaine : fin;
    else if (rnd_.percent(20))
        derniere = prochaine.addMonths(12);

    // An earlier entry that ended before this month: a neighbour that does not overlap.
    if (rnd_.percent(25))
        echeance(idCli, centre, idAct, tarif, mode, montant - 200, debut, month0_.addDays(-1), avecVente);

    const std::int64_t idEche = echeance(idCli, centre, idAct, tarif, mode, montant, prochaine, derniere, avecVente);
    if (chevauchement) {
        // A second future entry for the same article that starts before the first one ends.
        const QDate suivante = prochaine.addMonths(2);
        echeance(idCli, centre, idAct, tarif, mode, montant, suivante,
                 rnd_.percent(50) ? QDate() : suivante.addMonths(12), true);
    }
    if (rnd_.percent(3))
        echeance(idCli, centre, idAct, tarif, 2, 1000, prochaine, prochaine, false);

    if (prelevee.id == 0 && mode >= 4 && mode != 7 && debut < month0_.addMonths(-2))
        prelevee = Echeance{idEche, mode, montant, tarif, avecVente};
}

} // namespace testdb
