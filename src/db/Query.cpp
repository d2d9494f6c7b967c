#include "db/Query.h"
#include "db/QueryInterne.h"

#include "config/Texte.h"

using namespace Firebird;

namespace fb {

void Query::Impl::fermerCurseur()
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

void Query::Impl::liberer()
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

ITransaction* Query::Impl::exigerTransaction() const
{
    if (!base || !transaction || !transaction->impl()->tra)
        throw DbError(QStringLiteral("La transaction n'est pas active."));
    return transaction->impl()->tra;
}

int Query::Impl::index(const QString& nom) const
{
    for (int i = 0; i < positionnel.noms.size(); ++i)
        if (positionnel.noms.at(i).compare(nom, Qt::CaseInsensitive) == 0)
            return i;
    throw DbError(QStringLiteral("Paramètre inconnu : %1").arg(nom));
}

void Query::Impl::preparer(ITransaction* tra)
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
            col.jeu = sortie->getCharSet(s, i);
            col.longueur = sortie->getLength(s, i);
            col.echelle = sortie->getScale(s, i);
            col.decalage = sortie->getOffset(s, i);
            col.decalageNul = sortie->getNullOffset(s, i);
            colonnes.push_back(col);
        }
        ligne.assign(sortie->getMessageLength(s), 0);
    });
}

void Query::Impl::executer()
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

bool Query::Impl::suivant()
{
    if (!rs) {
        ligneCourante = false;
        return false;
    }
    Appel appel(client());
    ligneCourante = appel([&](ThrowStatusWrapper* s) { return rs->fetchNext(s, ligne.data()); }) == IStatus::RESULT_OK;
    return ligneCourante;
}

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
void Query::setParamBytes(const QString& nom, const QByteArray& valeur)
{
    if (valeur.size() > 0xFFFF)
        throw DbError(QStringLiteral("La valeur du paramètre %1 est trop longue (%2 octets, 65535 au plus).")
                          .arg(nom)
                          .arg(valeur.size()));
    d->poser(nom, valeur);
}

qint64 Query::rowsAffected() const
{
    if (!d->st)
        return 0;
    Appel appel(d->client());
    return qint64(appel([&](Firebird::ThrowStatusWrapper* s) { return d->st->getAffectedRecords(s); }));
}

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

void Query::close() { d->fermerCurseur(); }
void Query::release() { d->liberer(); }

} // namespace fb
