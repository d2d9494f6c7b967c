#include "batch/ControleurOptions.h"

#include "batch/ControleurOptionsNoms.h"
#include "db/Decimal.h"
#include "db/Session.h"
#include "operator/OperatorInterface.h"

// The lists the database fills (payment methods, articles), their parallel lists and choices.

using namespace options_noms;

namespace {

const char* const kSqlModes =
    "select mod_id,mod_libelle from mode_paiement where (mod_type = 4) and (mod_ne_pas_utiliser = 0) order by 2";
const char* const kSqlArticles =
    "SELECT ART_ID, ART_NOM, ATA_PRIX, ATA_IDTVA FROM ARTICLE INNER JOIN ARTICLE_TARIF ON (ATA_IDART = ART_ID) "
    "WHERE (ART_VENDABLE = -1) AND (ATA_DEFAUT = -1) AND (ATA_PRIX > 0) ORDER BY ART_NOM";
const char* const kSqlArticlesSolde =
    "SELECT ART_ID, ART_NOM FROM ARTICLE WHERE (ART_CATEGORIE IN (1,2,32,64)) AND (ART_VENDABLE = -1) "
    "ORDER BY ART_NOM";

} // namespace

const QStringList& ControleurOptions::listes()
{
    static const QStringList noms = {kModes, kModes2, kModes4, kArticle, kArticle2};
    return noms;
}

QStringList ControleurOptions::elements(const QString& liste) const
{
    return m_listes.value(liste).elements;
}

int ControleurOptions::choix(const QString& liste) const
{
    return m_listes.value(liste).choix;
}

void ControleurOptions::setChoix(const QString& liste, int index)
{
    auto it = m_listes.find(liste);
    if (it == m_listes.end())
        return;
    if (index < -1 || index >= it->elements.size())
        index = -1;
    if (it->choix == index)
        return;
    it->choix = index;
    Q_EMIT choixChange(liste, index);
    if (liste == kArticle)
        rafraichirMontant();
}

bool ControleurOptions::choisirParId(const QString& liste, qint64 id)
{
    const Liste l = m_listes.value(liste);
    int trouve = -1;
    for (int i = 0; i < l.elements.size() && trouve < 0; ++i) {
        const qint64 candidat = l.articles.isEmpty() ? l.ids.value(i) : l.articles.value(i).Id;
        if (candidat == id)
            trouve = i;
    }
    setChoix(liste, trouve);
    return trouve >= 0;
}

void ControleurOptions::choisirPremier(const QString& liste)
{
    if (!m_listes.value(liste).elements.isEmpty())
        setChoix(liste, 0);
}

void ControleurOptions::vider(const QString& liste)
{
    Liste& l = m_listes[liste];
    const bool avaitChoix = l.choix >= 0;
    l = Liste{};
    Q_EMIT listeChange(liste);
    if (avaitChoix)
        Q_EMIT choixChange(liste, -1);
}

bool ControleurOptions::remplir(const QList<QPair<Requete, QString>>& lectures)
{
    QList<Liste> lues;
    try {
        m_session.trZelto.start();
        for (const auto& lecture : lectures)
            lues.append(lire(lecture.first));
        m_session.trZelto.commit();
    } catch (const DbError& e) {
        try {
            m_session.qryLocale.close();
            m_session.qryLocale.release();
        } catch (const DbError&) {
        }
        try {
            if (m_session.trZelto.isActive())
                m_session.trZelto.rollback();
        } catch (const DbError&) {
        }
        for (const auto& lecture : lectures)
            vider(lecture.second);
        m_operateur.erreur(e.texte());
        return false;
    }
    for (int i = 0; i < lectures.size(); ++i) {
        const QString& liste = lectures[i].second;
        const bool avaitChoix = m_listes[liste].choix >= 0;
        m_listes[liste] = lues[i];   // items and parallel list replaced together
        Q_EMIT listeChange(liste);
        if (avaitChoix)
            Q_EMIT choixChange(liste, -1);
    }
    return true;
}

ControleurOptions::Liste ControleurOptions::lire(Requete requete)
{
    fb::Query& q = m_session.qryLocale;
    switch (requete) {
    case Requete::Modes: q.setSql(QLatin1String(kSqlModes)); break;
    case Requete::Articles: q.setSql(QLatin1String(kSqlArticles)); break;
    case Requete::ArticlesSolde: q.setSql(QLatin1String(kSqlArticlesSolde)); break;
    }
    Liste l;
    for (q.execute(); !q.eof(); q.next()) {
        if (requete == Requete::Modes) {
            l.ids.append(q.asInt64(0));
            l.elements.append(q.asString(1));
            continue;
        }
        tArticle a;
        a.Id = q.asInt64(0);
        a.Nom = q.asString(1);
        if (requete == Requete::Articles) {
            if (!q.isNull(2))
                a.Prix = decimaux::versEchelle(q.asDecimal(2), 4).value_or(fb::Decimal{0, -4});
            a.IdTva = q.asInt64(3);
        }
        l.articles.append(a);
        l.elements.append(a.Nom);
    }
    q.close();
    q.release();
    return l;
}

void ControleurOptions::rafraichirMontant()
{
    const Liste& l = m_listes[kArticle];
    if (l.choix < 0 || l.choix >= l.articles.size())
        return;   // no article chosen: the label keeps its text
    const QString texte = decimaux::montantEuro(l.articles[l.choix].Prix);
    if (texte == m_lblMontant)
        return;
    m_lblMontant = texte;
    Q_EMIT texteChange(QStringLiteral("lblMontant"));
}

ValeursOptions ControleurOptions::valeurs() const
{
    ValeursOptions v = m_valeurs;
    auto idChoisi = [this](const QString& liste) -> std::optional<qint64> {
        const Liste l = m_listes.value(liste);
        if (l.choix < 0 || l.choix >= l.ids.size())
            return std::nullopt;
        return l.ids[l.choix];
    };
    auto articleChoisi = [this](const QString& liste) -> std::optional<tArticle> {
        const Liste l = m_listes.value(liste);
        if (l.choix < 0 || l.choix >= l.articles.size())
            return std::nullopt;
        return l.articles[l.choix];
    };
    v.cbModes = idChoisi(kModes);
    v.cbModes2 = idChoisi(kModes2);
    v.cbModes4 = idChoisi(kModes4);
    v.cbArticle = articleChoisi(kArticle);
    v.cbArticle2 = articleChoisi(kArticle2);
    return v;
}
