#include "db/Transaction.h"
#include "db/DatabaseInterne.h"

#include <QHash>

using namespace Firebird;

namespace fb {

void Transaction::Impl::terminer(bool valider)
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

} // namespace fb
