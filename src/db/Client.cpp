#include "db/Client.h"
#include "db/FirebirdInterne.h"

#include "config/Texte.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <atomic>

#ifdef Q_OS_WIN
#include <QLibrary>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

using namespace Firebird;

namespace fb {

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

} // namespace fb
