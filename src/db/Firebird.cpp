#include "db/Firebird.h"
#include "db/FirebirdInterne.h"

#include "config/Texte.h"
#include "db/ParametresNommes.h"

#include <firebird/Interface.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <set>
#include <variant>
#include <vector>

#ifdef Q_OS_WIN
#include <QLibrary>
#else
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>
#endif

using namespace Firebird;

namespace fb {

// ---------------------------------------------------------------------------------------------
// The library

namespace {

// Loaded libraries by the path asked for; never unloaded, never destroyed (the engine's own
// threads may still run while static objects are torn down).
QHash<QString, Client*>& bibliotheques()
{
    static auto* table = new QHash<QString, Client*>;
    return *table;
}

// The embedded engine keeps its lock files in /tmp/firebird, a folder of the firebird group:
// a user outside that group gets a private one instead.
void preparerDossierVerrous()
{
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK")) {
        // The engine does not create a chosen folder itself.
        QDir().mkpath(QFile::decodeName(qgetenv("FIREBIRD_LOCK")));
        return;
    }
    const QByteArray defaut = "/tmp/firebird";
    const bool existe = QFileInfo::exists(QString::fromLatin1(defaut));
    const bool utilisable = existe ? ::access(defaut.constData(), W_OK | X_OK) == 0 : ::access("/tmp", W_OK | X_OK) == 0;
    if (utilisable)
        return;
    const QString prive = QDir::tempPath() + QStringLiteral("/firebird-%1").arg(::getuid());
    QDir().mkpath(prive);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(prive));
#endif
}

struct Symboles
{
    void* handle = nullptr;
    QString erreur;

    bool ouvrir(const QString& chemin)
    {
#ifdef Q_OS_WIN
        auto* lib = new QLibrary(chemin);   // never unloaded
        if (!lib->load()) {
            erreur = lib->errorString();
            return false;
        }
        handle = lib;
        return true;
#else
        handle = ::dlopen(QFile::encodeName(chemin).constData(), RTLD_NOW | RTLD_GLOBAL);
        if (!handle)
            erreur = QString::fromLocal8Bit(::dlerror());
        return handle != nullptr;
#endif
    }

    void* chercher(const char* nom)
    {
#ifdef Q_OS_WIN
        auto f = reinterpret_cast<void*>(static_cast<QLibrary*>(handle)->resolve(nom));
        if (!f)
            erreur = static_cast<QLibrary*>(handle)->errorString();
        return f;
#else
        ::dlerror();
        void* f = ::dlsym(handle, nom);
        if (!f) {
            const char* e = ::dlerror();
            erreur = e ? QString::fromLocal8Bit(e) : QString();
        }
        return f;
#endif
    }
};

// While set, a SIGINT or SIGTERM does not make the library shut its attachments down: the
// program ends its run itself (the library's handler, installed at the first attachment, would
// otherwise turn an interruption into a lost connection).
std::atomic<bool> g_signauxAuProgramme{false};

int confirmerArret(const int raison, const int, void*)
{
    return raison == fb_shutrsn_signal && g_signauxAuProgramme ? 1 : 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Status and errors (shared with the services manager through FirebirdInterne.h)

DbError versDbError(const Client::Impl& c, const IStatus* statut)
{
    const intptr_t* erreurs = statut->getErrors();
    QStringList lignes;
    const ISC_STATUS* p = erreurs;
    char tampon[2048];
    while (c.interpret(tampon, sizeof tampon, &p) > 0)
        lignes << (lignes.isEmpty() ? QString() : QStringLiteral("-")) + texte::depuisCp1252(QByteArray(tampon));
    char etat[6] = {};
    c.sqlstate(etat, erreurs);
    const int code = int(c.sqlcode(erreurs));
    if (lignes.isEmpty())
        lignes << QStringLiteral("Erreur inconnue du client Firebird");
    return DbError(lignes.join(QLatin1Char('\n')), code, QString::fromLatin1(etat, int(qstrnlen(etat, 5))));
}

QByteArray octets(const QString& s)
{
    return texte::versCp1252(s);
}

// "C:\x", "/x", "x.fdb" or an alias: no host part, the embedded engine opens it.
bool estCheminLocal(const QString& connexion)
{
    if (connexion.contains(QLatin1String("://")))
        return false;
    const qsizetype deuxPoints = connexion.indexOf(QLatin1Char(':'));
    if (deuxPoints < 0)
        return true;
    if (deuxPoints == 1 && connexion.at(0).isLetter())
        return true;   // a drive letter
    return connexion.startsWith(QLatin1Char('/')) || connexion.startsWith(QLatin1Char('\\'));
}

namespace {

void remplirDpb(Bloc& dpb, const QStringList& parametres, bool local)
{
    dpb.entier(isc_dpb_sql_dialect, 3);
    for (const QString& p : parametres) {
        const qsizetype egal = p.indexOf(QLatin1Char('='));
        const QString nom = p.left(egal).trimmed().toLower();
        const QByteArray valeur = octets(egal < 0 ? QString() : p.mid(egal + 1));
        if (nom == QLatin1String("user_name"))
            dpb.texte(isc_dpb_user_name, valeur);
        else if (nom == QLatin1String("password"))
            dpb.texte(isc_dpb_password, valeur);
        else if (nom == QLatin1String("lc_ctype"))
            dpb.texte(isc_dpb_lc_ctype, valeur);
        else
            throw DbError(QStringLiteral("Paramètre de connexion non pris en charge : %1").arg(nom));
    }
    // Each form goes to its one provider, so that a failure shows that provider's own cause:
    // otherwise an embedded failure shows as the loopback provider's misleading "Unable to
    // complete network request to host localhost".
    dpb.texte(isc_dpb_config, local ? QByteArrayLiteral("Providers=Engine12") : QByteArrayLiteral("Providers=Remote"));
}

} // namespace

Client& Client::charger(const QString& chemin)
{
    auto& table = bibliotheques();
    if (Client* deja = table.value(chemin))
        return *deja;

    preparerDossierVerrous();
    Symboles symboles;
    if (!symboles.ouvrir(chemin))
        throw ErreurChargement(QStringLiteral("Impossible de charger la bibliothèque cliente \"%1\" : %2")
                                   .arg(chemin, symboles.erreur));
    using Maitre = IMaster* (*)();
    auto point = reinterpret_cast<Maitre>(symboles.chercher("fb_get_master_interface"));
    auto* impl = new Impl;
    impl->chemin = chemin;
    impl->sqlcode = reinterpret_cast<decltype(impl->sqlcode)>(symboles.chercher("isc_sqlcode"));
    impl->sqlstate = reinterpret_cast<decltype(impl->sqlstate)>(symboles.chercher("fb_sqlstate"));
    impl->interpret = reinterpret_cast<decltype(impl->interpret)>(symboles.chercher("fb_interpret"));
    if (!point || !impl->sqlcode || !impl->sqlstate || !impl->interpret) {
        delete impl;
        throw DbError(QStringLiteral("La bibliothèque \"%1\" n'est pas une bibliothèque cliente Firebird 3 ou "
                                     "plus récente (point d'entrée manquant : %2).")
                          .arg(chemin, symboles.erreur));
    }
    impl->master = point();
    if (!impl->master) {
        delete impl;
        throw DbError(QStringLiteral("La bibliothèque \"%1\" n'a fourni aucune interface maîtresse.").arg(chemin));
    }
    impl->util = impl->master->getUtilInterface();
    impl->dispatcher = impl->master->getDispatcher();
    if (auto rappel = reinterpret_cast<decltype(&fb_shutdown_callback)>(symboles.chercher("fb_shutdown_callback"))) {
        ISC_STATUS_ARRAY statut{};
        rappel(statut, confirmerArret, fb_shut_confirmation, nullptr);
    }
    auto* client = new Client(impl);
    table.insert(chemin, client);
    return *client;
}

void Client::arreter()
{
    for (Client* c : std::as_const(bibliotheques())) {
        Impl* i = c->d;
        if (i->arrete)
            continue;
        i->arrete = true;
        sansErreur(*i, [&](ThrowStatusWrapper* s) { i->dispatcher->shutdown(s, 0, fb_shutrsn_app_stopped); });
    }
}

void Client::laisserSignauxAuProgramme(bool oui)
{
    g_signauxAuProgramme = oui;
}

QString Client::nomBibliothequePlateforme()
{
#ifdef Q_OS_WIN
    return QStringLiteral("fbclient.dll");
#else
    return QStringLiteral("libfbclient.so.2");
#endif
}

// ---------------------------------------------------------------------------------------------
// Handles that depend on an attachment: told when it goes away.

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

Database::Database() : d(std::make_unique<Impl>()) {}

Database::~Database()
{
    try {
        close();
    } catch (...) {
    }
    for (Dependant* dep : std::vector<Dependant*>(d->dependants))
        dep->baseDetruite();
}

void Database::setDatabaseName(const QString& connexion) { d->connexion = connexion; }
QString Database::databaseName() const { return d->connexion; }

void Database::setLibraryName(const QString& bibliotheque)
{
    if (bibliotheque != d->bibliotheque && !d->att)
        d->client = nullptr;
    d->bibliotheque = bibliotheque;
}
QString Database::libraryName() const { return d->bibliotheque; }
void Database::setParams(const QStringList& parametres) { d->parametres = parametres; }
QStringList Database::params() const { return d->parametres; }

void Database::open()
{
    if (d->att)
        return;
    Client::Impl& c = d->exigerClient();
    Bloc dpb(c, IXpbBuilder::DPB);
    remplirDpb(dpb, d->parametres, estCheminLocal(d->connexion));
    const QByteArray chaine = octets(d->connexion);
    GardeSignaux signaux;
    Appel appel(c);
    d->att = appel([&](ThrowStatusWrapper* s) {
        return c.dispatcher->attachDatabase(s, chaine.constData(), dpb.longueur(), dpb.octets());
    });
}

void Database::close()
{
    if (!d->att)
        return;
    for (Dependant* dep : std::vector<Dependant*>(d->dependants))
        dep->avantDetachement();
    Client::Impl& c = *d->client;
    IAttachment* att = d->att;
    d->att = nullptr;
    try {
        Appel appel(c);
        appel([&](ThrowStatusWrapper* s) { att->detach(s); });
    } catch (...) {
        att->release();
        throw;
    }
}

bool Database::isOpen() const { return d->att != nullptr; }

void Database::annulerOperation()
{
    if (IAttachment* att = d->att)
        sansErreur(*d->client, [&](ThrowStatusWrapper* s) { att->cancelOperation(s, fb_cancel_raise); });
}

void Database::oublierAnnulation()
{
    // Disabling drops the pending request; enabling clears both flags again.
    if (IAttachment* att = d->att) {
        sansErreur(*d->client, [&](ThrowStatusWrapper* s) { att->cancelOperation(s, fb_cancel_disable); });
        sansErreur(*d->client, [&](ThrowStatusWrapper* s) { att->cancelOperation(s, fb_cancel_enable); });
    }
}

void Database::creer(const QString& bibliotheque, const QString& connexion, const QStringList& parametres,
                     int taillePage)
{
    Client::Impl& c = *Client::charger(bibliotheque).impl();
    Bloc dpb(c, IXpbBuilder::DPB);
    remplirDpb(dpb, parametres, estCheminLocal(connexion));
    dpb.entier(isc_dpb_page_size, taillePage);
    dpb.texte(isc_dpb_set_db_charset, QByteArrayLiteral("ISO8859_1"));
    const QByteArray chaine = octets(connexion);
    GardeSignaux signaux;
    Appel appel(c);
    IAttachment* att = appel([&](ThrowStatusWrapper* s) {
        return c.dispatcher->createDatabase(s, chaine.constData(), dpb.longueur(), dpb.octets());
    });
    try {
        appel([&](ThrowStatusWrapper* s) { att->detach(s); });
    } catch (...) {
        att->release();
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// Transaction

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

    void terminer(bool valider)
    {
        if (!tra)
            return;
        if (valider) {
            fermerCurseurs();
        } else {
            // A roll-back ends the transaction whatever happens: a cursor that cannot be closed
            // (the attachment was cut) is released all the same and must not keep it alive.
            try {
                fermerCurseurs();
            } catch (const DbError&) {
            }
        }
        Client::Impl& c = *base->impl()->client;
        Appel appel(c);
        if (valider) {
            // A failed commit leaves the transaction active: the caller may still roll back.
            appel([&](ThrowStatusWrapper* s) { tra->commit(s); });
            tra = nullptr;
            return;
        }
        ITransaction* t = tra;
        tra = nullptr;
        try {
            appel([&](ThrowStatusWrapper* s) { t->rollback(s); });
        } catch (...) {
            t->release();
            throw;
        }
    }

    void avantDetachement() override
    {
        try {
            terminer(false);
        } catch (...) {
        }
    }
    void baseDetruite() override { base = nullptr; }
};

Transaction::Transaction(Database& base) : d(std::make_unique<Impl>())
{
    d->base = &base;
    base.impl()->dependants.push_back(d.get());
}

Transaction::~Transaction()
{
    d->avantDetachement();
    for (CurseurOuvert* q : std::vector<CurseurOuvert*>(d->requetes))
        q->transactionDetruite();
    if (d->base)
        d->base->impl()->oter(d.get());
}

void Transaction::setParams(const QStringList& parametres) { d->parametres = parametres; }
QStringList Transaction::params() const { return d->parametres; }

void Transaction::start()
{
    if (d->tra)
        return;
    if (!d->base)
        throw DbError(QStringLiteral("La transaction n'a plus de base de données."));
    Database::Impl& b = *d->base->impl();
    b.exigerOuverte();
    Client::Impl& c = *b.client;
    static const QHash<QString, unsigned char> tags = {
        {QStringLiteral("write"), isc_tpb_write},
        {QStringLiteral("read"), isc_tpb_read},
        {QStringLiteral("wait"), isc_tpb_wait},
        {QStringLiteral("nowait"), isc_tpb_nowait},
        {QStringLiteral("rec_version"), isc_tpb_rec_version},
        {QStringLiteral("no_rec_version"), isc_tpb_no_rec_version},
        {QStringLiteral("read_committed"), isc_tpb_read_committed},
        {QStringLiteral("concurrency"), isc_tpb_concurrency},
        {QStringLiteral("consistency"), isc_tpb_consistency},
    };
    Bloc tpb(c, IXpbBuilder::TPB);
    for (const QString& p : d->parametres) {
        const auto it = tags.constFind(p.trimmed().toLower());
        if (it == tags.constEnd())
            throw DbError(QStringLiteral("Paramètre de transaction non pris en charge : %1").arg(p));
        tpb.tag(it.value());
    }
    Appel appel(c);
    d->tra = appel([&](ThrowStatusWrapper* s) { return b.att->startTransaction(s, tpb.longueur(), tpb.octets()); });
}

void Transaction::commit() { d->terminer(true); }
void Transaction::rollback() { d->terminer(false); }
bool Transaction::isActive() const { return d->tra != nullptr; }
Database& Transaction::database() const { return *d->base; }

void Transaction::executeImmediate(const QString& sql)
{
    if (!d->tra)
        throw DbError(QStringLiteral("La transaction n'est pas active."));
    Database::Impl& b = *d->base->impl();
    Client::Impl& c = *b.client;
    const QByteArray texte = octets(sql);
    Appel appel(c);
    IStatement* st = appel([&](ThrowStatusWrapper* s) {
        return b.att->prepare(s, d->tra, 0, texte.constData(), 3, IStatement::PREPARE_PREFETCH_FLAGS);
    });
    try {
        const bool curseur = appel([&](ThrowStatusWrapper* s) { return st->getFlags(s); }) & IStatement::FLAG_HAS_CURSOR;
        if (curseur) {
            IMessageMetadata* meta = appel([&](ThrowStatusWrapper* s) { return st->getOutputMetadata(s); });
            std::vector<unsigned char> ligne;
            IResultSet* rs = nullptr;
            try {
                ligne.resize(appel([&](ThrowStatusWrapper* s) { return meta->getMessageLength(s); }));
                rs = appel([&](ThrowStatusWrapper* s) { return st->openCursor(s, d->tra, nullptr, nullptr, meta, 0); });
                while (appel([&](ThrowStatusWrapper* s) { return rs->fetchNext(s, ligne.data()); }) == IStatus::RESULT_OK) {
                }
                appel([&](ThrowStatusWrapper* s) { rs->close(s); });
                rs = nullptr;
            } catch (...) {
                if (rs)
                    rs->release();
                meta->release();
                throw;
            }
            meta->release();
        } else {
            appel([&](ThrowStatusWrapper* s) { st->execute(s, d->tra, nullptr, nullptr, nullptr, nullptr); });
        }
        appel([&](ThrowStatusWrapper* s) { st->free(s); });
    } catch (...) {
        st->release();
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// Query

namespace {

struct Nul
{
};
using Valeur = std::variant<std::monostate, Nul, qint64, QByteArray, QDate, Decimal>;

struct Colonne
{
    QString nom;
    unsigned type = 0;
    int sousType = 0;
    unsigned longueur = 0;
    int echelle = 0;
    unsigned jeu = 0;
    unsigned decalage = 0;
    unsigned decalageNul = 0;
};

qint64 puissance10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

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

    void fermerCurseur() override
    {
        ligneCourante = false;
        if (!rs)
            return;
        IResultSet* r = rs;
        rs = nullptr;
        try {
            Appel appel(client());
            appel([&](ThrowStatusWrapper* s) { r->close(s); });
        } catch (...) {
            r->release();
            throw;
        }
    }

    void liberer()
    {
        try {
            fermerCurseur();
        } catch (...) {
        }
        if (sortie) {
            sortie->release();
            sortie = nullptr;
        }
        colonnes.clear();
        ligne.clear();
        if (st) {
            IStatement* s0 = st;
            st = nullptr;
            try {
                Appel appel(client());
                appel([&](ThrowStatusWrapper* s) { s0->free(s); });
            } catch (...) {
                s0->release();
            }
        }
    }

    void avantDetachement() override { liberer(); }
    void baseDetruite() override { base = nullptr; }
    void transactionDetruite() override { transaction = nullptr; }

    ITransaction* exigerTransaction() const
    {
        if (!base || !transaction || !transaction->impl()->tra)
            throw DbError(QStringLiteral("La transaction n'est pas active."));
        return transaction->impl()->tra;
    }

    int index(const QString& nom) const
    {
        for (int i = 0; i < positionnel.noms.size(); ++i)
            if (positionnel.noms.at(i).compare(nom, Qt::CaseInsensitive) == 0)
                return i;
        throw DbError(QStringLiteral("Paramètre inconnu : %1").arg(nom));
    }

    void poser(const QString& nom, Valeur v) { valeurs[size_t(index(nom))] = std::move(v); }

    void preparer(ITransaction* tra)
    {
        Database::Impl& b = *base->impl();
        b.exigerOuverte();
        Client::Impl& c = client();
        Appel appel(c);
        const QByteArray texte = octets(positionnel.sql);
        st = appel([&](ThrowStatusWrapper* s) {
            return b.att->prepare(s, tra, 0, texte.constData(), 3, IStatement::PREPARE_PREFETCH_METADATA);
        });
        aCurseur = appel([&](ThrowStatusWrapper* s) { return st->getFlags(s); }) & IStatement::FLAG_HAS_CURSOR;
        sortie = appel([&](ThrowStatusWrapper* s) { return st->getOutputMetadata(s); });
        const unsigned n = appel([&](ThrowStatusWrapper* s) { return sortie->getCount(s); });
        appel([&](ThrowStatusWrapper* s) {
            for (unsigned i = 0; i < n; ++i) {
                Colonne col;
                col.nom = texte::depuisCp1252(QByteArray(sortie->getAlias(s, i)));
                if (col.nom.isEmpty())
                    col.nom = texte::depuisCp1252(QByteArray(sortie->getField(s, i)));
                col.type = sortie->getType(s, i);
                col.sousType = sortie->getSubType(s, i);
                col.longueur = sortie->getLength(s, i);
                col.echelle = sortie->getScale(s, i);
                col.jeu = sortie->getCharSet(s, i);
                col.decalage = sortie->getOffset(s, i);
                col.decalageNul = sortie->getNullOffset(s, i);
                colonnes.push_back(col);
            }
            ligne.assign(sortie->getMessageLength(s), 0);
        });
    }

    // The input message: each marker typed after the value bound to it.
    IMessageMetadata* entree(Appel& appel, std::vector<unsigned char>& tampon)
    {
        Client::Impl& c = client();
        IMessageMetadata* moteur = appel([&](ThrowStatusWrapper* s) { return st->getInputMetadata(s); });
        const unsigned n = appel([&](ThrowStatusWrapper* s) { return moteur->getCount(s); });
        if (n != unsigned(positionnel.positions.size())) {
            moteur->release();
            throw DbError(QStringLiteral("Le nombre de paramètres de la requête (%1) ne correspond pas à ses noms (%2).")
                              .arg(n)
                              .arg(positionnel.positions.size()));
        }
        IMessageMetadata* meta = nullptr;
        IMetadataBuilder* constructeur = nullptr;
        try {
            constructeur = appel([&](ThrowStatusWrapper* s) { return moteur->getBuilder(s); });
            appel([&](ThrowStatusWrapper* s) {
                for (unsigned i = 0; i < n; ++i) {
                    const Valeur& v = valeurs[size_t(positionnel.positions.at(int(i)))];
                    if (const auto* entier = std::get_if<qint64>(&v)) {
                        Q_UNUSED(entier);
                        constructeur->setType(s, i, SQL_INT64);
                        constructeur->setLength(s, i, sizeof(ISC_INT64));
                        constructeur->setScale(s, i, 0);
                    } else if (const auto* dec = std::get_if<Decimal>(&v)) {
                        constructeur->setType(s, i, SQL_INT64);
                        constructeur->setLength(s, i, sizeof(ISC_INT64));
                        constructeur->setScale(s, i, dec->echelle);
                    } else if (const auto* txt = std::get_if<QByteArray>(&v)) {
                        const unsigned t = moteur->getType(s, i);
                        if (t != SQL_TEXT && t != SQL_VARYING)
                            constructeur->setCharSet(s, i, 0);
                        constructeur->setType(s, i, SQL_VARYING);
                        constructeur->setLength(s, i, unsigned(std::max<qsizetype>(1, txt->size())));
                        constructeur->setScale(s, i, 0);
                    } else if (std::holds_alternative<QDate>(v)) {
                        constructeur->setType(s, i, SQL_TYPE_DATE);
                        constructeur->setLength(s, i, sizeof(ISC_DATE));
                        constructeur->setScale(s, i, 0);
                    }
                }
            });
            meta = appel([&](ThrowStatusWrapper* s) { return constructeur->getMetadata(s); });
            constructeur->release();
            constructeur = nullptr;
            moteur->release();
            moteur = nullptr;
            appel([&](ThrowStatusWrapper* s) {
                tampon.assign(meta->getMessageLength(s), 0);
                for (unsigned i = 0; i < n; ++i) {
                    const Valeur& v = valeurs[size_t(positionnel.positions.at(int(i)))];
                    unsigned char* p = tampon.data() + meta->getOffset(s, i);
                    auto* nul = reinterpret_cast<short*>(tampon.data() + meta->getNullOffset(s, i));
                    *nul = 0;
                    if (const auto* entier = std::get_if<qint64>(&v)) {
                        const ISC_INT64 x = *entier;
                        std::memcpy(p, &x, sizeof x);
                    } else if (const auto* dec = std::get_if<Decimal>(&v)) {
                        const ISC_INT64 x = dec->valeur;
                        std::memcpy(p, &x, sizeof x);
                    } else if (const auto* txt = std::get_if<QByteArray>(&v)) {
                        const auto l = static_cast<unsigned short>(txt->size());
                        std::memcpy(p, &l, sizeof l);
                        std::memcpy(p + sizeof l, txt->constData(), size_t(txt->size()));
                    } else if (const auto* date = std::get_if<QDate>(&v)) {
                        const ISC_DATE x = c.util->encodeDate(unsigned(date->year()), unsigned(date->month()),
                                                              unsigned(date->day()));
                        std::memcpy(p, &x, sizeof x);
                    } else {
                        *nul = -1;   // never set, or set to null
                    }
                }
            });
        } catch (...) {
            if (constructeur)
                constructeur->release();
            if (moteur)
                moteur->release();
            if (meta)
                meta->release();
            throw;
        }
        return meta;
    }

    void executer()
    {
        ITransaction* tra = exigerTransaction();
        fermerCurseur();
        if (!st)
            preparer(tra);
        Appel appel(client());
        std::vector<unsigned char> tampon;
        IMessageMetadata* meta = entree(appel, tampon);
        try {
            if (aCurseur) {
                rs = appel([&](ThrowStatusWrapper* s) {
                    return st->openCursor(s, tra, meta, tampon.data(), sortie, 0);
                });
                meta->release();
                meta = nullptr;
                suivant();
            } else {
                appel([&](ThrowStatusWrapper* s) {
                    st->execute(s, tra, meta, tampon.data(), colonnes.empty() ? nullptr : sortie,
                                colonnes.empty() ? nullptr : ligne.data());
                });
                meta->release();
                meta = nullptr;
                ligneCourante = !colonnes.empty();
            }
        } catch (...) {
            if (meta)
                meta->release();
            throw;
        }
    }

    bool suivant()
    {
        if (!rs) {
            ligneCourante = false;
            return false;
        }
        Appel appel(client());
        ligneCourante = appel([&](ThrowStatusWrapper* s) { return rs->fetchNext(s, ligne.data()); }) == IStatus::RESULT_OK;
        return ligneCourante;
    }

    const Colonne& colonne(int i) const
    {
        if (i < 0 || size_t(i) >= colonnes.size())
            throw DbError(QStringLiteral("Colonne %1 hors de la requête (%2 colonnes).").arg(i).arg(colonnes.size()));
        return colonnes[size_t(i)];
    }

    // The current row's cell, or nullptr when it is null. Raises when there is no current row.
    const unsigned char* cellule(int i) const
    {
        const Colonne& col = colonne(i);
        if (!ligneCourante)
            throw DbError(QStringLiteral("La requête n'a pas de ligne courante."));
        short nul;
        std::memcpy(&nul, ligne.data() + col.decalageNul, sizeof nul);
        if (nul || col.type == SQL_NULL)
            return nullptr;
        return ligne.data() + col.decalage;
    }

    template <class T>
    static T lire(const unsigned char* p)
    {
        T x;
        std::memcpy(&x, p, sizeof x);
        return x;
    }

    QByteArray octetsTexte(const Colonne& col, const unsigned char* p) const
    {
        if (col.type == SQL_TEXT)
            return QByteArray(reinterpret_cast<const char*>(p), int(col.longueur));
        if (col.type == SQL_VARYING) {
            const auto l = lire<unsigned short>(p);
            return QByteArray(reinterpret_cast<const char*>(p + sizeof l), l);
        }
        // SQL_BLOB
        auto id = lire<ISC_QUAD>(p);
        ITransaction* tra = exigerTransaction();
        Appel appel(client());
        IBlob* blob = appel([&](ThrowStatusWrapper* s) { return base->impl()->att->openBlob(s, tra, &id, 0, nullptr); });
        QByteArray resultat;
        try {
            char morceau[8192];
            for (;;) {
                unsigned lu = 0;
                const int r = appel([&](ThrowStatusWrapper* s) { return blob->getSegment(s, sizeof morceau, morceau, &lu); });
                if (r != IStatus::RESULT_OK && r != IStatus::RESULT_SEGMENT)
                    break;
                resultat.append(morceau, int(lu));
            }
            appel([&](ThrowStatusWrapper* s) { blob->close(s); });
        } catch (...) {
            blob->release();
            throw;
        }
        return resultat;
    }

    static TypeColonne genre(const Colonne& col)
    {
        switch (col.type) {
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            return col.echelle < 0 ? TypeColonne::Decimal : TypeColonne::Entier;
        case SQL_TEXT:
        case SQL_VARYING:
            return TypeColonne::Texte;
        case SQL_BLOB:
            return col.sousType == 1 ? TypeColonne::Texte : TypeColonne::Autre;
        case SQL_TYPE_DATE:
            return TypeColonne::Date;
        case SQL_TYPE_TIME:
            return TypeColonne::Heure;
        case SQL_TIMESTAMP:
            return TypeColonne::Horodatage;
        case SQL_BOOLEAN:
            return TypeColonne::Booleen;
        default:
            return TypeColonne::Autre;
        }
    }

    // Integer columns, scaled or not, as their raw value.
    static std::optional<qint64> brut(const Colonne& col, const unsigned char* p)
    {
        switch (col.type) {
        case SQL_SHORT:
            return lire<qint16>(p);
        case SQL_LONG:
            return lire<qint32>(p);
        case SQL_INT64:
            return lire<qint64>(p);
        default:
            return std::nullopt;
        }
    }

    QDate date(const unsigned char* p) const
    {
        unsigned a = 0, m = 0, j = 0;
        client().util->decodeDate(lire<ISC_DATE>(p), &a, &m, &j);
        return QDate(int(a), int(m), int(j));
    }

    QTime heure(const unsigned char* p) const
    {
        unsigned h = 0, mi = 0, s = 0, f = 0;
        client().util->decodeTime(lire<ISC_TIME>(p), &h, &mi, &s, &f);
        return QTime(int(h), int(mi), int(s), int(f / 10));
    }
};

Query::Query(Database& base, Transaction& transaction) : d(std::make_unique<Impl>())
{
    d->base = &base;
    d->transaction = &transaction;
    base.impl()->dependants.push_back(d.get());
    transaction.impl()->requetes.push_back(d.get());
}

Query::~Query()
{
    if (d->base)
        d->liberer();
    if (d->transaction)
        d->transaction->impl()->oter(d.get());
    if (d->base)
        d->base->impl()->oter(d.get());
}

void Query::setSql(const QString& sql)
{
    if (sql == d->sql && d->st)
        return;
    d->liberer();
    d->sql = sql;
    d->positionnel = versPositionnel(sql);
    d->valeurs.assign(size_t(d->positionnel.noms.size()), Valeur{});
}

QString Query::sql() const { return d->sql; }
QStringList Query::paramNames() const { return d->positionnel.noms; }

void Query::setParam(const QString& nom, qint64 valeur) { d->poser(nom, valeur); }
void Query::setParam(const QString& nom, const QString& valeur)
{
    QByteArray texte = octets(valeur);
    // The message's length field has 16 bits: a longer text would reach the engine cut short.
    if (texte.size() > 0xFFFF)
        throw DbError(QStringLiteral("Le texte du paramètre %1 est trop long (%2 caractères, 65535 au plus).")
                          .arg(nom)
                          .arg(texte.size()));
    d->poser(nom, std::move(texte));
}
void Query::setParam(const QString& nom, const QDate& valeur)
{
    if (valeur.isValid())
        d->poser(nom, valeur);
    else
        d->poser(nom, Nul{});
}
void Query::setParam(const QString& nom, const Decimal& valeur) { d->poser(nom, valeur); }
void Query::setParamNull(const QString& nom) { d->poser(nom, Nul{}); }

void Query::setParam(int index, qint64 valeur)
{
    if (index < 0 || index >= d->positionnel.noms.size())
        throw DbError(QStringLiteral("Paramètre %1 absent de la requête (%2 paramètres).")
                          .arg(index)
                          .arg(d->positionnel.noms.size()));
    d->valeurs[size_t(index)] = valeur;
}

void Query::execute() { d->executer(); }
bool Query::next() { return d->suivant(); }
bool Query::eof() const { return !d->ligneCourante; }
bool Query::isOpen() const { return d->rs != nullptr; }

int Query::columnCount() const { return int(d->colonnes.size()); }
QString Query::columnName(int colonne) const { return d->colonne(colonne).nom; }
TypeColonne Query::columnType(int colonne) const { return Impl::genre(d->colonne(colonne)); }
int Query::columnScale(int colonne) const { return d->colonne(colonne).echelle; }

int Query::columnCharLength(int colonne) const
{
    const Colonne& col = d->colonne(colonne);
    const unsigned parCaractere = col.jeu == 4 ? 4 : col.jeu == 3 ? 3 : 1;   // UTF8, UNICODE_FSS
    return int(col.longueur / parCaractere);
}

bool Query::isNull(int colonne) const { return d->cellule(colonne) == nullptr; }

qint64 Query::asInt64(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return 0;
    const Colonne& col = d->colonne(colonne);
    if (const auto v = Impl::brut(col, p))
        return col.echelle < 0 ? *v / puissance10(-col.echelle) : *v;
    switch (col.type) {
    case SQL_BOOLEAN:
        return Impl::lire<unsigned char>(p) ? 1 : 0;
    case SQL_FLOAT:
        return qint64(Impl::lire<float>(p));
    case SQL_DOUBLE:
        return qint64(Impl::lire<double>(p));
    case SQL_TEXT:
    case SQL_VARYING: {
        bool ok = false;
        const qint64 v = d->octetsTexte(col, p).trimmed().toLongLong(&ok);
        if (ok)
            return v;
        break;
    }
    default:
        break;
    }
    throw DbError(QStringLiteral("La colonne %1 ne se lit pas comme un nombre entier.").arg(col.nom));
}

qint32 Query::asInteger(int colonne) const { return static_cast<qint32>(asInt64(colonne)); }

Decimal Query::asDecimal(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return {};
    const Colonne& col = d->colonne(colonne);
    if (const auto v = Impl::brut(col, p))
        return {*v, col.echelle};
    if (col.type == SQL_TEXT || col.type == SQL_VARYING) {
        const QByteArray t = d->octetsTexte(col, p).trimmed();
        static const QRegularExpression forme(QStringLiteral("^([-+]?)(\\d*)(?:\\.(\\d*))?$"));
        const auto m = forme.match(QString::fromLatin1(t));
        if (m.hasMatch() && !(m.captured(2) + m.captured(3)).isEmpty() && m.captured(3).size() <= 18) {
            Decimal r{(m.captured(2) + m.captured(3)).toLongLong(), -int(m.captured(3).size())};
            if (m.captured(1) == QLatin1String("-"))
                r.valeur = -r.valeur;
            return r;
        }
    }
    if (col.type == SQL_FLOAT || col.type == SQL_DOUBLE) {
        // Floating columns have no exact value to give: six decimals, like the engine's own casts.
        const double x = col.type == SQL_FLOAT ? double(Impl::lire<float>(p)) : Impl::lire<double>(p);
        return Decimal{qint64(std::llround(x * 1e6)), -6};
    }
    throw DbError(QStringLiteral("La colonne %1 ne se lit pas comme un nombre.").arg(col.nom));
}

QString Query::asString(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return {};
    const Colonne& col = d->colonne(colonne);
    switch (col.type) {
    case SQL_TEXT:
    case SQL_VARYING:
    case SQL_BLOB:
        return texte::depuisCp1252(d->octetsTexte(col, p));
    default:
        break;
    }
    const QVariant v = value(colonne);
    switch (Impl::genre(col)) {
    case TypeColonne::Decimal:
        return asDecimal(colonne).texte();
    case TypeColonne::Date:
        return v.toDate().toString(Qt::ISODate);
    case TypeColonne::Horodatage:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case TypeColonne::Booleen:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return v.toString();
    }
}

QDate Query::asDate(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return {};
    const Colonne& col = d->colonne(colonne);
    if (col.type == SQL_TYPE_DATE)
        return d->date(p);
    if (col.type == SQL_TIMESTAMP)
        return d->date(p);   // the date comes first in a time stamp
    throw DbError(QStringLiteral("La colonne %1 n'est pas une date.").arg(col.nom));
}

QVariant Query::value(int colonne) const
{
    const unsigned char* p = d->cellule(colonne);
    if (!p)
        return {};
    const Colonne& col = d->colonne(colonne);
    switch (col.type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (col.echelle < 0)
            return QVariant::fromValue(asDecimal(colonne));
        return QVariant::fromValue(*Impl::brut(col, p));
    case SQL_FLOAT:
        return double(Impl::lire<float>(p));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return Impl::lire<double>(p);
    case SQL_TEXT:
    case SQL_VARYING:
        return asString(colonne);
    case SQL_BLOB:
        if (col.sousType == 1)
            return asString(colonne);
        return d->octetsTexte(col, p);
    case SQL_TYPE_DATE:
        return d->date(p);
    case SQL_TYPE_TIME:
        return d->heure(p);
    case SQL_TIMESTAMP:
        return QDateTime(d->date(p), d->heure(p + sizeof(ISC_DATE)));
    case SQL_BOOLEAN:
        return Impl::lire<unsigned char>(p) != 0;
    default:
        return {};
    }
}

void Query::close() { d->fermerCurseur(); }
void Query::release() { d->liberer(); }

// ---------------------------------------------------------------------------------------------
// Decimal

namespace {

QString chiffres(const Decimal& d, int decimales)
{
    const bool negatif = d.valeur < 0;
    // The magnitude as unsigned, so that the most negative value keeps its digits.
    const quint64 m = negatif ? quint64(0) - quint64(d.valeur) : quint64(d.valeur);
    QString t = QString::number(m);
    if (decimales > 0) {
        if (t.size() <= decimales)
            t.prepend(QString(decimales - t.size() + 1, QLatin1Char('0')));
        t.insert(t.size() - decimales, QLatin1Char('.'));
    }
    return negatif ? QLatin1Char('-') + t : t;
}

} // namespace

QString Decimal::texte() const
{
    if (echelle >= 0)
        return chiffres(Decimal{valeur * puissance10(echelle), 0}, 0);
    return chiffres(*this, -echelle);
}

QString Decimal::texteCourt() const
{
    QString t = texte();
    if (t.contains(QLatin1Char('.'))) {
        while (t.endsWith(QLatin1Char('0')))
            t.chop(1);
        if (t.endsWith(QLatin1Char('.')))
            t.chop(1);
    }
    if (t == QLatin1String("-0"))
        t = QStringLiteral("0");
    return t;
}

Decimal Decimal::arrondi(int decimales) const
{
    const int actuelles = -echelle;
    if (actuelles <= decimales)
        return Decimal{valeur * puissance10(decimales - actuelles), -decimales};
    const qint64 diviseur = puissance10(actuelles - decimales);
    qint64 q = valeur / diviseur;
    const qint64 reste = valeur % diviseur;
    // Half away from zero: compare twice the remainder's magnitude with the divisor.
    const quint64 double_reste = 2 * quint64(reste < 0 ? -reste : reste);
    if (double_reste >= quint64(diviseur))
        q += valeur < 0 ? -1 : 1;
    return Decimal{q, -decimales};
}

bool operator==(const Decimal& a, const Decimal& b)
{
    const int e = std::min(a.echelle, b.echelle);
    const __int128 va = __int128(a.valeur) * puissance10(a.echelle - e);
    const __int128 vb = __int128(b.valeur) * puissance10(b.echelle - e);
    return va == vb;
}

} // namespace fb
