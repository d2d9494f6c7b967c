// The input message of a statement: built from the values bound to its parameters.
#include "db/QueryInterne.h"

#include <algorithm>

using namespace Firebird;

namespace fb {

IMessageMetadata* Query::Impl::entree(Appel& appel, std::vector<unsigned char>& tampon)
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

} // namespace fb
