#include "db/Database.h"
#include "db/DatabaseInterne.h"

using namespace Firebird;

namespace fb {

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

QString Database::databaseName() const
{
    return d->connexion;
}

void Database::setDatabaseName(const QString& connexion) { d->connexion = connexion; }

void Database::setLibraryName(const QString& bibliotheque)
{
    if (bibliotheque != d->bibliotheque && !d->att)
        d->client = nullptr;
    d->bibliotheque = bibliotheque;
}

void Database::setParams(const QStringList& parametres) { d->parametres = parametres; }

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

} // namespace fb
