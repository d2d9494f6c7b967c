#include "db/Services.h"

#include "config/Texte.h"
#include "db/FirebirdInterne.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

using namespace Firebird;

namespace fb {

namespace {

// A 16-bit or 32-bit little-endian number of an information buffer.
quint32 entierVax(const unsigned char* p, int longueur)
{
    quint32 v = 0;
    for (int k = longueur; k-- > 0;)
        v = (v << 8) | p[k];
    return v;
}

// The host part of "host/port:service_mgr", empty for the embedded engine's "service_mgr".
QString hoteDe(const QString& connexion)
{
    if (estCheminLocal(connexion))
        return QString();
    if (connexion.startsWith(QLatin1Char('[')))   // "[::1]/3050:service_mgr"
        return connexion.left(connexion.indexOf(QLatin1Char(']')) + 1);
    const qsizetype fin = connexion.indexOf(QLatin1Char(':'));
    return connexion.left(fin).section(QLatin1Char('/'), 0, 0);
}

// A file name as the server's file system spells it. A server on this machine reads it in
// the local encoding, as our own checks of that file do; a remote one (the product's
// servers run Windows) in Windows-1252, like every other text of the client layer.
QByteArray nomFichierServeur(const QString& fichier, const QString& connexion)
{
#ifndef Q_OS_WIN
    if (ServiceManager::estCetteMachine(hoteDe(connexion)))
        return QFile::encodeName(fichier);
#endif
    return octets(fichier);
}

} // namespace

struct ServiceManager::Impl
{
    QString connexion = QStringLiteral("service_mgr");
    QString bibliotheque = Client::nomBibliothequePlateforme();
    QString utilisateur = QStringLiteral("SYSDBA");
    QString motDePasse;
    Client::Impl* client = nullptr;
    IService* svc = nullptr;
    bool enCours = false;   // a started service has not reported its end yet
};

ServiceManager::ServiceManager() : d(std::make_unique<Impl>()) {}

ServiceManager::~ServiceManager()
{
    try {
        detach();
    } catch (...) {
    }
}

void ServiceManager::setServiceName(const QString& connexion) { d->connexion = connexion; }

void ServiceManager::setLibraryName(const QString& bibliotheque)
{
    if (!d->svc)
        d->client = nullptr;
    d->bibliotheque = bibliotheque;
}

void ServiceManager::setUser(const QString& utilisateur, const QString& motDePasse)
{
    d->utilisateur = utilisateur;
    d->motDePasse = motDePasse;
}

QString ServiceManager::chaineServices(const QString& hote, const QString& port)
{
    if (hote.isEmpty())
        return QStringLiteral("service_mgr");
    return hote + QLatin1Char('/') + port + QStringLiteral(":service_mgr");
}

bool ServiceManager::estCetteMachine(const QString& hote)
{
    const QString h = hote.trimmed();
    if (h.isEmpty() || h.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    if (h == QLatin1String("::1") || h == QLatin1String("[::1]"))
        return true;
    static const QRegularExpression ipv4(QStringLiteral("^127\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const QRegularExpressionMatch m = ipv4.match(h);
    if (!m.hasMatch())
        return false;
    for (int k = 1; k <= 3; ++k)
        if (m.captured(k).toInt() > 255)
            return false;
    return true;
}

void ServiceManager::attach()
{
    if (d->svc)
        return;
    if (!d->client)
        d->client = Client::charger(d->bibliotheque).impl();
    Client::Impl& c = *d->client;
    Bloc spb(c, IXpbBuilder::SPB_ATTACH);
    spb.texte(isc_spb_user_name, octets(d->utilisateur));
    if (!d->motDePasse.isEmpty())
        spb.texte(isc_spb_password, octets(d->motDePasse));
    // One provider for each form, as for attachments: the embedded engine's own failure
    // instead of the loopback provider's "Unable to complete network request".
    spb.texte(isc_spb_config, estCheminLocal(d->connexion) ? QByteArrayLiteral("Providers=Engine12")
                                                          : QByteArrayLiteral("Providers=Remote"));
    const QByteArray chaine = octets(d->connexion);
    GardeSignaux signaux;
    Appel appel(c);
    d->svc = appel([&](ThrowStatusWrapper* s) {
        return c.dispatcher->attachServiceManager(s, chaine.constData(), spb.longueur(), spb.octets());
    });
    d->enCours = false;
}

void ServiceManager::detach()
{
    if (!d->svc)
        return;
    IService* svc = d->svc;
    d->svc = nullptr;
    d->enCours = false;
    try {
        Appel appel(*d->client);
        appel([&](ThrowStatusWrapper* s) { svc->detach(s); });
    } catch (...) {
        svc->release();
        throw;
    }
}

void ServiceManager::startBackup(const QString& base, const QString& fichier)
{
    if (!d->svc)
        throw DbError(QStringLiteral("Le gestionnaire de services n'est pas connecté."));
    Client::Impl& c = *d->client;
    Bloc spb(c, IXpbBuilder::SPB_START);
    spb.tag(isc_action_svc_backup);
    spb.texte(isc_spb_dbname, octets(base));
    spb.texte(isc_spb_bkp_file, nomFichierServeur(fichier, d->connexion));
    spb.tag(isc_spb_verbose);
    Appel appel(c);
    appel([&](ThrowStatusWrapper* s) { d->svc->start(s, spb.longueur(), spb.octets()); });
    d->enCours = true;
}

std::optional<QString> ServiceManager::nextLine(int attenteSecondes)
{
    if (!d->svc || !d->enCours)
        return std::nullopt;
    Client::Impl& c = *d->client;
    const quint32 attente = quint32(std::max(1, attenteSecondes));
    const unsigned char envoi[] = {isc_info_svc_timeout, 4, 0,
                                   static_cast<unsigned char>(attente), static_cast<unsigned char>(attente >> 8),
                                   static_cast<unsigned char>(attente >> 16), static_cast<unsigned char>(attente >> 24)};
    const unsigned char demande[] = {isc_info_svc_line};
    // The engine takes the length on 16 bits: 64 KiB would read as 0 and answer "truncated"
    // for ever.
    std::vector<unsigned char> reponse(32000);
    Appel appel(c);
    try {
        appel([&](ThrowStatusWrapper* s) {
            d->svc->query(s, sizeof envoi, envoi, sizeof demande, demande, unsigned(reponse.size()), reponse.data());
        });
    } catch (const DbError&) {
        // The utility's own failure comes with the query that follows its last line.
        d->enCours = false;
        throw;
    }

    QByteArray ligne;
    bool attendre = false;   // the service runs but had nothing to say in time
    const unsigned char* p = reponse.data();
    const unsigned char* const fin = p + reponse.size();
    while (p < fin && *p != isc_info_end) {
        const unsigned char element = *p++;
        if (element == isc_info_svc_line) {
            if (fin - p < 2)
                break;
            const int longueur = int(entierVax(p, 2));
            p += 2;
            if (longueur > fin - p)
                break;
            ligne.append(reinterpret_cast<const char*>(p), longueur);
            p += longueur;
        } else if (element == isc_info_svc_timeout || element == isc_info_data_not_ready || element == isc_info_truncated) {
            attendre = true;
        } else {
            break;   // nothing else was asked for
        }
    }
    if (!ligne.isEmpty()) {
        QString lu = texte::decoderFichier(ligne);
        while (!lu.isEmpty() && lu.back().isSpace())   // gbak ends its lines with a blank
            lu.chop(1);
        return lu;
    }
    if (attendre)
        return QString();
    d->enCours = false;
    return std::nullopt;
}

} // namespace fb
